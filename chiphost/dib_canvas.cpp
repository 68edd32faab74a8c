#include "dib_canvas.h"
// The DIB layout the library and the plug-ins share.
#include "win/dib_layout.h"

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_ || width <= 0 || height <= 0) return;
    void* bits = nullptr;
    bitmap_ = NewTopDownDib32(dc_, width, height, &bits);
    if (!bitmap_) return;
    displaced_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
}

DibCanvas::~DibCanvas() {
    if (displaced_) SelectObject(dc_, displaced_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
}
