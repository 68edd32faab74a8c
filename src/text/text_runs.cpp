#include "text/text_runs.h"
#include <cstdlib>
#include <cstring>
#include "text/date_time_fields.h"

namespace {
constexpr int32_t kTokenLength = 6;

void AddRun(LineRuns* runs, char* text, const LOGFONTA* font, COLORREF colour) {
    if (!text) return;  // out of memory: the run is left out
    if (runs->runCount >= kMaxRuns) {  // cannot happen with two recorded fields
        std::free(text);
        return;
    }
    const int k = runs->runCount++;
    runs->runText[k] = text;
    runs->runFont[k] = font;
    runs->runColour[k] = colour;
}

char* CopyText(const char* text, size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

// A recorded offset counts only when six bytes of this text follow it: a host
// that paints another text than the one scanned must not make us skip its end.
bool FieldStartsAt(int32_t length, int32_t pos, int32_t fieldOffset) {
    return fieldOffset >= 0 && pos == fieldOffset && pos + kTokenLength <= length;
}
}  // namespace

void SplitTextLine(ChipState* chip, const char* text, int32_t* offset, LineRuns* runs) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    int32_t pos = *offset < 0 ? 0 : (*offset > length ? length : *offset);
    runs->runCount = 0;

    // The rest of the line, its terminator and one more byte.
    char* scratch = static_cast<char*>(std::malloc(static_cast<size_t>(length - pos) + 2));
    if (!scratch) {
        *offset = length + 1;
        return;
    }
    int32_t n = 0;
    for (;;) {
        char last;
        const bool date = FieldStartsAt(length, pos, chip->dateOffset);
        if (date || FieldStartsAt(length, pos, chip->timeOffset)) {
            if (n > 0) {
                AddRun(runs, CopyText(scratch, n), &chip->textFont, chip->textColour);
                n = 0;
            }
            if (date)
                AddRun(runs, FormatDateField(chip), &chip->dateFont, chip->dateColour);
            else
                AddRun(runs, FormatTimeField(chip), &chip->timeFont, chip->timeColour);
            last = text[pos + kTokenLength - 1];
            pos += kTokenLength;
        } else {
            last = text[pos];
            scratch[n++] = last;
            ++pos;
        }
        if (last == '\0' || last == '\n') break;
    }
    // Only a CR LF pair is cut off; a bare LF stays in the run. The line's
    // terminating NUL, if taken, is not part of the run.
    if (n >= 1 && scratch[n - 1] == '\0') --n;
    if (n >= 2 && scratch[n - 2] == '\r' && scratch[n - 1] == '\n') n -= 2;
    scratch[n] = '\0';
    if (n > 0)
        AddRun(runs, CopyText(scratch, n), &chip->textFont, chip->textColour);
    else if (runs->runCount == 0)
        AddRun(runs, CopyText(" ", 1), &chip->textFont, chip->textColour);
    std::free(scratch);
    *offset = pos;
}
