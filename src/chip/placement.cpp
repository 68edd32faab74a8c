#include "chip/placement.h"

namespace {
constexpr int64_t kScale = 1000000;

int32_t ScaleUp(int32_t extent, int64_t scale) {
    const int64_t product = static_cast<int64_t>(extent) * scale;
    int64_t result = product / kScale;
    if (result * kScale != product) result += 1;
    return static_cast<int32_t>(result);
}

}  // namespace

int ApplyPlacementCommand(ChipState* chip, HWND window, uint32_t command) {
    const int32_t placement = static_cast<int32_t>(command - LayoutCommandOffset(chip->fitMenu));
    const int result = placement != chip->placement ? 1 : 0;
    chip->placement = placement;
    RECT client{};
    GetClientRect(window, &client);
    SetDrawSize(chip, client.right - client.left, client.bottom - client.top);
    return result;
}

void SetDrawSize(ChipState* chip, int32_t clientWidth, int32_t clientHeight) {
    if (chip->placement == kPlacementFit) {
        chip->drawWidth = clientWidth;
        chip->drawHeight = clientHeight;
    } else if (chip->placement == kPlacementAspectFit) {
        CalcAspectFitSize(chip->pictureWidth, chip->pictureHeight, clientWidth, clientHeight, &chip->drawWidth,
                          &chip->drawHeight);
    } else {
        DrawAtPictureSize(chip);
    }
}

void DrawAtPictureSize(ChipState* chip) {
    chip->drawWidth = chip->pictureWidth;
    chip->drawHeight = chip->pictureHeight;
}

void DrawAtDefaultSize(ChipState* chip) {
    chip->drawWidth = kDefaultDrawWidth;
    chip->drawHeight = kDefaultDrawHeight;
}

int RunChipMenuCommand(ChipState* chip, HWND window, uint32_t command) {
    if (command >= kCmdPlacement0 && command <= kCmdPlacement3) return ApplyPlacementCommand(chip, window, command);
    if (command >= kCmdAlignLeft && command <= kCmdAlignRight) {
        const int32_t align = static_cast<int32_t>(command - kCmdAlignLeft);
        const int result = align != chip->textAlign ? 1 : 0;
        chip->textAlign = align;
        return result;
    }
    if (command == kCmdSizeByPicture || command == kCmdSizeByText) {
        const int result = chip->sizingMode != static_cast<int32_t>(command) ? 2 : 0;
        chip->sizingMode = static_cast<int32_t>(command);
        return result;
    }
    chip->fitMenu = chip->fitMenu == 0 ? 1 : 0;
    return 0;
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
