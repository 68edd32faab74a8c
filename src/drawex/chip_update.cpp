#include "drawex/chip_update.h"
#include <cstring>
#include "chip/saved_settings.h"
#include "text/field_tokens.h"
#include "picture/shared_pictures.h"
#include "chip/placement.h"

void ReleaseChipPicture(ChipState* chip) {
    ReleasePicture(chip->picture);
    chip->picture = nullptr;
}

int RefreshChip(ChipState* chip, HWND window, const ChipInfo* info) {
    chip->textColour = info->textColour;
    chip->backColour = info->backColour;
    std::memcpy(&chip->textFont, &info->textFont, sizeof(LOGFONTA));

    const int hasTime = ScanFieldTokens(chip, info->chipText ? info->chipText : "");
    chip->lastTimeValue = -1;
    chip->hasTimeField = hasTime;
    chip->timerSpan = hasTime ? 1 : -1;

    int result = chip->dateOffset != -1 ? 1 : 0;
    uint32_t tag = 0;
    if (!ReadSettingsTag(info->savedData, &tag)) {
        SetDefaultSettings(chip);
        return result;
    }
    HBITMAP previous = chip->picture;
    TakeSavedSettings(chip, info->savedData, tag);
    // The new picture is taken before the old one is given back, so an
    // unchanged file this chip alone holds is not read again.
    chip->picture = AcquirePicture(window, chip->picturePath);
    ReleasePicture(previous);
    if (PlaceLoadedPicture(chip, tag)) result = 1;
    // The stored placement is carried out as the menu command it stands for,
    // with every effect that command has (a value past the layout's placements
    // lands on another command).
    if (chip->picture && tag == kSettingsSizeCurrent)
        RunChipMenuCommand(chip, window, PlacementCommand(static_cast<uint32_t>(chip->placement), chip->fitMenu));
    return result;
}
