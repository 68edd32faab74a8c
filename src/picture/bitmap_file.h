// Bitmap files, read by Windows itself after a check of their headers.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/bitmap_headers.h"

// The first bytes of a bitmap file, as read for the check.
struct BitmapFileHead {
    uint8_t bytes[kBitmapHeadSize];
    size_t size;
};

// The bitmap file as a DIB section (the caller owns it), or null when it is
// missing, fails the check, or the system's loader faults on it anyway. The
// file's first bytes go to *head when it is given, so that no one needs to
// open the file again for its header.
HBITMAP LoadBitmapFile(const char* path, BitmapFileHead* head = nullptr);
