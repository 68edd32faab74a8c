// Default sizes, resizing and zooming through the exports.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include "chip_scene.h"
#include "test_clock.h"

namespace {
// What a bordered pop-up tool window adds around a client area.
SIZE FrameExtra() {
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, WS_POPUP | WS_VISIBLE | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    return SIZE{r.right - r.left - 100 + 2 * GetSystemMetrics(SM_CXFRAME),
                r.bottom - r.top - 100 + 2 * GetSystemMetrics(SM_CYFRAME)};
}

SIZE MeasureText(const LOGFONTA& font, const char* text, UINT flags, LONG right) {
    HDC dc = GetDC(nullptr);
    HFONT f = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(dc, f);
    RECT r{0, 0, right, 0};
    DrawTextA(dc, text, -1, &r, flags);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right, r.bottom};
}

void TestWindowResize(HWND window, int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE DefaultSize(ChipScene& scene) {
    int32_t size[2] = {-1, -1};
    EXPECT_EQ(Library().CalcDefaultRect(scene.chip(), scene.window(), size, scene.host().text.c_str()), 0);
    return SIZE{size[0], size[1]};
}
}  // namespace

TEST(DefaultSize, ByPictureIsTheDrawnSizeWithoutFrame) {
    const std::string picture = GradientPicture(70, 45, 1);
    const ChipSettings settings = PictureSettings(picture, 0, 10008);
    ChipScene scene(200, 150, "some text", &settings);
    const SIZE s = DefaultSize(scene);
    EXPECT_EQ(s.cx, 70);
    EXPECT_EQ(s.cy, 45);
    // Fit placements follow the client instead.
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10004);
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10001);
    const SIZE fit = DefaultSize(scene);
    EXPECT_EQ(fit.cx, 200);
    EXPECT_EQ(fit.cy, 150);
    // Sizing by text from the menu: 2 asks the host to size the chip anew.
    EXPECT_EQ(Library().DoDrawExMenu(scene.chip(), scene.window(), 10009), 2);
}

TEST(DefaultSize, ByTextAddsInsetAndBorder) {
    ChipScene scene(100, 100, "Hello chips\r\nsecond line");
    const SIZE text = MeasureText(scene.host().info.textFont, scene.host().text.c_str(),
                                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, GetSystemMetrics(SM_CXSCREEN));
    const SIZE extra = FrameExtra();
    const SIZE s = DefaultSize(scene);
    EXPECT_EQ(s.cx, text.cx + extra.cx);
    EXPECT_EQ(s.cy, text.cy + extra.cy);
    EXPECT_GT(extra.cx, 2 * GetSystemMetrics(SM_CXFRAME));
}

TEST(DefaultSize, TextIsCutToTheScreenBeforeTheFrame) {
    const std::string wide(3000, 'W');
    ChipScene scene(100, 100, wide);
    const SIZE s = DefaultSize(scene);
    EXPECT_EQ(s.cx, GetSystemMetrics(SM_CXSCREEN) + FrameExtra().cx);

    std::string tall;
    for (int i = 0; i < 400; ++i) tall += "line\r\n";
    ChipScene high(100, 100, tall);
    EXPECT_EQ(DefaultSize(high).cy, GetSystemMetrics(SM_CYSCREEN) + FrameExtra().cy);
}

TEST(DefaultSize, FieldLinesAddUpRunsAndLines) {
    // The date's width follows the instant; a five-digit year is longer.
    const SYSTEMTIME instants[] = {MakeInstant(2026, 12, 8, 0, 4, 36), MakeInstant(2028, 2, 29, 23, 59, 59),
                                   MakeInstant(10000, 1, 1, 10, 0, 0)};
    for (const SYSTEMTIME& instant : instants) {
        FrozenClock clock(instant);
        ChipSettings settings = PictureSettings("", 0);
        settings.dateFont = MakeFont(-30, "Arial");
        settings.dateFormat = 0;
        ChipScene scene(100, 100, "ab<date>\r\nplain second line that is long", &settings);
        const LOGFONTA& textFont = scene.host().info.textFont;
        char date[32];
        wsprintfA(date, "%4d/%2d/%2d", instant.wYear, instant.wMonth, instant.wDay);
        const UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
        const LONG screen = GetSystemMetrics(SM_CXSCREEN);
        const SIZE ab = MeasureText(textFont, "ab", flags, screen);
        const SIZE dateSize = MeasureText(settings.dateFont, date, flags, screen);
        const SIZE second = MeasureText(textFont, "plain second line that is long", flags, screen);
        const LONG width = std::max(ab.cx + dateSize.cx, second.cx);
        const LONG height = std::max(ab.cy, dateSize.cy) + second.cy;
        const SIZE s = DefaultSize(scene);
        EXPECT_EQ(s.cx, width + FrameExtra().cx) << date;
        EXPECT_EQ(s.cy, height + FrameExtra().cy) << date;
    }
}

TEST(Resize, FitPlacementsFollowTheWindow) {
    const std::string picture = GradientPicture(80, 40, 1);
    const ChipSettings fit = PictureSettings(picture, 5);
    ChipScene stretched(100, 100, "", &fit);
    TestWindowResize(stretched.window(), 130, 70);
    EXPECT_EQ(Library().Resize(stretched.chip(), stretched.window()), 0);
    EXPECT_EQ(stretched.state().drawWidth, 130);
    EXPECT_EQ(stretched.state().drawHeight, 70);

    const ChipSettings aspect = PictureSettings(picture, 6);
    ChipScene fitted(100, 100, "", &aspect);
    EXPECT_EQ(fitted.state().drawHeight, 50);
    TestWindowResize(fitted.window(), 300, 60);
    EXPECT_EQ(Library().Resize(fitted.chip(), fitted.window()), 0);
    EXPECT_EQ(fitted.state().drawWidth, 120);
    EXPECT_EQ(fitted.state().drawHeight, 60);

    const ChipSettings corner = PictureSettings(picture, 1);
    ChipScene cornered(100, 100, "", &corner);
    EXPECT_EQ(Library().Resize(cornered.chip(), cornered.window()), 1);
    EXPECT_EQ(cornered.state().drawWidth, 80);
}

TEST(Zoom, DroppedPictureComesBackAtTheNextPaint) {
    const std::string picture = GradientPicture(80, 40, 1);
    const ChipSettings aspect = PictureSettings(picture, 6);
    ChipScene scene(100, 100, "", &aspect);
    ASSERT_NE(scene.state().picture, nullptr);
    Library().Zoom(scene.chip(), 123, 1);
    EXPECT_NE(scene.state().picture, nullptr) << "only state 0 drops the picture";
    Library().Zoom(scene.chip(), 0, 0);
    EXPECT_EQ(scene.state().picture, nullptr);
    EXPECT_EQ(scene.state().pictureMissing, 0);
    TestWindowResize(scene.window(), 300, 60);
    EXPECT_EQ(Library().Resize(scene.chip(), scene.window()), 1);
    EXPECT_EQ(scene.state().drawWidth, 100);
    EXPECT_EQ(scene.state().drawHeight, 50);
    // The menu greys the picture commands meanwhile.
    HMENU menu = Library().GetDrawExMenu(scene.chip());
    EXPECT_TRUE(GetMenuState(menu, 10000, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    auto canvas = scene.Paint();
    EXPECT_NE(scene.state().picture, nullptr);
    EXPECT_EQ(canvas->At(0, 0), GradientAt(0, 0, 1));
}
