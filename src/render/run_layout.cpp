#include "render/run_layout.h"
#include <cstdlib>
#include "win/gdi_guards.h"

namespace {
constexpr UINT kChipCodePage = 932;
constexpr int kStackChars = 256;
}  // namespace

int DrawChipText(HDC dc, const LOGFONTA& font, const char* text, int length, RECT* r, UINT format) {
    if (length < 0) length = lstrlenA(text);
    if (font.lfCharSet == SHIFTJIS_CHARSET) return DrawTextA(dc, text, length, r, format);
    // Never more characters than bytes.
    wchar_t stack[kStackChars];
    wchar_t* wide = length <= kStackChars ? stack : static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * length));
    if (!wide) return 0;
    const int count = length > 0 ? MultiByteToWideChar(kChipCodePage, 0, text, length, wide, length) : 0;
    const int result = DrawTextW(dc, wide, count, r, format);
    if (wide != stack) std::free(wide);
    return result;
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

void ReleaseRunTexts(LineRuns* runs) {
    for (int k = 0; k < runs->runCount; ++k) {
        std::free(runs->runText[k]);
        runs->runText[k] = nullptr;
    }
    runs->runCount = 0;
}
