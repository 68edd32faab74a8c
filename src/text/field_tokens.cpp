#include "text/field_tokens.h"

namespace {
// kTokenLength bytes of text equal the token, letter case ignored.
bool IsToken(const char* at, const char* token) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, token, -1, at, kTokenLength) == CSTR_EQUAL;
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
        // Never hand CompareStringA bytes that run past the terminator.
        const bool whole = TextLengthUpTo(text + pos, kTokenLength) == kTokenLength;
        if (whole && chip->dateOffset == -1 && IsToken(text + pos, "<date>")) {
            chip->dateOffset = pos;
            pos += kTokenLength;
        } else if (whole && chip->timeOffset == -1 && IsToken(text + pos, "<time>")) {
            chip->timeOffset = pos;
            pos += kTokenLength;
        } else {
            ++pos;
        }
    }
    return chip->timeOffset != -1 ? 1 : 0;
}

