// Per-chip record. It lives in a movable, zero-initialised local memory block
// whose handle is the chip handle the host holds; every per-chip export locks
// it for the length of the call.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/host_records.h"
#include "win/kernel_guards.h"

enum : int32_t {
    kPlacementTopLeft = 0, kPlacementTopRight = 1, kPlacementBottomLeft = 2,
    kPlacementBottomRight = 3, kPlacementTile = 4, kPlacementFit = 5, kPlacementAspectFit = 6,
};
enum : int32_t { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

struct ChipState {
    // Picture, owned by the record (DeleteObject), and its sizes.
    HBITMAP picture;
    int32_t pictureWidth;
    int32_t pictureHeight;
    int32_t drawWidth;
    int32_t drawHeight;
    // The chip's own text look, from the host's ChipInfo.
    COLORREF textColour;
    COLORREF backColour;
    LOGFONTA textFont;
    // Settings.
    int32_t placement;
    int32_t textAlign;
    int32_t sizingMode;
    char picturePath[kPathSize];
    int32_t pictureMissing;
    // Fields found in the text and the clock.
    int32_t hasTimeField;
    int32_t dateOffset;
    int32_t timeOffset;
    int32_t timerSpan;
    int32_t lastTimeValue;
    int32_t timeShowsSeconds;
    COLORREF dateColour;
    LOGFONTA dateFont;
    int32_t dateFormat;
    COLORREF timeColour;
    LOGFONTA timeFont;
    int32_t timeFormat;
    int32_t fitMenu;
};
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");
static_assert(offsetof(ChipState, textFont) == 28, "ChipState layout");
static_assert(offsetof(ChipState, placement) == 88, "ChipState layout");
static_assert(offsetof(ChipState, picturePath) == 100, "ChipState layout");
static_assert(offsetof(ChipState, fitMenu) == 524, "ChipState layout");
static_assert(sizeof(ChipState) == 528, "ChipState layout");

// The text holds a "<date>" or "<time>" field, and is drawn in runs.
inline bool HasFields(const ChipState& chip) { return chip.dateOffset != -1 || chip.timeOffset != -1; }

// Locks a chip handle for one call. get() is null when the handle is null or
// cannot be locked; the block is unlocked when the guard goes.
using ChipLock = LockedLocal<ChipState>;

// A new heap copy of `length` bytes of text, terminated, in a block of at least
// minimumSize bytes, zero after the text (release with free); null when memory
// runs out.
char* CopyText(const char* text, size_t length, size_t minimumSize = 0);

// Copies at most size - 1 bytes of a text that may lack a terminator and always
// terminates the copy.
void CopyBoundedText(char* dest, const char* source, size_t size);
