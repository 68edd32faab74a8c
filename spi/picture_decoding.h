// Decoding a picture into the 24-bit DIB that GetPicture hands out.
#pragma once
#include <windows.h>
#include <cstdint>
#include "format_detection.h"
#include "import_interface.h"
#include "picture_source.h"

// The pixel budget: pictures wider or taller than kMaxPictureSide, or with more
// than kMaxPicturePixels pixels, are refused from their header, before any
// pixel memory is allocated. At the limit decoding still takes at least
// 448 MB (4 bytes a pixel from the decoder plus 3 for the result), which a
// 32-bit process may not find; that ends as kSpiOutOfMemory too.
constexpr int kMaxPictureSide = 16384;
constexpr uint32_t kMaxPicturePixels = 64u * 1024 * 1024;

struct PictureSize {
    int width;
    int height;
    int channels;   // in the file: 1 grey, 2 grey+alpha, 3 colour, 4 colour+alpha
};

// Reads the header of a picture of the given format. Returns an SpiResult;
// kSpiOutOfMemory when the picture is beyond the budget.
int MeasurePicture(PictureSource& source, PictureFormat format, PictureSize* size);

// Decodes the picture, composites any alpha over white and stores it as a
// BITMAPINFO block and a block of bottom-up BGR rows padded to 4 bytes. Both
// blocks are movable local memory handed to the caller (LocalFree) on
// kSpiSuccess; on any other result *info and *bits stay null.
// progress may be null.
int DecodePicture(PictureSource& source, PictureFormat format, SpiProgressCallback progress, LONG lData, HLOCAL* info,
                  HLOCAL* bits);
