// The import plug-in interface as ifbrimsel.spi implements it: the record,
// result codes, input flags and progress callback its four exports share.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Results of GetPictureInfo and GetPicture.
enum SpiResult : int {
    kSpiSuccess = 0,
    kSpiNotImplemented = -1,
    kSpiCancelled = 1,        // the progress callback asked to stop
    kSpiUnknownFormat = 2,
    kSpiBrokenData = 3,       // truncated or damaged
    kSpiOutOfMemory = 4,      // also: the picture exceeds the pixel budget
    kSpiMemoryError = 5,      // a block could not be locked
    kSpiFileReadError = 6,
    kSpiInternalError = 8,
};

// Low bits of the flag argument: where the picture comes from.
constexpr unsigned kSpiInputMask = 7;
constexpr unsigned kSpiInputFile = 0;     // buf names a file, len is the picture's byte offset in it
constexpr unsigned kSpiInputMemory = 1;   // buf holds the picture, len bytes long

// Receives the progress so far; a non-zero result cancels the decoding.
using SpiProgressCallback = int(WINAPI*)(int nNum, int nDenom, LONG lData);

#pragma pack(push, 1)
// Filled by GetPictureInfo. 26 bytes, packed.
struct PictureInfo {
    // Placement and size, in pixels.
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    // Dots per inch (0: unknown) and bits per pixel of what GetPicture returns.
    uint16_t xDensity;
    uint16_t yDensity;
    int16_t colorDepth;
    // Text information about the picture; this plug-in gives none (null).
    HLOCAL hInfo;
};
#pragma pack(pop)
static_assert(offsetof(PictureInfo, left) == 0);
static_assert(offsetof(PictureInfo, top) == 4);
static_assert(offsetof(PictureInfo, width) == 8);
static_assert(offsetof(PictureInfo, height) == 12);
static_assert(offsetof(PictureInfo, xDensity) == 16);
static_assert(offsetof(PictureInfo, yDensity) == 18);
static_assert(offsetof(PictureInfo, colorDepth) == 20);
static_assert(offsetof(PictureInfo, hInfo) == 22);
static_assert(sizeof(PictureInfo) == 26);
