// The pixel budget, one rule for the library and the plug-in: pictures wider
// or taller than kMaxPictureSide, or with more than kMaxPicturePixels pixels,
// are refused from their header, before any pixel memory is taken. The
// library applies it to the bitmaps whose size only their header bounds
// (compressed ones), the plug-in to every picture it reads.
#pragma once
#include <cstdint>

constexpr int kMaxPictureSide = 16384;
constexpr uint32_t kMaxPicturePixels = 64u * 1024 * 1024;

inline bool WithinBudget(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}
