#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"

enum : uint32_t {
    kCmdPlacement0 = 10000, kCmdPlacement1 = 10001, kCmdPlacement2 = 10002,
    kCmdPlacement3 = 10003, kCmdSwitchLayout = 10004, kCmdAlignLeft = 10005,
    kCmdAlignCentre = 10006, kCmdAlignRight = 10007, kCmdSizeByPicture = 10008,
    kCmdSizeByText = 10009,
};

// Builds the chip's context menu; the host owns it afterwards.
HMENU BuildChipMenu(const ChipState* chip);

// Carries out a menu command: 1 when placement or alignment changed, 2 when the
// sizing mode changed, else 0.
int RunChipMenuCommand(ChipState* chip, HWND window, uint32_t command);
