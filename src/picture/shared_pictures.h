// The picture cache: one record for every chip that names the same unchanged
// file, and the decoded pictures of each record (whole, or reduced) within
// one memory budget. A chip holds only its drawn copy, made from a record's
// decoded picture; the record lives while some chip holds a copy made from
// it, and its decoded pictures are dropped, least recently used first, when
// the cache is over its budget, to be decoded again when a chip needs one.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "picture/image_plugins.h"

struct SharedPicture;

// The budget of decoded pictures: 256 MB, well inside a 32-bit host's address
// space beside the host's own memory. BRIMSEL_PICTURE_CACHE_MB in the
// environment sets another (whole megabytes, at least 1), for tests.
size_t PictureCacheBudget();
// What the decoded pictures of every record take now.
size_t PictureCacheBytes();

// The record for the file at `path` as it is now: the one that chips hold when
// it is unchanged (same full path, size and last-write time) and, unless it
// is a bitmap, plug-ins are looked for in the same unchanged folder, found the
// same way; otherwise it is loaded afresh (the wish chooses how much of a
// large picture the first read decodes). Null when nothing could be read
// (failures are not remembered). A record that no copy holds goes with
// DropIfUnheld.
SharedPicture* AcquirePicture(HWND window, const char* path, const LevelWish& wish);

// The picture's size as seen (a picture decoded reduced still gives its own).
SIZE PictureSize(const SharedPicture* picture);

// The decoded picture to draw from: for a stretched or fitted picture drawn at
// drawWidth x drawHeight within the size of the screen's reduced copy
// (ScreenCopySize), a reduced one (our plug-in's read at the largest power of
// two that covers the drawn size, or the screen's reduced copy); for any other
// drawing the picture whole (or as far reduced as a read beyond the plug-in's
// pixel budget gave it). Decoded again when it was dropped; null when it
// cannot be had. Valid until the next call into the cache.
const PixelBlock* PictureToDraw(HWND window, SharedPicture* picture, bool stretched, int32_t drawWidth,
                                int32_t drawHeight);

// The cover a first read should decode for such a drawing: {0, 0} for whole.
SIZE CoverToDraw(int32_t width, int32_t height, bool stretched, int32_t drawWidth, int32_t drawHeight);

// The bitmap file as the system loaded it, when the record was just loaded
// from one without alpha: the caller owns it. Null when there is none; it is
// given to one caller at most, and deleted by DropIfUnheld otherwise.
HBITMAP TakeLoadedBitmap(SharedPicture* picture);

// A chip's drawn copy, made from the record, joins its holders; false when
// memory for that runs out (the copy is then not held).
bool HoldCopy(SharedPicture* picture, HBITMAP copy);
// The record a drawn copy was made from; null for none.
SharedPicture* PictureOfCopy(HBITMAP copy);
// Deletes a drawn copy and gives up its hold; the last hold drops the record
// and its decoded pictures. Null is ignored.
void ReleaseCopy(HBITMAP copy);
// Drops a record that no copy holds (after a load that made no copy), and a
// loaded bitmap that nobody took.
void DropIfUnheld(SharedPicture* picture);

// Drops decoded pictures, least recently used first, until the cache is
// within its budget.
void TrimPictureCache();
