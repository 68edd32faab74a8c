#include "render/chip_sizing.h"
#include <cstring>
#include "win/gdi_guards.h"
#include "render/run_layout.h"
#include "chip/placement.h"

namespace {
// The text's extent without frame: wrapped at the screen width, or the widest
// field line and the sum of the line heights.
RECT MeasureChipText(ChipState* chip, HWND window, const char* text) {
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
    RECT r{0, 0, screenWidth, 0};
    WindowDc windowDc(window);
    HDC dc = windowDc.get();
    SavedDcState saved(dc);
    if (!HasFields(*chip)) {
        GdiObject<HFONT> font(CreateFontIndirectA(&chip->textFont));
        SelectedObject selected(dc, font.get());
        DrawChipText(dc, chip->textFont, text, lstrlenA(text), &r,
                     DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        return r;
    }
    r.right = 0;
    const int32_t length = lstrlenA(text);
    int32_t pos = 0;
    LineRuns runs{};
    do {
        SplitTextLine(chip, text, &pos, &runs);
        const LineExtent line = MeasureLine(dc, runs, screenWidth);
        ReleaseRunTexts(&runs);
        if (line.width > r.right) r.right = line.width;
        r.bottom += line.height;
    } while (pos < length);
    return r;
}
}  // namespace

void CalcChipDefaultSize(ChipState* chip, HWND window, const char* text, int32_t* width, int32_t* height) {
    if (chip->sizingMode == kSizeByPicture) {
        *width = chip->drawWidth;
        *height = chip->drawHeight;
        return;
    }
    RECT r = MeasureChipText(chip, window, text);
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const LONG screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const LONG w = r.right - r.left < screenWidth ? r.right - r.left : screenWidth;
    const LONG h = r.bottom - r.top < screenHeight ? r.bottom - r.top : screenHeight;
    r.right = r.left + w;
    r.bottom = r.top + h;
    r.right += 2 * GetSystemMetrics(SM_CXFRAME);
    r.bottom += 2 * GetSystemMetrics(SM_CYFRAME);
    AdjustWindowRectEx(&r, WS_POPUP | WS_VISIBLE | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
}

int ResizeChip(ChipState* chip, HWND window) {
    // Only a picture drawn at the window's size follows it; a fitted one
    // without a picture keeps what its placement command gave it.
    if (chip->placement != kPlacementFit && !(chip->placement == kPlacementAspectFit && chip->picture)) return 1;
    RECT client{};
    GetClientRect(window, &client);
    SetDrawSize(chip, client.right - client.left, client.bottom - client.top);
    return 0;
}
