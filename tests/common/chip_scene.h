// A chip in a real window of a chosen client size, created and painted through
// the exports as the host does.
#pragma once
#include <memory>
#include <string>
#include "chip_peek.h"
#include "chip_pictures.h"
#include "test_support.h"

constexpr COLORREF kBack = RGB(0, 0, 200);
constexpr COLORREF kInk = RGB(0, 255, 0);

class ChipScene {
public:
    ChipScene(int clientWidth, int clientHeight, const std::string& text, const ChipSettings* settings = nullptr,
              uint32_t sizeTag = kSettingsSizeCurrent)
        : window_(clientWidth, clientHeight), host_(text, 0), width_(clientWidth), height_(clientHeight) {
        host_.info.backColour = kBack;
        host_.info.textColour = kInk;
        host_.info.textFont = MakeFont(-16, "Arial");
        if (settings) host_.SetSettings(*settings, sizeTag);
        chip_ = std::make_unique<ScopedChip>(window_.get(), &host_.info);
    }
    HLOCAL chip() const { return chip_->get(); }
    HWND window() const { return window_.get(); }
    HostChip& host() { return host_; }
    ChipState state() const { return chip_->state(); }
    // A new client size; the host would call Resize next.
    void SetClientSize(int clientWidth, int clientHeight) {
        window_.SetClientSize(clientWidth, clientHeight);
        width_ = clientWidth;
        height_ = clientHeight;
    }

    std::unique_ptr<PixelCanvas> Paint(COLORREF fill = RGB(1, 2, 3)) {
        auto canvas = std::make_unique<PixelCanvas>(width_ > 0 ? width_ : 1, height_ > 0 ? height_ : 1, fill);
        EXPECT_EQ(Library().DrawChip(chip(), window(), canvas->dc(), host_.text.c_str()), 1);
        return canvas;
    }

private:
    TestWindow window_;
    HostChip host_;
    int width_, height_;
    std::unique_ptr<ScopedChip> chip_;
};

// Bounds of the pixels of one colour within a rectangle; empty when none.
inline RECT FindColour(const PixelCanvas& canvas, COLORREF colour, RECT area) {
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (canvas.At(x, y) == colour) {
                if (x < found.left) found.left = x;
                if (y < found.top) found.top = y;
                if (x + 1 > found.right) found.right = x + 1;
                if (y + 1 > found.bottom) found.bottom = y + 1;
            }
    if (found.left == LONG_MAX) return RECT{0, 0, 0, 0};
    return found;
}
