// The file chooser's filter text, built from the plug-in list.
#pragma once
#include <cstddef>
#include "picture/image_plugins.h"

// The chooser's filter from the plug-in list: "全画像ﾌｧｲﾙ", every pattern
// followed by ";", then a description/pattern pair per entry, each text
// zero-terminated, and a closing zero. The caller frees the text with free();
// *size receives its length in bytes. Null when out of memory.
char* BuildPictureFilter(ImagePluginList list, size_t* size);
