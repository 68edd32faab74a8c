// The texts GetPluginInfo hands out: the interface version, the plug-in's
// name, and one pattern/description pair per format: the system's decoders
// first (PNG, JPEG, GIF, TIFF and ICO everywhere, then those of WebP, HEIF and
// others where they are installed), then our own readers.
#pragma once

// Copies text number infono into buf (at most buflen bytes, terminator
// included, always terminated when buflen > 0). Returns the bytes written
// without the terminator; 0 for an unknown number or no room.
int CopyPluginInfo(int infono, char* buf, int buflen);
