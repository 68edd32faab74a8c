// Pictures with alpha, laid over the chip's background colour before they are
// copied like any other picture.
#pragma once
#include <windows.h>

// The `part` of a premultiplied 32-bit picture (a chip's drawn copy of a
// premultiplied picture) laid over `back`: a new opaque 32-bit DIB section of
// the part's size, cut to the picture, which the caller owns. Each colour byte
// is the picture's plus back's weighted by 255 - alpha, over 255, rounded.
// Null when the part is empty or it cannot be made.
HBITMAP ComposeOverColour(HDC reference, HBITMAP premultiplied, RECT part, COLORREF back);
