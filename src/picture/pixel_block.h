// Decoded pictures as the picture cache keeps them: 32-bit top-down pixels in
// plain memory (pages of their own when large), not GDI objects, so that the
// cache's budget is all a held picture costs and running out of memory is an
// answer, not a fault.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/kernel_guards.h"

class PixelBlock {
public:
    PixelBlock() = default;
    ~PixelBlock() { Free(); }
    PixelBlock(PixelBlock&& other) noexcept { *this = static_cast<PixelBlock&&>(other); }
    PixelBlock& operator=(PixelBlock&& other) noexcept;
    PixelBlock(const PixelBlock&) = delete;
    PixelBlock& operator=(const PixelBlock&) = delete;

    // Room for width x height pixels, the old pixels given back first; false
    // (and empty) when the sizes are not positive or memory runs out.
    bool Allocate(int32_t width, int32_t height);
    void Free();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint8_t* pixels() const { return pixels_; }
    size_t bytes() const { return static_cast<size_t>(width_) * height_ * 4; }
    explicit operator bool() const { return pixels_ != nullptr; }

    // The fourth byte is premultiplied alpha, drawn over the background.
    bool alpha = false;

private:
    int32_t width_ = 0, height_ = 0;
    // One of the two holds the pixels: small pictures come from the heap,
    // large ones have pages of their own.
    ProcessHeapBlock<uint8_t> heap_;
    VirtualPages<uint8_t> pages_;
    uint8_t* pixels_ = nullptr;
};

// The bitmap's pixels as GDI copies them into a 32-bit DIB (the same values a
// copy to the screen shows). False when it cannot be read or memory runs out.
bool ReadBitmapPixels(HBITMAP bitmap, bool alpha, PixelBlock* out);
