// A 32-bit top-down DIB section selected into its own memory DC. The canvas
// owns both and selects the displaced bitmap back before deleting them.
#pragma once
#include <windows.h>
#include <cstdint>

class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // 0x00RRGGBB pixels, row by row from the top; GdiFlush before reading.
    uint32_t* bits() const { return bits_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ displaced_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// Selects an object into a DC for one scope; deletes it afterwards when owned.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object, bool owned)
        : dc_(dc), object_(object), owned_(owned), displaced_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (displaced_) SelectObject(dc_, displaced_);
        if (owned_ && object_) DeleteObject(object_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_;
    bool owned_;
    HGDIOBJ displaced_;
};
