#include "hosted_chip.h"
#include <algorithm>
#include <cstring>

namespace {
void PointInfo(HostedChip* chip) {
    chip->info.chipText = chip->text.c_str();
    chip->info.textColour = chip->textColour;
    chip->info.backColour = chip->backColour;
    chip->info.textFont = chip->font;
    chip->info.savedData = chip->saved.data();
}
}  // namespace

HostedChip::HostedChip() : saved(sizeof(SavedChipData), 0) {
    font.lfHeight = -14;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyA(font.lfFaceName, "IPAGothic");
}

void SetSavedBytes(HostedChip* chip, uint32_t tag, const void* block, size_t size) {
    chip->saved.assign(std::max(sizeof(SavedChipData), size + 4), 0);
    std::memcpy(chip->saved.data(), &tag, 4);
    if (size) std::memcpy(chip->saved.data() + 4, block, size);
}

void SetSavedSettings(HostedChip* chip, const ChipSettings& settings) {
    SetSavedBytes(chip, kSettingsSizeCurrent, &settings, sizeof settings);
}

uint32_t SavedTag(const HostedChip& chip) {
    uint32_t tag = 0;
    std::memcpy(&tag, chip.saved.data(), 4);
    return tag;
}

ChipSettings SavedSettings(const HostedChip& chip) {
    ChipSettings s{};
    std::memcpy(&s, chip.saved.data() + 4, sizeof s);
    return s;
}

void StartChip(const DrawExLibrary& library, HostedChip* chip, HWND window) {
    chip->window = window;
    PointInfo(chip);
    library.InitializeChip(&chip->handle, window, &chip->info);
}

int UpdateChip(const DrawExLibrary& library, HostedChip* chip) {
    PointInfo(chip);
    return library.Update(chip->handle, chip->window, &chip->info);
}

void EndChip(const DrawExLibrary& library, HostedChip* chip) {
    if (chip->handle) library.UnInitializeChip(chip->handle);
    chip->handle = nullptr;
}

bool FetchSaveData(const DrawExLibrary& library, HostedChip* chip) {
    if (!chip->saveBlock) chip->saveBlock.Reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4));
    if (!chip->saveBlock) return false;
    library.GetSaveData(chip->handle, 0, chip->saveBlock.InOut());
    const SIZE_T size = chip->saveBlock.size();
    const LockedGlobal<const uint8_t> bytes(chip->saveBlock.get());
    if (!bytes) return false;
    uint32_t tag = 0;
    if (size >= 4) std::memcpy(&tag, bytes.get(), 4);
    const bool ok = size >= sizeof(SavedChipData) && tag == kSettingsSizeCurrent;
    if (ok) {
        chip->saved.assign(bytes.get(), bytes.get() + size);
        PointInfo(chip);
    }
    return ok;
}

SIZE DefaultOuterSize(const DrawExLibrary& library, HostedChip* chip, DWORD style) {
    int32_t size[2] = {0, 0};
    if (library.CalcDefaultRect(chip->handle, chip->window, size, chip->text.c_str()) != 0) {
        RECT r{};
        GetWindowRect(chip->window, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    return OuterSizeForStyle(SIZE{std::max<int32_t>(size[0], 1), std::max<int32_t>(size[1], 1)}, style);
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, kChipExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE OuterSizeForStyle(SIZE outer, DWORD style) {
    const SIZE plain = OuterSizeForClient(0, 0);
    const SIZE styled = OuterSizeForClient(0, 0, style);
    return SIZE{std::max<LONG>(outer.cx - plain.cx + styled.cx, 1), std::max<LONG>(outer.cy - plain.cy + styled.cy, 1)};
}
