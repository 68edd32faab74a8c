#include "ui/chip_fonts.h"

namespace {
// A host rarely shows more chips than this; the oldest note makes room.
constexpr int kNoteCount = 64;
// Owner chains are short: font dialog, settings dialog, chip.
constexpr int kOwnerDepth = 8;

struct ChipFontNote {
    HLOCAL chip;
    HWND window;
    LOGFONTA font;
};
ChipFontNote notes[kNoteCount] = {};
int nextNote = 0;
}  // namespace

void NoteChipFont(HLOCAL chip, HWND window, const LOGFONTA& font) {
    if (!chip || !window) return;
    // The chip's own note, else a free one.
    ChipFontNote* slot = nullptr;
    for (ChipFontNote& note : notes)
        if (note.chip == chip) slot = &note;
    for (ChipFontNote& note : notes)
        if (!slot && !note.chip) slot = &note;
    if (!slot) {
        slot = &notes[nextNote];
        nextNote = (nextNote + 1) % kNoteCount;
    }
    *slot = ChipFontNote{chip, window, font};
}

void ForgetChipFont(HLOCAL chip) {
    if (!chip) return;
    for (ChipFontNote& note : notes)
        if (note.chip == chip) note = ChipFontNote{};
}

bool FindChipFont(HWND window, LOGFONTA* font) {
    for (int depth = 0; window && depth < kOwnerDepth; ++depth) {
        for (const ChipFontNote& note : notes)
            if (note.chip && note.window == window && note.font.lfFaceName[0] != '\0') {
                *font = note.font;
                return true;
            }
        window = GetWindow(window, GW_OWNER);
    }
    return false;
}
