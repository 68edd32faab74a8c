// Stored per-chip settings. The host keeps these bytes between its runs, so both
// layouts are storage formats and must not change.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "chip/chip_state.h"

#pragma pack(push, 1)

// The 408-byte block the settings dialog writes and GetSaveData stores behind
// its size tag.
struct ChipSettings {
    uint32_t placement;        // 0..6; 10000 and up is a menu command, less 10000
    int32_t textAlign;
    int32_t sizingMode;        // 10008 / 10009; 0 is read as 10008
    char picturePath[kPathSize];
    COLORREF dateColour;
    LOGFONTA dateFont;         // empty face name: use the chip's text font and colour
    int32_t dateFormat;
    COLORREF timeColour;
    LOGFONTA timeFont;
    int32_t timeFormat;
};
static_assert(offsetof(ChipSettings, placement) == 0, "ChipSettings layout");
static_assert(offsetof(ChipSettings, textAlign) == 4, "ChipSettings layout");
static_assert(offsetof(ChipSettings, sizingMode) == 8, "ChipSettings layout");
static_assert(offsetof(ChipSettings, picturePath) == 12, "ChipSettings layout");
static_assert(offsetof(ChipSettings, dateColour) == 272, "ChipSettings layout");
static_assert(offsetof(ChipSettings, dateFont) == 276, "ChipSettings layout");
static_assert(offsetof(ChipSettings, dateFormat) == 336, "ChipSettings layout");
static_assert(offsetof(ChipSettings, timeColour) == 340, "ChipSettings layout");
static_assert(offsetof(ChipSettings, timeFont) == 344, "ChipSettings layout");
static_assert(offsetof(ChipSettings, timeFormat) == 404, "ChipSettings layout");
static_assert(sizeof(ChipSettings) == 408, "ChipSettings layout");

// The older form holds only the first four fields.
constexpr uint32_t kSettingsSizeCurrent = 408;
constexpr uint32_t kSettingsSizeOlder = 272;
static_assert(offsetof(ChipSettings, dateColour) == kSettingsSizeOlder, "older form");

// What the host hands back through ChipInfo::savedData.
struct SavedChipData {
    uint32_t sizeTag;          // 408 current, 272 older, anything else: no settings
    ChipSettings settings;
    uint8_t unused[4];         // GetSaveData's block is 416 bytes; these are not written
};
static_assert(offsetof(SavedChipData, settings) == 4, "SavedChipData layout");
static_assert(sizeof(SavedChipData) == 416, "SavedChipData layout");

#pragma pack(pop)

constexpr uint32_t kCommandBase = 10000;

// Reads a stored placement: a value of 10000 or more is a corner command.
inline uint32_t ReducePlacement(uint32_t stored) {
    return stored >= kCommandBase ? stored - kCommandBase : stored;
}

// Applies the saved settings at `saved` (size tag 408 or 272) to a locked chip.
// Writes the reduced placement back into the host's record. Returns 1 when the
// sizing mode was switched to by-text because no picture file is named.
int ApplySavedSettings(HLOCAL handle, ChipState* chip, HWND window, uint8_t* saved, uint32_t tag);

// Re-allocates *block to 416 bytes and writes the chip's settings into it.
void WriteSaveData(const ChipState* chip, HGLOBAL* block);
