#include "drawex/chip_update.h"
#include <cstring>
#include "chip/saved_settings.h"
#include "picture/image_plugins.h"

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
    TakeSavedSettings(chip, info->savedData, tag);
    // Loaded afresh on every Update, even for the same path.
    ReleaseChipPicture(chip);
    chip->picture = LoadPictureFile(window, chip->picturePath);
    if (PlaceLoadedPicture(chip, window, tag)) result = 1;
    return result;
}
