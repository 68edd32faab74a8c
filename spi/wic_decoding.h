// Decoding through the system's imaging component: the first frame, as BGRA
// with straight alpha, with its EXIF orientation.
#pragma once
#include <cstddef>
#include "decoded_picture.h"
#include "system_formats.h"

// An SpiResult; kSpiBrokenData for anything the decoder refuses.
int DecodeWithSystem(const SystemFormat& format, const unsigned char* data, size_t size, DecodedPicture* picture);
