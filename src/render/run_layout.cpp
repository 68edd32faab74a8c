#include "render/run_layout.h"
#include <cstdlib>
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
constexpr UINT kChipCodePage = 932;
constexpr int kStackChars = 256;

// A Japanese font reads the bytes as code page 932 already, and a symbol font
// maps each byte to one of its symbols; converted, a symbol text would lose
// them. Any other font would read the bytes in its own code page.
bool DrawsBytes(const LOGFONTA& font) {
    return font.lfCharSet == SHIFTJIS_CHARSET || font.lfCharSet == SYMBOL_CHARSET;
}
}  // namespace

int DrawChipText(HDC dc, const LOGFONTA& font, const char* text, int length, RECT* r, UINT format) {
    // The count reaches the system as given: an empty text measures one empty
    // line with -1 and leaves the rectangle as it was with 0. With nothing to
    // convert it takes the byte call in every font.
    const int bytes = length < 0 ? lstrlenA(text) : length;
    if (bytes == 0 || DrawsBytes(font)) return DrawTextA(dc, text, length, r, format);
    // Never more characters than bytes, and the terminator for a count of -1.
    wchar_t stack[kStackChars];
    HeapBuffer<wchar_t> heap(
        bytes < kStackChars ? nullptr : static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (size_t{1} + bytes))));
    if (bytes >= kStackChars && !heap) return 0;
    wchar_t* wide = heap ? heap.get() : stack;
    const int count = MultiByteToWideChar(kChipCodePage, 0, text, bytes, wide, bytes);
    if (count == 0) return DrawTextA(dc, text, length, r, format);
    wide[count] = L'\0';
    return DrawTextW(dc, wide, length < 0 ? -1 : count, r, format);
}

SIZE MeasureRun(HDC dc, const LOGFONTA* font, const char* text, LONG right) {
    GdiObject<HFONT> created(CreateFontIndirectA(font));
    SelectedObject selected(dc, created.get());
    RECT r{0, 0, right, 0};
    DrawChipText(dc, *font, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    return SIZE{r.right, r.bottom};
}

LineExtent MeasureLine(HDC dc, const LineRuns& runs, LONG right) {
    LineExtent extent{};
    for (int k = 0; k < runs.runCount; ++k) {
        extent.run[k] = MeasureRun(dc, runs.runFont[k], runs.runText[k], right);
        extent.width += extent.run[k].cx;
        if (extent.run[k].cy > extent.height) extent.height = extent.run[k].cy;
    }
    return extent;
}
