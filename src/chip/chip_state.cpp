#include "chip/chip_state.h"
#include <cstring>

namespace {
// Six bytes of text equal the token, letter case ignored. A "<" with fewer than
// six bytes left never matches: the comparison stops short at the terminator.
bool IsToken(const char* at, const char* token) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, token, -1, at, 6) == CSTR_EQUAL;
}
int TextLengthUpTo(const char* at, int limit) {
    int n = 0;
    while (n < limit && at[n]) ++n;
    return n;
}
}  // namespace

int ScanFieldTokens(ChipState* chip, const char* text) {
    chip->dateOffset = -1;
    chip->timeOffset = -1;
    int32_t pos = 0;
    while (text[pos] != '\0') {
        if (chip->dateOffset != -1 && chip->timeOffset != -1) break;
        if (text[pos] != '<') { ++pos; continue; }
        // Never hand CompareStringA six bytes that run past the terminator.
        const bool sixBytes = TextLengthUpTo(text + pos, 6) == 6;
        if (sixBytes && chip->dateOffset == -1 && IsToken(text + pos, "<date>")) {
            chip->dateOffset = pos;
            pos += 6;
        } else if (sixBytes && chip->timeOffset == -1 && IsToken(text + pos, "<time>")) {
            chip->timeOffset = pos;
            pos += 6;
        } else {
            ++pos;
        }
    }
    return chip->timeOffset != -1 ? 1 : 0;
}

void CopyBoundedText(char* dest, const char* source, size_t size) {
    if (size == 0) return;
    size_t n = 0;
    while (n + 1 < size && source[n]) {
        dest[n] = source[n];
        ++n;
    }
    dest[n] = '\0';
}
