#include "render/chip_sizing.h"
#include <cstring>
#include "win/gdi_guards.h"
#include "render/run_layout.h"

namespace {
constexpr int64_t kScale = 1000000;

int32_t ScaleUp(int32_t extent, int64_t scale) {
    const int64_t product = static_cast<int64_t>(extent) * scale;
    int64_t result = product / kScale;
    if (result * kScale != product) result += 1;
    return static_cast<int32_t>(result);
}

// The text's extent without frame: wrapped at the screen width, or the widest
// field line and the sum of the line heights.
RECT MeasureChipText(ChipState* chip, HWND window, const char* text) {
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
    RECT r{0, 0, screenWidth, 0};
    WindowDc windowDc(window);
    HDC dc = windowDc.get();
    SavedDcState saved(dc);
    if (chip->dateOffset == -1 && chip->timeOffset == -1) {
        GdiObject<HFONT> font(CreateFontIndirectA(&chip->textFont));
        SelectedObject selected(dc, font.get());
        DrawTextA(dc, text, lstrlenA(text), &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
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

void CalcAspectFitSize(int32_t pictureWidth, int32_t pictureHeight, int32_t clientWidth, int32_t clientHeight,
                       int32_t* width, int32_t* height) {
    // Products in 64 bits; a picture without extent has nothing to fit.
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        *width = 0;
        *height = 0;
        return;
    }
    const int64_t sx = static_cast<int64_t>(clientWidth) * kScale / pictureWidth;
    const int64_t sy = static_cast<int64_t>(clientHeight) * kScale / pictureHeight;
    const int64_t s = sx < sy ? sx : sy;
    *width = ScaleUp(pictureWidth, s);
    *height = ScaleUp(pictureHeight, s);
}

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
    RECT client{};
    GetClientRect(window, &client);
    const int32_t cw = client.right - client.left;
    const int32_t ch = client.bottom - client.top;
    if (chip->placement == kPlacementFit) {
        chip->drawWidth = cw;
        chip->drawHeight = ch;
        return 0;
    }
    if (chip->placement == kPlacementAspectFit && chip->picture) {
        CalcAspectFitSize(chip->pictureWidth, chip->pictureHeight, cw, ch, &chip->drawWidth, &chip->drawHeight);
        return 0;
    }
    return 1;
}
