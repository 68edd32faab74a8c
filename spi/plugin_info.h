// The texts GetPluginInfo hands out: the interface version, the plug-in's
// name, and one pattern/description pair per format: the system's decoders
// first, then our own readers.
#pragma once

// Copies text number infono into buf (at most buflen bytes, terminator
// included, always terminated when buflen > 0). Returns the bytes written
// without the terminator; 0 for an unknown number or no room.
int CopyPluginInfo(int infono, char* buf, int buflen);
