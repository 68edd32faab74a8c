// Checks a DIB handed over by a plug-in before GDI reads it.
#pragma once
#include <windows.h>

// Whether CreateDIBitmap can read this DIB without leaving the two blocks: the
// header, the colour table GDI takes for it and every row must lie inside. An
// empty or inside-out picture counts as none.
bool DibFitsBlocks(const BITMAPINFO* info, SIZE_T infoSize, SIZE_T bitsSize);
