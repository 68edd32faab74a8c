// Picture readers: the built-in bitmap reader and the installed Susie import
// plug-ins. A list lives only within the call that built it.
#pragma once
#include <windows.h>

struct ImagePluginEntry {
    HMODULE module;            // the plug-in serving this entry; null for the built-in one
    char* description;         // file-type name, owned by the entry
    char* pattern;             // extension pattern such as "*.bmp", owned by the entry
    ImagePluginEntry* next;
};
// Known by its first entry, which is always the built-in "Bitmap" / "*.bmp".
using ImagePluginList = ImagePluginEntry*;

// Finds and loads the installed plug-ins. Never fails as a whole; the caller
// frees the list with FreeImagePluginList, which also unloads the plug-ins.
ImagePluginList BuildImagePluginList();

// Releases every entry, its texts, and each plug-in module exactly once.
void FreeImagePluginList(ImagePluginList list);

// A path Windows reads itself (its last three characters are "bmp", any
// case); every other path goes to the plug-ins.
bool IsBitmapPath(const char* path);

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
