// Picture loading: bitmap files through Windows, other files through the
// installed Susie import plug-ins.
#pragma once
#include <windows.h>
#include <cstdint>
#include "picture/pixel_block.h"
#include "picture/plugin_list.h"
#include "win/gdi_guards.h"

// Reads a picture file. Bitmap paths (ending in "bmp", any case) go to
// LoadImageA; other files to the first plug-in entry that accepts them. The
// bitmap belongs to the caller (DeleteObject); null when nothing could be read.
// Given `alpha`, a picture whose header says it carries alpha comes back as
// a premultiplied 32-bit DIB section (MakePremultipliedPicture) with *alpha
// true; every other picture as without it, with *alpha false.
HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list, bool* alpha = nullptr);

// LoadPicture with the plug-ins of the plug-in folder, loaded only when one
// could be asked (bitmap paths and the empty path never reach one: loading
// them costs a registry read, a folder search and loading every plug-in), and
// asked as a list's entries would be, without building the list.
HBITMAP LoadPictureFile(HWND window, const char* path, bool* alpha = nullptr);

// What a load for the picture cache asks: the size that the decoded picture
// must still cover, given the picture's size as seen (0 x 0 before it is
// known: a guess); {0, 0} for the picture whole. Asked only of a plug-in that
// reads reduced (GetPictureReduced).
struct LevelWish {
    SIZE (*cover)(void* context, int32_t width, int32_t height);
    void* context;
};

struct LoadedLevel {
    PixelBlock pixels;            // as decoded: whole, or reduced
    int32_t wholeWidth = 0;       // the picture's size as seen
    int32_t wholeHeight = 0;
    int32_t reduction = 0;        // k of the 2^k asked for
    bool reducible = false;       // its plug-in reads reduced
    // A bitmap file without alpha as the system loaded it: the same pixels,
    // for a chip that draws all of it at its own size to keep as its copy.
    GdiObject<HBITMAP> loaded;
};

// What a load decides before it reads, once: the picture's kind (a bitmap
// path is read by Windows, no plug-in asked) and, for any other, the plug-in
// folder, which the cache also needs for the picture's identity.
struct PictureSource {
    const char* path = nullptr;
    bool bitmap = false;
    PluginFolder plugins;   // unless bitmap
};
PictureSource DescribeSource(const char* path);

// Reads a picture file for the cache, as LoadPictureFile does, into pixels of
// its own: bitmaps and pictures of plug-ins without a reduced read whole
// (GetPicture, with the same calls in the same order), those of our own
// plug-in through GetPictureReduced at the reduction the wish gives (once,
// or twice when the guess made before the size was known was wrong). False
// when nothing could be read or memory ran out.
bool LoadPictureLevel(HWND window, const PictureSource& source, const LevelWish& wish, LoadedLevel* out);

// The k of the reduction 2^k that GetPictureReduced gives a width x height
// picture for a cover size: the largest for which ceil(width / 2^k) and
// ceil(height / 2^k) still cover it, 0 for a cover size of 0 or less.
int32_t ReductionFor(int32_t width, int32_t height, int32_t coverWidth, int32_t coverHeight);
