#include "chip/saved_settings.h"
#include <cstring>
#include "chip/placement.h"

namespace {
bool HasFaceName(const LOGFONTA& font) { return font.lfFaceName[0] != '\0'; }

// A field keeps its stored look only when a font was chosen for it.
void TakeFieldLook(const ChipState* chip, const LOGFONTA& storedFont, COLORREF storedColour,
                   LOGFONTA* font, COLORREF* colour) {
    if (HasFaceName(storedFont)) {
        *font = storedFont;
        *colour = storedColour;
    } else {
        *font = chip->textFont;
        *colour = chip->textColour;
    }
}
}  // namespace

bool ReadSettingsTag(const uint8_t* saved, uint32_t* tag) {
    *tag = 0;
    if (saved) std::memcpy(tag, saved, sizeof(*tag));
    return *tag == kSettingsSizeCurrent || *tag == kSettingsSizeOlder;
}

void TakeSavedSettings(ChipState* chip, uint8_t* saved, uint32_t tag) {
    // The record may sit at any address in the host's memory: work on a copy
    // and write back only the corrected placement.
    ChipSettings stored{};
    std::memcpy(&stored, saved + offsetof(SavedChipData, settings), tag);

    const uint32_t reduced = ReducePlacement(stored.placement);
    if (reduced != stored.placement) {
        stored.placement = reduced;
        std::memcpy(saved + offsetof(SavedChipData, settings) + offsetof(ChipSettings, placement),
                    &stored.placement, sizeof(stored.placement));
    }
    chip->placement = static_cast<int32_t>(stored.placement);
    chip->fitMenu = LayoutOf(stored.placement);
    chip->textAlign = stored.textAlign;
    chip->sizingMode = stored.sizingMode == 0 ? kSizeByPicture : stored.sizingMode;

    if (tag == kSettingsSizeCurrent) {
        TakeFieldLook(chip, stored.dateFont, stored.dateColour, &chip->dateFont, &chip->dateColour);
        TakeFieldLook(chip, stored.timeFont, stored.timeColour, &chip->timeFont, &chip->timeColour);
        chip->dateFormat = stored.dateFormat;
        chip->timeFormat = stored.timeFormat;
    } else {
        chip->dateFormat = 0;
        chip->timeFormat = 0;
        chip->dateColour = chip->timeColour = chip->textColour;
        chip->dateFont = chip->textFont;
        chip->timeFont = chip->textFont;
    }
    // A stored path may lack its terminator; the copy stays within the field.
    CopyBoundedText(chip->picturePath, stored.picturePath, sizeof(chip->picturePath));
}

int PlaceLoadedPicture(ChipState* chip, uint32_t tag, const SIZE* loaded) {
    if (loaded) {
        chip->pictureMissing = 0;
        chip->pictureWidth = loaded->cx;
        chip->pictureHeight = loaded->cy;
        // A current block's placement is replayed through the menu's handler
        // by the caller; the older form draws the picture at its own size.
        if (tag != kSettingsSizeCurrent) DrawAtPictureSize(chip);
        return 0;
    }

    chip->placement = kPlacementTopLeft;
    chip->pictureMissing = 1;
    DrawAtDefaultSize(chip);
    if (chip->picturePath[0] == '\0' && chip->sizingMode != kSizeByText) {
        chip->sizingMode = kSizeByText;
        return 1;
    }
    return 0;
}

void SetDefaultSettings(ChipState* chip) {
    chip->pictureWidth = kDefaultDrawWidth;
    chip->pictureHeight = kDefaultDrawHeight;
    DrawAtDefaultSize(chip);
    chip->dateColour = chip->timeColour = chip->textColour;
    chip->dateFont = chip->textFont;
    chip->timeFont = chip->textFont;
    chip->placement = kPlacementTopLeft;
    chip->textAlign = kAlignLeft;
    chip->sizingMode = kSizeByText;
    chip->dateFormat = 0;
    chip->timeFormat = 0;
}

void WriteSaveData(const ChipState* chip, HGLOBAL* block) {
    HGLOBAL grown = GlobalReAlloc(*block, sizeof(SavedChipData), GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown) return;  // the host keeps its block as it was
    *block = grown;
    LockedGlobal<uint8_t> locked(grown);
    if (!locked) return;
    uint8_t* bytes = locked.get();
    auto put = [bytes](size_t at, const void* value, size_t size) { std::memcpy(bytes + at, value, size); };
    const size_t base = offsetof(SavedChipData, settings);
    const uint32_t tag = kSettingsSizeCurrent;
    put(0, &tag, 4);
    put(base + offsetof(ChipSettings, placement), &chip->placement, 4);
    put(base + offsetof(ChipSettings, textAlign), &chip->textAlign, 4);
    put(base + offsetof(ChipSettings, sizingMode), &chip->sizingMode, 4);
    // Only the path and its terminator: the rest of the field keeps its bytes.
    const size_t pathLength = strnlen(chip->picturePath, sizeof(chip->picturePath) - 1);
    put(base + offsetof(ChipSettings, picturePath), chip->picturePath, pathLength);
    bytes[base + offsetof(ChipSettings, picturePath) + pathLength] = '\0';
    put(base + offsetof(ChipSettings, dateColour), &chip->dateColour, 4);
    put(base + offsetof(ChipSettings, dateFont), &chip->dateFont, sizeof(LOGFONTA));
    put(base + offsetof(ChipSettings, dateFormat), &chip->dateFormat, 4);
    put(base + offsetof(ChipSettings, timeColour), &chip->timeColour, 4);
    put(base + offsetof(ChipSettings, timeFont), &chip->timeFont, sizeof(LOGFONTA));
    put(base + offsetof(ChipSettings, timeFormat), &chip->timeFormat, 4);
}
