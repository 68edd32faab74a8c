// A chip's drawn copy: what it shows of its picture, kept in the chip's
// `picture` field and drawn at every paint without looking at the file again.
// A stretched or fitted picture is kept scaled to min(drawn size, picture
// size) along each axis, every pixel the mean of those it covers; a picture
// at its own size (corners, tiles) keeps the part of its own pixels that
// shows in the client. Either way at most the client's size; a picture with
// alpha is kept laid over the chip's background colour. The copy is made from
// the picture cache (shared_pictures.h), which holds the decoded picture.
#pragma once
#include <windows.h>
#include "chip/chip_state.h"
#include "picture/shared_pictures.h"

// What the chip's picture decodes to at first for the chip in `window`: the
// wish for AcquirePicture, valid while the chip and window are.
struct ChipWish {
    const ChipState* chip;
    HWND window;
};
LevelWish WishOf(ChipWish* wish);

// Makes the chip's copy anew from `picture` (or, when null, the record its
// present copy was made from) unless `force` is false and the present copy
// still fits the chip's placement, drawn size and client. The old copy is
// given back. False when the copy could not be made (the picture could not
// be read again, or memory ran out); the chip keeps what it had.
bool RefitChipPicture(ChipState* chip, HWND window, SharedPicture* picture, bool force);

// Where the chip's copy goes at its own size in a client of r: the picture's
// placed position plus the part of it the copy begins at.
POINT CopyOrigin(const ChipState& chip, const RECT& r);
