// The texts GetPluginInfo hands out: the interface version, the plug-in's
// name, and one pattern/description pair per format family.
#pragma once

struct FormatRow {
    const char* pattern;       // extension patterns, ";"-separated
    const char* description;   // file-type name for a file chooser
};

// In the order GetPluginInfo numbers them: row k is numbers 2k+2 and 2k+3.
extern const FormatRow kFormatRows[6];

// Copies text number infono into buf (at most buflen bytes, terminator
// included, always terminated when buflen > 0). Returns the bytes written
// without the terminator; 0 for an unknown number or no room.
int CopyPluginInfo(int infono, char* buf, int buflen);
