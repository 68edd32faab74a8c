#include "drawex/chip_update.h"
#include <cstring>
#include "chip/saved_settings.h"
#include "text/field_tokens.h"
#include "picture/shared_pictures.h"
#include "render/scaled_picture.h"
#include "chip/placement.h"

void ReleaseChipPicture(ChipState* chip) {
    ReleaseCopy(chip->picture);
    chip->picture = nullptr;
}

int RefreshChip(ChipState* chip, HWND window, const ChipInfo* info) {
    const COLORREF oldBack = chip->backColour;
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
    const int32_t oldPlacement = chip->placement;
    TakeSavedSettings(chip, info->savedData, tag);
    // The picture is found (or loaded) before the old copy is given back, so
    // an unchanged file this chip alone holds is not read again.
    ChipWish wish{chip, window};
    SharedPicture* picture = AcquirePicture(window, chip->picturePath, WishOf(&wish));
    const SIZE size = picture ? PictureSize(picture) : SIZE{0, 0};
    if (PlaceLoadedPicture(chip, tag, picture ? &size : nullptr)) result = 1;
    // The stored placement is carried out as the menu command it stands for,
    // with every effect that command has (a value past the layout's placements
    // lands on another command).
    if (picture && tag == kSettingsSizeCurrent)
        RunChipMenuCommand(chip, window, PlacementCommand(static_cast<uint32_t>(chip->placement), chip->fitMenu));
    // A copy of the same picture for the same placement and background stays
    // while it fits; any other is made anew.
    const bool keep = picture && PictureOfCopy(chip->picture) == picture && chip->placement == oldPlacement &&
                      chip->backColour == oldBack;
    const bool shown = picture && RefitChipPicture(chip, window, picture, !keep);
    DropIfUnheld(picture);
    if (!shown) {
        // Nothing to show, or no memory to show it: the warning pattern.
        ReleaseChipPicture(chip);
        if (picture && PlaceLoadedPicture(chip, tag, nullptr)) result = 1;
    }
    return result;
}

void TakePictureForPaint(ChipState* chip, HWND window) {
    if (chip->picture) {
        RefitChipPicture(chip, window, nullptr, false);
        return;
    }
    if (chip->pictureMissing != 0) return;
    ChipWish wish{chip, window};
    SharedPicture* picture = AcquirePicture(window, chip->picturePath, WishOf(&wish));
    if (!picture) return;
    RefitChipPicture(chip, window, picture, true);
    DropIfUnheld(picture);
}
