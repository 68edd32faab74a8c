#include "text/text_runs.h"
#include <cstdlib>
#include <cstring>
#include "text/date_time_fields.h"
#include "text/field_tokens.h"
#include "win/kernel_guards.h"

namespace {
void AddRun(LineRuns* runs, char* text, const LOGFONTA* font, COLORREF colour) {
    HeapBuffer<char> owned(text);
    if (!owned) return;  // out of memory: the run is left out
    if (runs->runCount >= kMaxRuns) return;  // cannot happen with two recorded fields
    const int k = runs->runCount++;
    runs->runText[k] = owned.Release();
    runs->runFont[k] = font;
    runs->runColour[k] = colour;
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

    // Plain pieces are copied straight from the text: from runStart up to the
    // next field or the end of the line.
    int32_t runStart = pos;
    for (;;) {
        char last;
        const bool date = FieldStartsAt(length, pos, chip->dateOffset);
        if (date || FieldStartsAt(length, pos, chip->timeOffset)) {
            if (pos > runStart)
                AddRun(runs, CopyText(text + runStart, pos - runStart), &chip->textFont, chip->textColour);
            if (date)
                AddRun(runs, FormatDateField(chip), &chip->dateFont, chip->dateColour);
            else
                AddRun(runs, FormatTimeField(chip), &chip->timeFont, chip->timeColour);
            last = text[pos + kTokenLength - 1];
            pos += kTokenLength;
            runStart = pos;
        } else {
            last = text[pos];
            ++pos;
        }
        if (last == '\0' || last == '\n') break;
    }
    // The bytes taken since the last field include the line's end: the text's
    // NUL is not part of the run, and only a CR LF pair is cut off; a bare LF
    // stays in the run.
    int32_t n = pos - runStart;
    if (n >= 1 && text[runStart + n - 1] == '\0') --n;
    if (n >= 2 && text[runStart + n - 2] == '\r' && text[runStart + n - 1] == '\n') n -= 2;
    if (n > 0)
        AddRun(runs, CopyText(text + runStart, n), &chip->textFont, chip->textColour);
    else if (runs->runCount == 0)
        AddRun(runs, CopyText(" ", 1), &chip->textFont, chip->textColour);
    *offset = pos;
}

void ReleaseRunTexts(LineRuns* runs) {
    for (int k = 0; k < runs->runCount; ++k) {
        const HeapBuffer<char> text(runs->runText[k]);   // freed at the end of the turn
        runs->runText[k] = nullptr;
    }
    runs->runCount = 0;
}
