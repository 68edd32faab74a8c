// Shrinking a picture: every target pixel the mean of the source pixels it
// covers, each of the four bytes on its own, rounded to nearest.
#pragma once
#include <windows.h>
#include <cstdint>

// Row sums of one channel stay below 2^32 (width times 255).
constexpr int32_t kMaxShrinkWidth = 1 << 24;

// `source` (sw x sh, at most kMaxShrinkWidth wide) shrunk to kw x kh (no larger
// along either axis), as a top-down 32-bit DIB section the caller deletes; null
// when it cannot be made. The fourth byte is only worked out for pictures with
// `alpha`. A source that is a top-down 32-bit DIB section of our own (`ours`)
// is read where it lies; any other through GetDIBits, a strip at a time.
// Throws std::bad_alloc when there is no memory for the work.
HBITMAP ShrinkPicture(HDC reference, HBITMAP source, bool ours, int32_t sw, int32_t sh, int32_t kw, int32_t kh,
                      bool alpha);

// The picture averaged down to the smallest size in its aspect ratio that
// covers the primary screen both ways, as a 32-bit DIB section the caller
// deletes; made once when a picture is loaded (`window` lends the reference
// DC), so that drawing it at sizes up to the screen's never reads all of it.
// Null when the picture is not much larger than the screen (the copy would
// have more than half its pixels) or the copy could not be made.
HBITMAP MakeReducedCopy(HWND window, HBITMAP picture, bool alpha);
