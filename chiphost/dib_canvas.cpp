#include "dib_canvas.h"
// The DIB layout the library and the plug-ins share.
#include "win/dib_layout.h"

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
    if (!dc_.get() || width <= 0 || height <= 0) return;
    void* bits = nullptr;
    bitmap_ = GdiObject<HBITMAP>(NewTopDownDib32(dc_.get(), width, height, &bits));
    if (!bitmap_) return;
    displaced_ = SelectObject(dc_.get(), bitmap_.get());
    bits_ = static_cast<uint32_t*>(bits);
}

// The displaced bitmap goes back before the members delete the bitmap, then the DC.
DibCanvas::~DibCanvas() {
    if (displaced_) SelectObject(dc_.get(), displaced_);
}
