// Shrinking a picture: every target pixel the mean of the source pixels it
// covers, each of the four bytes on its own, rounded to nearest.
#pragma once
#include <windows.h>
#include <cstdint>
#include "picture/pixel_block.h"

// Row sums of one channel stay below 2^32 (width times 255).
constexpr int32_t kMaxShrinkWidth = 1 << 24;

// `source` (at most kMaxShrinkWidth wide) shrunk to kw x kh (no larger along
// either axis) as a top-down
// 32-bit DIB section that the caller deletes; null when it cannot be made. Throws std::bad_alloc when
// there is no memory for the work.
HBITMAP ShrinkBlock(const PixelBlock& source, int32_t kw, int32_t kh);

// The same into a block of its own; false, and *out untouched, when memory
// runs out.
bool ShrinkIntoBlock(const PixelBlock& source, int32_t kw, int32_t kh, PixelBlock* out);

// The size of the reduced copy of a picture much larger than a screen of the
// given size: the smallest size in its aspect ratio that covers the screen
// both ways; {0, 0} when the picture is not much larger (the copy would have
// more than half its pixels).
SIZE ReducedCopySize(int32_t pictureWidth, int32_t pictureHeight, int32_t screenWidth, int32_t screenHeight);

// ReducedCopySize on the primary screen. Drawn sizes within it may come from
// a reduced copy of the picture; larger ones come from the picture itself.
SIZE ScreenCopySize(int32_t pictureWidth, int32_t pictureHeight);
