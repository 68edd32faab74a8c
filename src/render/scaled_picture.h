// A stretched or fitted picture, scaled once and kept for the chip, so that a
// photo is not scaled again at every paint.
#pragma once
#include <windows.h>
#include <cstdint>

// The chip's picture reduced to min(draw size, picture size) along each axis,
// every target pixel the average of the source pixels it covers. A draw size
// that fits within the picture's `reduced` copy (MakeReducedCopy, may be null)
// is averaged from that copy instead, at a cost independent of the picture's
// size; any other size from the picture itself, exactly. The result belongs
// to a module-wide table (one bitmap per chip at most), or is the reduced
// copy itself when drawn at its size, and stays valid until the next call for
// this chip or DropScaledPicture; it is made again only when the picture
// (handle or serial) or the draw size differ from the last call. Null when no
// axis shrinks, the recorded size is not the bitmap's, or it could not be
// made: the picture is then drawn as it is.
// `alpha` says the fourth byte of each pixel is alpha, to be averaged too.
HBITMAP KeptScaledPicture(HLOCAL chip, HDC reference, HBITMAP picture, HBITMAP reduced, uint32_t serial, bool alpha,
                          int32_t pictureWidth, int32_t pictureHeight, int32_t drawWidth, int32_t drawHeight);

// Frees what is kept for the chip, if anything.
void DropScaledPicture(HLOCAL chip);
