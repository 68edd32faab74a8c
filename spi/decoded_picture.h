// A decoded picture as every reader delivers it: top-down rows of BGRA pixels
// with straight alpha, on the process heap, plus the EXIF orientation that
// says how it is meant to be viewed.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/kernel_guards.h"
#include "win/pixel_budget.h"

// A picture beyond the pixel budget is refused with kSpiOutOfMemory.

// The size a picture is to be read at, as seen (after its orientation): the
// whole picture when either side is <= 0.
struct CoverSize {
    long width = 0;
    long height = 0;
};

// Sides of a picture reduced by 2^shift, a partial block at the end counting whole.
inline uint64_t ReducedSide(uint64_t side, int shift) { return (side + (uint64_t{1} << shift) - 1) >> shift; }

// The reduction GetPictureReduced reads a picture of this stored size at: the
// largest shift that still covers the cover size (with the picture turned by
// its orientation), then further while the picture exceeds the budget.
constexpr int kMaxReductionShift = 16;
int ReductionShift(uint64_t width, uint64_t height, int orientation, const CoverSize& cover);

struct DecodedPicture {
    int width = 0;
    int height = 0;
    ProcessHeapBlock<uint32_t> pixels;   // 0xAARRGGBB, zeroed before the decoder writes
    int orientation = 1;          // EXIF 1..8
    // The stored picture's own size, which `width` and `height` are reduced
    // from; set as soon as the reader knows it, also when reading then fails.
    int wholeWidth = 0;
    int wholeHeight = 0;

    DecodedPicture() = default;
    DecodedPicture(const DecodedPicture&) = delete;
    DecodedPicture& operator=(const DecodedPicture&) = delete;

    // Checks the budget and takes zeroed pixel memory; an SpiResult.
    int Allocate(uint64_t w, uint64_t h);
    uint32_t* Row(int y) { return pixels.get() + static_cast<size_t>(width) * y; }
};

// The colour as BGRA in one word.
inline uint32_t Bgra(unsigned r, unsigned g, unsigned b, unsigned a = 255) { return a << 24 | r << 16 | g << 8 | b; }
