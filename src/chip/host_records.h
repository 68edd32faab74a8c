// Records that the host lays out and passes in. Offsets are the host's and are
// binding; bytes not named here are neither read nor written.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Passed to InitializeChip and Update. Owned by the host; no pointer into it
// is kept after the call.
struct ChipInfo {
    uint8_t reserved0[72];
    const char* chipText;      // zero-terminated, never null
    COLORREF textColour;
    COLORREF backColour;
    LOGFONTA textFont;
    uint8_t reserved144[4];
    uint8_t* savedData;        // SavedChipData: 4-byte size tag, then settings; writable
};
static_assert(offsetof(ChipInfo, chipText) == 72, "ChipInfo layout");
static_assert(offsetof(ChipInfo, textColour) == 76, "ChipInfo layout");
static_assert(offsetof(ChipInfo, backColour) == 80, "ChipInfo layout");
static_assert(offsetof(ChipInfo, textFont) == 84, "ChipInfo layout");
static_assert(offsetof(ChipInfo, savedData) == 148, "ChipInfo layout");
static_assert(sizeof(ChipInfo) == 152, "ChipInfo layout");

// Filled by DrawExSpecification; at least 72 bytes.
struct PluginSpec {
    int32_t firstValue;        // 256
    int32_t secondValue;       // 256
    char displayName[52];      // only the name and its terminator are written
    int32_t thirdValue;        // 111
    int32_t fourthValue;       // 2
    int32_t fifthValue;        // 220
};
static_assert(offsetof(PluginSpec, firstValue) == 0, "PluginSpec layout");
static_assert(offsetof(PluginSpec, secondValue) == 4, "PluginSpec layout");
static_assert(offsetof(PluginSpec, displayName) == 8, "PluginSpec layout");
static_assert(offsetof(PluginSpec, thirdValue) == 60, "PluginSpec layout");
static_assert(offsetof(PluginSpec, fourthValue) == 64, "PluginSpec layout");
static_assert(offsetof(PluginSpec, fifthValue) == 68, "PluginSpec layout");
static_assert(sizeof(PluginSpec) == 72, "PluginSpec layout");

// Passed to EditHelper; the settings dialog reads and replaces its block.
struct EditRequest {
    uint8_t reserved0[12];
    uint32_t settingsSize;     // bytes in settingsBlock; 408 after a confirmed dialog
    HGLOBAL settingsBlock;     // null, or the chip's ChipSettings (no size tag)
};
static_assert(offsetof(EditRequest, settingsSize) == 12, "EditRequest layout");
static_assert(offsetof(EditRequest, settingsBlock) == 16, "EditRequest layout");
static_assert(sizeof(EditRequest) == 20, "EditRequest layout");

#pragma pack(pop)
