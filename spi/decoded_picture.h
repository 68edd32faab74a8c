// A decoded picture as every reader delivers it: top-down rows of BGRA pixels
// with straight alpha, on the process heap, plus the EXIF orientation that
// says how it is meant to be viewed.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// The pixel budget: pictures wider or taller than kMaxPictureSide, or with more
// than kMaxPicturePixels pixels, are refused from their header, before any
// pixel memory is allocated (kSpiOutOfMemory).
constexpr int kMaxPictureSide = 16384;
constexpr uint32_t kMaxPicturePixels = 64u * 1024 * 1024;

inline bool WithinBudget(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

struct DecodedPicture {
    int width = 0;
    int height = 0;
    uint32_t* pixels = nullptr;   // 0xAARRGGBB, zeroed before the decoder writes
    int orientation = 1;          // EXIF 1..8

    DecodedPicture() = default;
    ~DecodedPicture() {
        if (pixels) HeapFree(GetProcessHeap(), 0, pixels);
    }
    DecodedPicture(const DecodedPicture&) = delete;
    DecodedPicture& operator=(const DecodedPicture&) = delete;

    // Checks the budget and takes zeroed pixel memory; an SpiResult.
    int Allocate(uint64_t w, uint64_t h);
    uint32_t* Row(int y) { return pixels + static_cast<size_t>(width) * y; }
};

// The colour as BGRA in one word.
inline uint32_t Bgra(unsigned r, unsigned g, unsigned b, unsigned a = 255) { return a << 24 | r << 16 | g << 8 | b; }
