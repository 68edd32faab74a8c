// The placement rule: the menu's command numbers, its two placement layouts,
// and the drawn size each placement gives the picture. The menu and Update's
// replay of a stored placement both go through it.
#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"

// Menu commands. The two sizing commands are also sizingMode's values.
enum : uint32_t {
    kCommandBase = kFirstMenuCommand,
    kCmdPlacement0 = kCommandBase, kCmdPlacement1 = kCommandBase + 1, kCmdPlacement2 = kCommandBase + 2,
    kCmdPlacement3 = kCommandBase + 3, kCmdSwitchLayout = kCommandBase + 4, kCmdAlignLeft = kCommandBase + 5,
    kCmdAlignCentre = kCommandBase + 6, kCmdAlignRight = kCommandBase + 7,
    kCmdSizeByPicture = kSizeByPicture, kCmdSizeByText = kSizeByText,
};
static_assert(kCmdSizeByPicture == kCommandBase + 8 && kCmdSizeByText == kLastMenuCommand, "menu commands");

// The menu lists the corners (placements 0..3) or, in its fit layout, tile and
// the two fits (4..6) on the same first commands.
constexpr uint32_t kFitLayoutFirstPlacement = 4;

// The layout that lists `placement`: 1 for the fit layout, else 0.
inline int32_t LayoutOf(uint32_t placement) { return placement >= kFitLayoutFirstPlacement ? 1 : 0; }

// What a placement command adds to a placement in `fitMenu`'s layout: 10000,
// or 9996 in the fit layout.
inline uint32_t LayoutCommandOffset(int32_t fitMenu) {
    return fitMenu == 0 ? kCommandBase : kCommandBase - kFitLayoutFirstPlacement;
}

// The command that picks `placement` in `fitMenu`'s layout.
inline uint32_t PlacementCommand(uint32_t placement, int32_t fitMenu) {
    return placement + LayoutCommandOffset(fitMenu);
}

// Carries out a menu command on a locked chip: 1 when placement or alignment
// changed, 2 when the sizing mode changed, else 0.
int RunChipMenuCommand(ChipState* chip, HWND window, uint32_t command);

// Carries out placement command 10000..10003 on a locked chip: sets placement
// and the drawn size for the window's client area. 1 when the placement
// changed, else 0; the size is worked out either way.
int ApplyPlacementCommand(ChipState* chip, HWND window, uint32_t command);

// The drawn size the chip's placement gives its picture in a client area of
// clientWidth x clientHeight: the client's size when stretched, the largest
// size of the picture's aspect ratio within it when fitted, else the picture's.
void SetDrawSize(ChipState* chip, int32_t clientWidth, int32_t clientHeight);

// The picture drawn at its own size: in a corner or tiled, and whenever a
// placement is not replayed (settings of the older form).
void DrawAtPictureSize(ChipState* chip);

// No picture to draw: the drawn size is the default size.
void DrawAtDefaultSize(ChipState* chip);

// Stretched or fitted: drawn at a size of its own, scaled from the picture.
// A placement past the last counts too; its drawn size is the picture's own.
inline bool IsStretched(int32_t placement) { return static_cast<uint32_t>(placement) > kPlacementTile; }

// The largest size of the picture's aspect ratio within the client, on a
// fixed-point scale of 1,000,000, rounded up after one truncation.
void CalcAspectFitSize(int32_t pictureWidth, int32_t pictureHeight, int32_t clientWidth,
                       int32_t clientHeight, int32_t* width, int32_t* height);
