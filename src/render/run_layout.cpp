#include "render/run_layout.h"
#include <cstdlib>
#include "win/gdi_guards.h"

SIZE MeasureRun(HDC dc, const LOGFONTA* font, const char* text, LONG right) {
    GdiObject<HFONT> created(CreateFontIndirectA(font));
    SelectedObject selected(dc, created.get());
    RECT r{0, 0, right, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
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
