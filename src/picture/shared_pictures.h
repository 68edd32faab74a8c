// One loaded picture for every chip that names the same unchanged file: a
// photo on ten chips is decoded and kept once.
#pragma once
#include <windows.h>
#include <cstdint>

// The picture at `path`, shared with every earlier caller that got it from the
// same file while that file was unchanged (same full path, size and last-write
// time) and, unless it is a bitmap, while plug-ins were looked for in the same
// unchanged folder, found the same way; otherwise it is loaded afresh, and a
// picture much larger than the screen gets its reduced copy. Each non-null
// result is one use, given back with ReleasePicture; the bitmap must not be
// deleted by its users. Null when nothing could be read (failures are not
// remembered).
HBITMAP AcquirePicture(HWND window, const char* path);

// Gives back one use; the last use deletes the bitmap. A bitmap that did not
// come from AcquirePicture is simply deleted. Null is ignored.
void ReleasePicture(HBITMAP picture);

// What is known of an acquired picture. serial differs for every load, so
// that a handle value GDI hands out again is never taken for an earlier
// picture; 0 for a bitmap that did not come from AcquirePicture.
struct PictureFacts {
    uint32_t serial;
    bool alpha;   // a premultiplied 32-bit DIB section, drawn over the background
    HBITMAP reduced;   // MakeReducedCopy of the picture, freed with it; null when none
};
PictureFacts FactsOfPicture(HBITMAP picture);
