#include "drawex/chip_update.h"
#include <cstring>
#include "chip/saved_settings.h"
#include "picture/shared_pictures.h"

void ReleaseChipPicture(ChipState* chip) {
    ReleasePicture(chip->picture);
    chip->picture = nullptr;
}

namespace {
// A chip without saved settings: text-sized, top left, fields in the text's look.
void SetDefaultSettings(ChipState* chip) {
    chip->pictureWidth = chip->drawWidth = 160;
    chip->pictureHeight = chip->drawHeight = 90;
    chip->dateColour = chip->timeColour = chip->textColour;
    chip->dateFont = chip->textFont;
    chip->timeFont = chip->textFont;
    chip->placement = kPlacementTopLeft;
    chip->textAlign = kAlignLeft;
    chip->sizingMode = kSizeByText;
    chip->dateFormat = 0;
    chip->timeFormat = 0;
}
}  // namespace

int UpdateChip(HLOCAL handle, ChipState* chip, HWND window, const ChipInfo* info) {
    chip->textColour = info->textColour;
    chip->backColour = info->backColour;
    std::memcpy(&chip->textFont, &info->textFont, sizeof(LOGFONTA));

    const int hasTime = ScanFieldTokens(chip, info->chipText ? info->chipText : "");
    chip->lastTimeValue = -1;
    chip->hasTimeField = hasTime;
    chip->timerSpan = hasTime ? 1 : -1;

    int result = chip->dateOffset != -1 ? 1 : 0;
    uint8_t* saved = info->savedData;
    uint32_t tag = 0;
    if (saved) std::memcpy(&tag, saved, sizeof(tag));
    if (tag == kSettingsSizeCurrent || tag == kSettingsSizeOlder) {
        if (ApplySavedSettings(handle, chip, window, saved, tag)) result = 1;
    } else {
        SetDefaultSettings(chip);
    }
    return result;
}
