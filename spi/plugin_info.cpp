#include "plugin_info.h"
#include <cstring>

const FormatRow kFormatRows[6] = {
    {"*.png", "PNG picture"},
    {"*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG picture"},
    {"*.gif", "GIF picture (first frame)"},
    {"*.tga", "TGA picture"},
    {"*.psd", "PSD picture (merged image)"},
    {"*.pnm;*.ppm;*.pgm", "PNM picture (binary PGM/PPM)"},
};

namespace {
constexpr char kVersion[] = "00IN";   // a picture import plug-in
constexpr char kName[] = "Brimsel image import 1.0 (PNG, JPEG, GIF, TGA, PSD, PNM; stb_image)";
constexpr int kRowCount = sizeof(kFormatRows) / sizeof(kFormatRows[0]);

const char* InfoText(int infono) {
    if (infono == 0) return kVersion;
    if (infono == 1) return kName;
    if (infono < 2 || infono >= 2 + 2 * kRowCount) return nullptr;
    const FormatRow& row = kFormatRows[(infono - 2) / 2];
    return infono % 2 == 0 ? row.pattern : row.description;
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
