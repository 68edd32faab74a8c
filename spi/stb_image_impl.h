// What the plug-in needs from stb_image beyond its public functions; defined
// next to the decoder in stb_image_impl.cpp.
#pragma once
#include <stb_image.h>
#include "format_detection.h"

// The picture's size and channels from its header, read by the reader of that
// one format: stb's own header probe tries every format in turn, and the
// reason a later one gives hides why the right one failed ("too large").
// Returns 0 on failure, with stbi_failure_reason() saying why.
int ReadPictureHeader(PictureFormat format, const stbi_io_callbacks* io, void* user, int* width, int* height,
                      int* channels);

// Clears the last failure, so a stale one is never taken for the next's.
void ClearDecoderFailure();
