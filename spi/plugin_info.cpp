#include "plugin_info.h"
#include <cstring>
#include "system_formats.h"

namespace {
constexpr char kVersion[] = "00IN";   // a picture import plug-in
constexpr char kName[] = "Brimsel image import 2.0 (system decoders; TGA, PSD, PNM)";

struct FormatRow {
    const char* pattern;
    const char* description;
};
const FormatRow kOwnRows[] = {
    {"*.tga", "TGA picture"},
    {"*.psd", "PSD picture (merged image)"},
    {"*.pnm;*.pbm;*.pgm;*.ppm", "PNM picture (PBM/PGM/PPM)"},
};
constexpr int kOwnCount = sizeof(kOwnRows) / sizeof(kOwnRows[0]);

const char* InfoText(int infono) {
    if (infono == 0) return kVersion;
    if (infono == 1) return kName;
    if (infono < 2) return nullptr;
    const int row = (infono - 2) / 2;
    const int system = SystemFormatCount();
    const bool pattern = infono % 2 == 0;
    if (row < system) return pattern ? SystemFormatAt(row).pattern : SystemFormatAt(row).description;
    if (row - system < kOwnCount) return pattern ? kOwnRows[row - system].pattern : kOwnRows[row - system].description;
    return nullptr;
}
}  // namespace

int CopyPluginInfo(int infono, char* buf, int buflen) {
    const char* text = InfoText(infono);
    if (!text || !buf || buflen <= 0) return 0;
    int n = static_cast<int>(std::strlen(text));
    if (n > buflen - 1) n = buflen - 1;
    std::memcpy(buf, text, n);
    buf[n] = '\0';
    return n;
}
