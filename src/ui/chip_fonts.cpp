#include "ui/chip_fonts.h"
#include "chip/chip_state.h"

namespace {
constexpr char kChipProperty[] = "Brimsel.Chip";
// Owner chains are short: font dialog, settings dialog, chip.
constexpr int kOwnerDepth = 8;

BOOL CALLBACK UnlinkWindow(HWND window, LPARAM chip) {
    if (GetPropA(window, kChipProperty) == reinterpret_cast<HANDLE>(chip)) RemovePropA(window, kChipProperty);
    return TRUE;
}

// Top-level windows, and their children: a host may show chips in either.
BOOL CALLBACK UnlinkWindowTree(HWND window, LPARAM chip) {
    UnlinkWindow(window, chip);
    EnumChildWindows(window, UnlinkWindow, chip);
    return TRUE;
}
}  // namespace

void LinkChipWindow(HLOCAL chip, HWND window) {
    if (chip && window) SetPropA(window, kChipProperty, chip);
}

void UnlinkChipWindows(HLOCAL chip) {
    if (chip) EnumThreadWindows(GetCurrentThreadId(), UnlinkWindowTree, reinterpret_cast<LPARAM>(chip));
}

bool FindChipFont(HWND window, LOGFONTA* font) {
    for (int depth = 0; window && depth < kOwnerDepth; ++depth) {
        if (HANDLE chip = GetPropA(window, kChipProperty)) {
            const ChipLock lock(static_cast<HLOCAL>(chip));
            if (lock && lock->textFont.lfFaceName[0] != '\0') {
                *font = lock->textFont;
                return true;
            }
        }
        window = GetWindow(window, GW_OWNER);
    }
    return false;
}
