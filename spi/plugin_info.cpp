#include "plugin_info.h"
#include <cstring>
#include "known_formats.h"
#include "system_formats.h"

namespace {
constexpr char kVersion[] = "00IN";   // a picture import plug-in
constexpr char kName[] = "Brimsel image import 2.1 (system decoders; GIF, TGA, PSD, PNM)";

// The formats every system has come first, from our table alone: only a row
// after them needs the system's list.
constexpr int kFixedRows = 5;

// Row `row` as pattern and description; false past the last.
bool Row(int row, const char** pattern, const char** description) {
    if (row < kFixedRows) {
        *pattern = kKnownFormats[row].pattern;
        *description = kKnownFormats[row].description;
        return true;
    }
    int n = kFixedRows;
    // The optional formats where installed, in our order, then the decoders we do not know.
    for (int k = kFixedRows; k < kSystemRows; ++k)
        for (int f = 0; f < SystemFormatCount(); ++f) {
            const SystemFormat& format = SystemFormatAt(f);
            if (format.known == k && n++ == row) {
                *pattern = kKnownFormats[k].pattern ? kKnownFormats[k].pattern : format.pattern;
                *description = kKnownFormats[k].description;
                return true;
            }
        }
    for (int f = 0; f < SystemFormatCount(); ++f) {
        const SystemFormat& format = SystemFormatAt(f);
        if (format.known < 0 && n++ == row) {
            *pattern = format.pattern;
            *description = format.description;
            return true;
        }
    }
    const int own = kSystemRows + row - n;
    if (own >= kKnownCount) return false;
    *pattern = kKnownFormats[own].pattern;
    *description = kKnownFormats[own].description;
    return true;
}

const char* InfoText(int infono) {
    if (infono == 0) return kVersion;
    if (infono == 1) return kName;
    const char *pattern, *description;
    if (infono < 2 || !Row((infono - 2) / 2, &pattern, &description)) return nullptr;
    return infono % 2 == 0 ? pattern : description;
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
