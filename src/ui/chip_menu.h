// The chip's context menu as the host shows it; its commands are carried out
// by RunChipMenuCommand (chip/placement.h).
#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"
#include "chip/placement.h"

// Builds the chip's context menu; the host owns it afterwards.
HMENU BuildChipMenu(const ChipState* chip);
