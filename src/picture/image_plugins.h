// Picture loading: bitmap files through Windows, other files through the
// installed Susie import plug-ins.
#pragma once
#include <windows.h>
#include "picture/plugin_list.h"

// Reads a picture file. Bitmap paths (ending in "bmp", any case) go to
// LoadImageA; other files to the first plug-in entry that accepts them. The
// bitmap belongs to the caller (DeleteObject); null when nothing could be read.
// Given `alpha`, a picture whose header says it carries alpha comes back as
// a premultiplied 32-bit DIB section (MakePremultipliedPicture) with *alpha
// true; every other picture as without it, with *alpha false.
HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list, bool* alpha = nullptr);

// LoadPicture with a list of its own, built only when a plug-in could be asked:
// bitmap paths and the empty path never reach one, and building the list costs
// a registry read, a folder search and loading every plug-in.
HBITMAP LoadPictureFile(HWND window, const char* path, bool* alpha = nullptr);
