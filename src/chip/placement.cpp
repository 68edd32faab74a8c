#include "chip/placement.h"

namespace {
constexpr int64_t kScale = 1000000;

int32_t ScaleUp(int32_t extent, int64_t scale) {
    const int64_t product = static_cast<int64_t>(extent) * scale;
    int64_t result = product / kScale;
    if (result * kScale != product) result += 1;
    return static_cast<int32_t>(result);
}

// The drawn size a placement command sets, given the window's client area.
void SetDrawSizeFor(ChipState* chip, HWND window, uint32_t command) {
    RECT client{};
    GetClientRect(window, &client);
    const int32_t cw = client.right - client.left;
    const int32_t ch = client.bottom - client.top;
    if (chip->fitMenu == 1 && command == kCmdPlacement1) {
        chip->drawWidth = cw;
        chip->drawHeight = ch;
    } else if (chip->fitMenu == 1 && command == kCmdPlacement2) {
        CalcAspectFitSize(chip->pictureWidth, chip->pictureHeight, cw, ch, &chip->drawWidth, &chip->drawHeight);
    } else {
        chip->drawWidth = chip->pictureWidth;
        chip->drawHeight = chip->pictureHeight;
    }
}
}  // namespace

int ApplyPlacementCommand(ChipState* chip, HWND window, uint32_t command) {
    const int32_t placement = static_cast<int32_t>(command - LayoutCommandOffset(chip->fitMenu));
    const int result = placement != chip->placement ? 1 : 0;
    chip->placement = placement;
    SetDrawSizeFor(chip, window, command);
    return result;
}

void CalcAspectFitSize(int32_t pictureWidth, int32_t pictureHeight, int32_t clientWidth, int32_t clientHeight,
                       int32_t* width, int32_t* height) {
    // Products in 64 bits; a picture without extent has nothing to fit.
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        *width = 0;
        *height = 0;
        return;
    }
    const int64_t sx = static_cast<int64_t>(clientWidth) * kScale / pictureWidth;
    const int64_t sy = static_cast<int64_t>(clientHeight) * kScale / pictureHeight;
    const int64_t s = sx < sy ? sx : sy;
    *width = ScaleUp(pictureWidth, s);
    *height = ScaleUp(pictureHeight, s);
}
