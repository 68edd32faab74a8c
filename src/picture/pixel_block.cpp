#include "picture/pixel_block.h"
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

namespace {
constexpr size_t kPagedBytes = size_t{1} << 20;
}  // namespace

PixelBlock& PixelBlock::operator=(PixelBlock&& other) noexcept {
    if (this != &other) {
        Free();
        width_ = other.width_;
        height_ = other.height_;
        heap_ = static_cast<ProcessHeapBlock<uint8_t>&&>(other.heap_);
        pages_ = static_cast<VirtualPages<uint8_t>&&>(other.pages_);
        pixels_ = other.pixels_;
        alpha = other.alpha;
        other.width_ = other.height_ = 0;
        other.pixels_ = nullptr;
    }
    return *this;
}

bool PixelBlock::Allocate(int32_t width, int32_t height) {
    Free();
    // Four bytes a pixel must fit a 32-bit size with room to spare.
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * height > (uint64_t{1} << 29)) return false;
    // A large picture gets pages of its own: dropped, it goes back to the
    // system whole, leaving no hole in the heap of a 32-bit host. A small one
    // comes from the heap, which is quicker to ask.
    const size_t bytes = static_cast<size_t>(width) * height * 4;
    if (bytes < kPagedBytes)
        heap_ = ProcessHeapBlock<uint8_t>(bytes);
    else
        pages_ = VirtualPages<uint8_t>(bytes);
    pixels_ = heap_ ? heap_.get() : pages_.get();
    if (!pixels_) return false;
    width_ = width;
    height_ = height;
    return true;
}

void PixelBlock::Free() {
    heap_ = ProcessHeapBlock<uint8_t>();
    pages_ = VirtualPages<uint8_t>();
    pixels_ = nullptr;
    width_ = height_ = 0;
    alpha = false;
}

bool ReadBitmapPixels(HBITMAP bitmap, bool alpha, PixelBlock* out) {
    DIBSECTION section{};
    const int got = bitmap ? GetObjectA(bitmap, sizeof(section), &section) : 0;
    if (got < static_cast<int>(sizeof(BITMAP))) return false;
    const LONG width = section.dsBm.bmWidth;
    const LONG height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    if (!out->Allocate(width, height)) return false;
    out->alpha = alpha;
    // A 24-bit DIB section, as the system loads most bitmap files, is widened
    // here as GDI would (the fourth byte zero), without asking it.
    if (got == sizeof(section) && section.dsBm.bmBits && section.dsBmih.biBitCount == 24 &&
        section.dsBmih.biCompression == BI_RGB) {
        GdiFlush();
        const size_t stride = DibRowBytes(width, 24);
        const bool topDown = section.dsBmih.biHeight < 0;
        for (LONG y = 0; y < height; ++y) {
            const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) +
                              stride * static_cast<size_t>(topDown ? y : height - 1 - y);
            auto* target = reinterpret_cast<uint32_t*>(out->pixels()) + static_cast<size_t>(y) * width;
            for (LONG x = 0; x < width; ++x, row += 3)
                target[x] = row[0] | static_cast<uint32_t>(row[1]) << 8 | static_cast<uint32_t>(row[2]) << 16;
        }
        return true;
    }
    MemoryDc dc(nullptr);
    BITMAPINFO dib = Dib32Info(width, -height);
    if (!dc.get() || GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), out->pixels(), &dib, DIB_RGB_COLORS) !=
                         height) {
        out->Free();
        return false;
    }
    return true;
}
