// Bitmap files, read by Windows itself after a check of their headers.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Whether a bitmap file of `fileSize` bytes whose first bytes are `head` (as
// many as the file has, up to kBitmapHeadSize) can be handed to the system's
// loader without it reading past the file: signature, header size, colour
// masks and table before the bits, and every row of the bits (or the
// compressed stream, whose dimensions must be within the pixel budget, as many
// pixels as our image plug-in takes) inside the file.
constexpr size_t kBitmapHeadSize = 14 + 124 + 12;
bool BitmapHeadersFit(const uint8_t* head, size_t headSize, uint64_t fileSize);

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
