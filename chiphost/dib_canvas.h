// A 32-bit top-down DIB section selected into its own memory DC. The canvas
// owns both and selects the displaced bitmap back before deleting them.
#pragma once
#include <windows.h>
#include <cstdint>
#include "win/gdi_guards.h"

class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // 0x00RRGGBB pixels, row by row from the top; GdiFlush before reading.
    uint32_t* bits() const { return bits_; }

private:
    int width_, height_;
    MemoryDc dc_{nullptr};
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ displaced_ = nullptr;
    uint32_t* bits_ = nullptr;
};
