// What the host sees of the library: the records it lays out and passes in,
// the settings blocks it stores, and the nineteen exports it looks up by name.
// Offsets are the host's and are binding; bytes not named here are neither
// read nor written. Hosts include only this header; the handle guards it
// brings hold the global memory blocks a host hands over and keeps.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "win/kernel_guards.h"

// Paths are texts in buffers of this many bytes, terminator included.
constexpr int kPathSize = 260;

// The library's menu commands, which DoDrawExMenu takes: 10000..10009. The
// last two are also the sizing modes: a chip's default size comes from its
// picture or from its text.
constexpr uint32_t kFirstMenuCommand = 10000;
constexpr uint32_t kLastMenuCommand = 10009;
enum : int32_t { kSizeByPicture = 10008, kSizeByText = 10009 };

// The drawn size of a chip whose picture is missing, cannot be read or is not
// yet chosen: what the default size by picture gives then.
constexpr int32_t kDefaultDrawWidth = 160;
constexpr int32_t kDefaultDrawHeight = 90;

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

// The 408-byte block the settings dialog writes and GetSaveData stores behind
// its size tag. The host keeps these bytes between its runs, so this layout and
// SavedChipData are storage formats and must not change.
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

// The exports, all cdecl, as a host holds them once looked up.
struct DrawExExports {
    int(__cdecl* DrawExSpecification)(void* record) = nullptr;   // a PluginSpec of at least 72 bytes
    int(__cdecl* DrawExConfigure)(HWND owner) = nullptr;
    int(__cdecl* DrawExAbout)(HWND owner) = nullptr;
    int(__cdecl* InitializeChip)(HLOCAL* chip, HWND window, ChipInfo* info) = nullptr;
    int(__cdecl* UnInitializeChip)(HLOCAL chip) = nullptr;
    int(__cdecl* CalcDefaultRect)(HLOCAL chip, HWND window, int32_t* size, const char* text) = nullptr;
    int(__cdecl* DrawChip)(HLOCAL chip, HWND window, HDC dc, const char* text) = nullptr;
    int(__cdecl* MouseClik)() = nullptr;
    int(__cdecl* Resize)(HLOCAL chip, HWND window) = nullptr;
    int(__cdecl* Zoom)(HLOCAL chip, int32_t unused, int32_t state) = nullptr;
    int(__cdecl* Update)(HLOCAL chip, HWND window, ChipInfo* info) = nullptr;
    int(__cdecl* ExchangeSendString)() = nullptr;
    int(__cdecl* GetMemoString)(int32_t unused, char* buffer, int32_t size) = nullptr;
    INT_PTR(__cdecl* EditHelper)(HWND owner, EditRequest* request) = nullptr;
    HMENU(__cdecl* GetDrawExMenu)(HLOCAL chip) = nullptr;
    int(__cdecl* DoDrawExMenu)(HLOCAL chip, HWND window, uint32_t command) = nullptr;
    int(__cdecl* GetSaveData)(HLOCAL chip, int32_t unused, HGLOBAL* block) = nullptr;
    int(__cdecl* GetTimerSpan)(HLOCAL chip) = nullptr;
    int(__cdecl* DoTimer)(HLOCAL chip) = nullptr;
};

// Each export's name and its slot in DrawExExports, in the order above.
struct DrawExExportRow {
    const char* name;
    size_t slot;   // offset in DrawExExports
};
#define DRAWEX_EXPORT_ROW(name) {#name, offsetof(DrawExExports, name)}
inline constexpr DrawExExportRow kDrawExExports[] = {
    DRAWEX_EXPORT_ROW(DrawExSpecification), DRAWEX_EXPORT_ROW(DrawExConfigure), DRAWEX_EXPORT_ROW(DrawExAbout),
    DRAWEX_EXPORT_ROW(InitializeChip), DRAWEX_EXPORT_ROW(UnInitializeChip), DRAWEX_EXPORT_ROW(CalcDefaultRect),
    DRAWEX_EXPORT_ROW(DrawChip), DRAWEX_EXPORT_ROW(MouseClik), DRAWEX_EXPORT_ROW(Resize), DRAWEX_EXPORT_ROW(Zoom),
    DRAWEX_EXPORT_ROW(Update), DRAWEX_EXPORT_ROW(ExchangeSendString), DRAWEX_EXPORT_ROW(GetMemoString),
    DRAWEX_EXPORT_ROW(EditHelper), DRAWEX_EXPORT_ROW(GetDrawExMenu), DRAWEX_EXPORT_ROW(DoDrawExMenu),
    DRAWEX_EXPORT_ROW(GetSaveData), DRAWEX_EXPORT_ROW(GetTimerSpan), DRAWEX_EXPORT_ROW(DoTimer),
};
#undef DRAWEX_EXPORT_ROW
static_assert(sizeof(kDrawExExports) / sizeof(kDrawExExports[0]) == 19, "nineteen exports");
static_assert(sizeof(DrawExExports) == 19 * sizeof(void*), "one slot per export");

// Stores a looked-up address in an export's slot.
inline void SetExportSlot(DrawExExports* exports, const DrawExExportRow& row, FARPROC address) {
    std::memcpy(reinterpret_cast<char*>(exports) + row.slot, &address, sizeof(address));
}
