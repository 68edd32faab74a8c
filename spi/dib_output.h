// A decoded picture turned upright and handed over as the DIB GetPicture
// returns: opaque pictures as 24-bit BGR rows behind a BITMAPINFOHEADER,
// pictures with any transparency as 32-bit rows with straight alpha behind a
// 124-byte BITMAPV5HEADER (BI_BITFIELDS, alpha mask 0xFF000000), fully
// transparent pixels white so that a host ignoring alpha shows white there.
// Rows are bottom-up and padded to 4 bytes.
#pragma once
#include <windows.h>
#include "decoded_picture.h"
#include "win/susie_plugin.h"

// Width and height as the picture is meant to be viewed: of the pixels
// delivered, and of the whole picture they may be reduced from.
void ViewedSize(const DecodedPicture& picture, int* width, int* height);
void ViewedWholeSize(const DecodedPicture& picture, int* width, int* height);

// True when some pixel is less than opaque.
bool HasTransparency(const DecodedPicture& picture);

// Both blocks are movable local memory handed to the caller (LocalFree) on
// kSpiSuccess; on any other result *info and *bits stay null. progress may be
// null; it hears of 0 rows first, then every 64 rows and the end.
int HandOverDib(const DecodedPicture& picture, SpiProgressCallback progress, LONG lData, HLOCAL* info, HLOCAL* bits);
