// Painting chips through DrawChip and checking pixels.
#include <gtest/gtest.h>
#include <climits>
#include <cstdlib>
#include <vector>
#include "chip_scene.h"
#include "test_clock.h"
#include "win/gdi_guards.h"

namespace {
constexpr COLORREF kRed = RGB(220, 30, 40);

struct CornerCase {
    uint32_t placement;
    int x, y;   // where the 40 x 30 picture lands in a 100 x 80 client
};
}  // namespace

TEST(PaintPicture, CornersCopyThePictureUnscaledAndFillAround) {
    const std::string picture = GradientPicture(40, 30, 99);
    const CornerCase cases[] = {{0, 0, 0}, {1, 60, 0}, {2, 0, 50}, {3, 60, 50}};
    for (const CornerCase& c : cases) {
        SCOPED_TRACE(c.placement);
        const ChipSettings settings = PictureSettings(picture, c.placement);
        ChipScene scene(100, 80, "", &settings);
        auto canvas = scene.Paint();
        EXPECT_EQ(canvas->At(c.x, c.y), GradientAt(0, 0, 99));
        EXPECT_EQ(canvas->At(c.x + 39, c.y + 29), GradientAt(39, 29, 99));
        EXPECT_EQ(canvas->At(c.x + 17, c.y + 11), GradientAt(17, 11, 99));
        // Around it, the background colour.
        const int outsideX = c.x == 0 ? 40 : 59;
        EXPECT_EQ(canvas->At(outsideX, c.y + 5), kBack);
        const int outsideY = c.y == 0 ? 30 : 49;
        EXPECT_EQ(canvas->At(c.x + 5, outsideY), kBack);
        EXPECT_EQ(canvas->At(c.x == 0 ? 99 : 0, c.y == 0 ? 79 : 0), kBack);
    }
}

TEST(PaintPicture, LargePictureInFarCornerIsCutAtTheClientEdges) {
    const std::string picture = GradientPicture(150, 120, 7);
    const ChipSettings settings = PictureSettings(picture, 3);
    ChipScene scene(100, 80, "", &settings);
    auto canvas = scene.Paint();
    // x = 100 - 150, y = 80 - 120: the client shows the picture from (50, 40).
    EXPECT_EQ(canvas->At(0, 0), GradientAt(50, 40, 7));
    EXPECT_EQ(canvas->At(99, 79), GradientAt(149, 119, 7));
}

TEST(PaintPicture, TilesRepeatFromTheTopLeft) {
    const std::string picture = GradientPicture(30, 20, 5);
    const ChipSettings settings = PictureSettings(picture, 4);  // tile
    {
        ChipScene scene(100, 70, "", &settings);
        EXPECT_EQ(scene.state().placement, 4);
        auto canvas = scene.Paint();
        for (int y = 0; y < 70; y += 3)
            for (int x = 0; x < 100; x += 7) ASSERT_EQ(canvas->At(x, y), GradientAt(x % 30, y % 20, 5)) << x << "," << y;
        EXPECT_EQ(canvas->At(99, 69), GradientAt(9, 9, 5));
    }
    {   // smaller than one tile: one tile, cut
        ChipScene scene(20, 15, "", &settings);
        auto canvas = scene.Paint();
        EXPECT_EQ(canvas->At(19, 14), GradientAt(19, 14, 5));
    }
    {   // one pixel wider than a tile: a second column starts
        ChipScene scene(31, 20, "", &settings);
        auto canvas = scene.Paint();
        EXPECT_EQ(canvas->At(30, 10), GradientAt(0, 10, 5));
        EXPECT_EQ(canvas->At(29, 10), GradientAt(29, 10, 5));
    }
}

TEST(PaintPicture, TileFillMatchesOneCopyPerTile) {
    // The fill copies what is already painted; it must give exactly the
    // pixels of one copy per tile, edges included.
    for (int tile : {1, 3, 7, 16}) {
        const std::string path = GradientPicture(tile, tile + 2, 60 + tile);
        const ChipSettings settings = PictureSettings(path, 4);
        auto* picture = static_cast<HBITMAP>(
            LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(picture, nullptr);
        for (SIZE client : {SIZE{1, 1}, SIZE{5, 3}, SIZE{64, 33}, SIZE{97, 71}}) {
            SCOPED_TRACE(std::to_string(tile) + " px tiles in " + std::to_string(client.cx) + "x" +
                         std::to_string(client.cy));
            ChipScene scene(client.cx, client.cy, "", &settings);
            auto painted = scene.Paint();
            PixelCanvas reference(client.cx, client.cy);
            HDC pictureDc = CreateCompatibleDC(reference.dc());
            HGDIOBJ kept = SelectObject(pictureDc, picture);
            for (int x = 0; x < client.cx; x += tile)
                for (int y = 0; y < client.cy; y += tile + 2)
                    BitBlt(reference.dc(), x, y, tile, tile + 2, pictureDc, 0, 0, SRCCOPY);
            SelectObject(pictureDc, kept);
            DeleteDC(pictureDc);
            int differing = 0;
            for (int y = 0; y < client.cy; ++y)
                for (int x = 0; x < client.cx; ++x) differing += painted->At(x, y) != reference.At(x, y);
            EXPECT_EQ(differing, 0);
        }
        DeleteObject(picture);
    }
}

TEST(PaintPicture, TilesOfOnePixelFillLargeClients) {
    const std::string picture = SolidPicture(1, 1, kRed);
    const ChipSettings settings = PictureSettings(picture, 4);
    ChipScene scene(1000, 700, "", &settings);
    auto canvas = scene.Paint();
    EXPECT_EQ(FindColour(*canvas, RGB(1, 2, 3), RECT{0, 0, 1000, 700}).right, 0);
    EXPECT_EQ(canvas->At(999, 699), kRed);
}

TEST(PaintPicture, FitStretchesTheWholePicture) {
    const std::string picture = GradientPicture(50, 40, 3);
    const ChipSettings settings = PictureSettings(picture, 5);
    ChipScene scene(100, 80, "", &settings);
    const ChipState s = scene.state();
    EXPECT_EQ(s.fitMenu, 1);
    EXPECT_EQ(s.drawWidth, 100);
    EXPECT_EQ(s.drawHeight, 80);
    auto canvas = scene.Paint();
    EXPECT_EQ(canvas->At(0, 0), GradientAt(0, 0, 3));
    EXPECT_EQ(canvas->At(99, 79), GradientAt(49, 39, 3));
    EXPECT_EQ(canvas->At(50, 40), GradientAt(25, 20, 3));
}

TEST(PaintPicture, AspectFitKeepsTheRatioAndFillsTheRest) {
    const std::string picture = SolidPicture(40, 20, kRed);
    const ChipSettings settings = PictureSettings(picture, 6);
    ChipScene scene(100, 100, "", &settings);
    EXPECT_EQ(scene.state().drawWidth, 100);
    EXPECT_EQ(scene.state().drawHeight, 50);
    auto canvas = scene.Paint();
    EXPECT_EQ(canvas->At(99, 49), kRed);
    EXPECT_EQ(canvas->At(50, 50), kBack);
    EXPECT_EQ(canvas->At(0, 99), kBack);
}

TEST(PaintWarning, UnreadablePictureShowsTheWarningPattern) {
    const ChipSettings settings = PictureSettings(TempDirectory() + "missing.bmp", 3);
    ChipScene scene(120, 90, "", &settings);
    EXPECT_EQ(scene.state().pictureMissing, 1);
    // A later paint sets the placement back to top left for good.
    ChipState s = scene.state();
    EXPECT_EQ(s.placement, 0);
    auto canvas = scene.Paint();
    int dark = 0, red = 0, other = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const COLORREF c = canvas->At(x, y);
            if (c == RGB(127, 0, 0)) ++red;
            else if (GetRValue(c) < 127 && GetGValue(c) == 0 && GetBValue(c) == 0) ++dark;
            else ++other;
        }
    EXPECT_GT(red, 120 * 90 / 2);
    EXPECT_GT(dark, 50) << "black warning text";
    EXPECT_EQ(other, 0);

    // The word stays Japanese whatever character set the chip's font has.
    for (BYTE charset : {BYTE(ANSI_CHARSET), BYTE(EASTEUROPE_CHARSET)}) {
        ChipScene western(120, 90, "", &settings);
        western.host().info.textFont.lfCharSet = charset;
        Library().Update(western.chip(), western.window(), &western.host().info);
        auto other = western.Paint();
        int differing = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x) differing += other->At(x, y) != canvas->At(x, y);
        EXPECT_EQ(differing, 0) << int(charset);
    }
}

TEST(PaintWarning, PlacementResetsWhenThePictureGoesMissing) {
    const std::string path = TempDirectory() + "vanishing.bmp";
    WriteSolidBmp(path, 20, 20, kRed);
    const ChipSettings settings = PictureSettings(path, 2);
    ChipScene scene(80, 60, "", &settings);
    ASSERT_EQ(scene.state().placement, 2);
    Library().Zoom(scene.chip(), 0, 0);
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    auto canvas = scene.Paint();
    // The warning pattern, not the picture's old place or an unfilled chip.
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) red += canvas->At(x, y) == RGB(127, 0, 0);
    EXPECT_GT(red, 80 * 60 / 2);
    EXPECT_EQ(scene.state().placement, 0);
    EXPECT_EQ(scene.state().pictureMissing, 0) << "a failed load on paint is tried again";
}

TEST(PaintText, WarningTextIsDrawnTransparently) {
    const ChipSettings settings = PictureSettings(TempDirectory() + "missing.bmp", 0);
    ChipScene scene(200, 60, "WWWWWWWW", &settings);
    auto canvas = scene.Paint();
    EXPECT_NE(FindColour(*canvas, kInk, RECT{0, 0, 200, 60}).right, 0);
    EXPECT_EQ(FindColour(*canvas, kBack, RECT{0, 0, 200, 60}).right, 0) << "no opaque text background";
}

TEST(PaintText, NoPictureFillsWithTheBackgroundAndDrawsOpaque) {
    ChipScene scene(150, 60, "MMMM");
    auto canvas = scene.Paint();
    int ink = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 150; ++x) {
            const COLORREF c = canvas->At(x, y);
            ASSERT_TRUE(c == kBack || c == kInk || GetRValue(c) == 0) << x << "," << y;
            ink += c == kInk;
        }
    EXPECT_GT(ink, 20);
}

TEST(PaintText, TextOverAPictureLeavesThePictureBetweenGlyphs) {
    const std::string picture = SolidPicture(10, 10, kRed);
    const ChipSettings settings = PictureSettings(picture, 5);
    ChipScene scene(150, 60, "MMMM", &settings);
    auto canvas = scene.Paint();
    const RECT ink = FindColour(*canvas, kInk, RECT{0, 0, 150, 60});
    ASSERT_NE(ink.right, 0);
    EXPECT_EQ(FindColour(*canvas, kBack, ink).right, 0);
    EXPECT_NE(FindColour(*canvas, kRed, ink).right, 0);
}

TEST(PaintText, PlainTextIsInsetByTheFrame) {
    ChipScene scene(200, 80, "MMMM");
    auto canvas = scene.Paint();
    const RECT ink = FindColour(*canvas, kInk, RECT{0, 0, 200, 80});
    EXPECT_GE(ink.left, GetSystemMetrics(SM_CXFRAME));
    EXPECT_GE(ink.top, GetSystemMetrics(SM_CYFRAME));
    EXPECT_LE(ink.left, GetSystemMetrics(SM_CXFRAME) + 3);
}

TEST(PaintText, RightAlignedPlainTextReachesTheEdgeButFieldLinesKeepTheFrame) {
    // The last glyph's side bearing depends on the day's digit.
    FrozenClock clock(MakeInstant(2026, 12, 8, 12, 0, 0));
    const std::string picture = SolidPicture(10, 10, kRed);
    ChipSettings settings = PictureSettings("", 0, 10009, 2);
    ChipScene plain(300, 60, "MMMM", &settings);
    ChipScene field(300, 60, "MMMM<date>", &settings);
    const RECT plainInk = FindColour(*plain.Paint(), kInk, RECT{0, 0, 300, 60});
    const RECT fieldInk = FindColour(*field.Paint(), kInk, RECT{0, 0, 300, 60});
    const int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_GE(plainInk.right, 300 - 3);
    EXPECT_LE(fieldInk.right, 300 - frame);
    EXPECT_GE(fieldInk.right, 300 - frame - 4);
}

TEST(PaintText, StoredAlignmentKeepsOnlyItsAlignmentBits) {
    // DT_CALCRECT would measure and draw nothing; it must not get through.
    ChipSettings calc = PictureSettings("", 0, 10009, DT_CALCRECT);
    ChipScene left(300, 60, "MM", &calc);
    EXPECT_EQ(left.state().textAlign, DT_CALCRECT);
    const RECT leftInk = FindColour(*left.Paint(), kInk, RECT{0, 0, 300, 60});
    ASSERT_NE(leftInk.right, 0);
    EXPECT_LT(leftInk.left, 20);
    // DT_CENTER with DT_VCENTER is centred as DT_CENTER alone.
    ChipSettings centred = PictureSettings("", 0, 10009, DT_CENTER | DT_VCENTER);
    ChipSettings plain = PictureSettings("", 0, 10009, 1);
    ChipScene a(300, 60, "MM", &centred);
    ChipScene b(300, 60, "MM", &plain);
    const RECT inkA = FindColour(*a.Paint(), kInk, RECT{0, 0, 300, 60});
    const RECT inkB = FindColour(*b.Paint(), kInk, RECT{0, 0, 300, 60});
    EXPECT_EQ(inkA.left, inkB.left);
    EXPECT_EQ(inkA.top, inkB.top);
    EXPECT_GT(inkA.left, 100);
}

TEST(PaintText, CentredFieldLineWiderThanTheClientStartsLeftOfIt) {
    // Where the glyphs fall on column 0 depends on the time text's width.
    FrozenClock clock(MakeInstant(2026, 12, 8, 23, 42, 38));
    ChipSettings settings = PictureSettings("", 0, 10009, 1);
    ChipScene scene(40, 40, "MMMMMMMMMM<time>", &settings);
    auto canvas = scene.Paint();
    // Starts at a negative x, so the first glyph is cut at the left edge.
    EXPECT_EQ(FindColour(*canvas, kInk, RECT{0, 0, 1, 40}).right, 1);
}

TEST(PaintText, RunsOfALineShareTheirBottomEdge) {
    // The ink's bottom depends on the digits shown: some reach below the line.
    FrozenClock clock(MakeInstant(2026, 12, 8, 6, 43, 17));
    ChipSettings settings = PictureSettings("", 0);
    settings.timeFont = MakeFont(-48, "Arial");
    settings.timeColour = RGB(255, 0, 255);
    // The tall run in the middle: the line is as tall as its tallest run,
    // wherever that run stands.
    ChipScene scene(400, 120, "I<time>I", &settings);
    auto canvas = scene.Paint();
    const RECT plain = FindColour(*canvas, kInk, RECT{0, 0, 400, 120});
    const RECT time = FindColour(*canvas, RGB(255, 0, 255), RECT{0, 0, 400, 120});
    ASSERT_NE(plain.right, 0);
    ASSERT_NE(time.right, 0);
    EXPECT_GT(plain.top, time.top + 15) << "the small runs sit low, at the tall run's bottom";
    EXPECT_NEAR(plain.bottom, time.bottom, 6);
    EXPECT_GT(time.bottom - time.top, 25) << "the tall run is drawn whole, not cut at the top";
}

TEST(PaintText, EmptyFieldLineStillAdvances) {
    ChipScene oneBreak(200, 150, "<date>\r\nX");
    ChipScene twoBreaks(200, 150, "<date>\r\n\r\nX");
    // The date is ink too; X is the lowest ink.
    const RECT a = FindColour(*oneBreak.Paint(), kInk, RECT{0, 0, 200, 150});
    const RECT b = FindColour(*twoBreaks.Paint(), kInk, RECT{0, 0, 200, 150});
    EXPECT_GE(b.bottom - a.bottom, 12);
}

TEST(PaintChip, EmptyClientPaintsNothingButStillUpdatesTheChip) {
    ChipSettings settings = PictureSettings(TempDirectory() + "empty-client-missing.bmp", 0);
    settings.timeFormat = 0;  // shows seconds
    ChipScene scene(0, 40, "text<time>", &settings);
    auto* state = static_cast<ChipState*>(LocalLock(scene.chip()));
    state->placement = 3;
    state->timeShowsSeconds = 0;
    LocalUnlock(scene.chip());
    PixelCanvas canvas(10, 10, RGB(5, 6, 7));
    EXPECT_EQ(Library().DrawChip(scene.chip(), scene.window(), canvas.dc(), "text<time>"), 1);
    EXPECT_EQ(canvas.At(0, 0), RGB(5, 6, 7));
    EXPECT_EQ(canvas.At(9, 9), RGB(5, 6, 7));
    EXPECT_EQ(scene.state().placement, 0) << "the warning pattern resets the placement";
    EXPECT_EQ(scene.state().timeShowsSeconds, 1) << "the time field was formatted";
}

// DrawChip only copies into the host's DC; the objects it paints with are
// selected into DCs of its own.
TEST(PaintChip, HostDcKeepsItsSelectedObjects) {
    const std::string picture = GradientPicture(30, 20, 1);
    const ChipSettings settings = PictureSettings(picture, 4);
    ChipScene scene(90, 50, "a<date>b", &settings);
    PixelCanvas canvas(90, 50);
    HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
    HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);
    HGDIOBJ bitmap = GetCurrentObject(canvas.dc(), OBJ_BITMAP);
    Library().DrawChip(scene.chip(), scene.window(), canvas.dc(), "a<date>b");
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BITMAP), bitmap);
}

TEST(PaintChip, ThousandsOfPaintsAndSizesLeakNothing) {
    const std::string picture = GradientPicture(30, 20, 2);
    const ChipSettings tile = PictureSettings(picture, 4, 10009);
    const ChipSettings corner = PictureSettings(picture, 3, 10009);
    ChipSettings fields = PictureSettings(picture, 6, 10009);
    fields.dateFont = MakeFont(-20, "Arial");
    const ChipSettings missing = PictureSettings(TempDirectory() + "nothing.bmp", 0);
    ChipScene a(120, 80, "tile <date>\r\n<time>", &tile);
    ChipScene b(120, 80, "plain text here", &corner);
    ChipScene c(120, 80, "<date> and <time>", &fields);
    ChipScene d(120, 80, "warn", &missing);
    PixelCanvas canvas(120, 80);
    auto cycle = [&](ChipScene& s) {
        Library().DrawChip(s.chip(), s.window(), canvas.dc(), s.host().text.c_str());
        int32_t size[2];
        Library().CalcDefaultRect(s.chip(), s.window(), size, s.host().text.c_str());
    };
    for (int i = 0; i < 20; ++i) { cycle(a); cycle(b); cycle(c); cycle(d); }
    const int before = CountFreeGdiSlots();
    for (int i = 0; i < 600; ++i) {
        cycle(a); cycle(b); cycle(c); cycle(d);
        if (i % 50 == 0) Library().Zoom(c.chip(), 0, 0);
    }
    const int after = CountFreeGdiSlots();
    EXPECT_GT(before, 1000);
    EXPECT_GE(after, before - 2) << "GDI objects lost";
}

namespace {
// The pixels of one colour cut to their bounding box, row by row: the same text
// drawn at another place gives the same mask.
std::vector<std::string> MaskOf(const PixelCanvas& canvas, COLORREF colour) {
    const RECT box = FindColour(canvas, colour, RECT{0, 0, canvas.width(), canvas.height()});
    std::vector<std::string> rows;
    for (LONG y = box.top; y < box.bottom; ++y) {
        rows.emplace_back();
        for (LONG x = box.left; x < box.right; ++x) rows.back() += canvas.At(x, y) == colour ? '#' : '.';
    }
    return rows;
}

std::wstring Widen(const std::string& cp932) {
    wchar_t text[128] = L"";
    return std::wstring(text, MultiByteToWideChar(932, 0, cp932.c_str(), -1, text, 128) - 1);
}

// A code page 932 text drawn (or measured) by the test itself, with the byte or
// the wide call, its whole length as the count.
RECT DrawItself(HDC dc, const LOGFONTA& font, const std::string& cp932, bool wide, RECT r, UINT format) {
    GdiObject<HFONT> created(CreateFontIndirectA(&font));
    SelectedObject selected(dc, created.get());
    if (wide) DrawTextW(dc, Widen(cp932).c_str(), static_cast<int>(Widen(cp932).size()), &r, format);
    else DrawTextA(dc, cp932.c_str(), static_cast<int>(cp932.size()), &r, format);
    return r;
}

std::vector<std::string> Reference(const LOGFONTA& font, const std::string& cp932, bool wide) {
    PixelCanvas canvas(400, 80, kBack);
    SetTextColor(canvas.dc(), kInk);
    SetBkMode(canvas.dc(), TRANSPARENT);
    DrawItself(canvas.dc(), font, cp932, wide, RECT{10, 10, 400, 80}, DT_NOPREFIX | DT_EXPANDTABS);
    return MaskOf(canvas, kInk);
}

LOGFONTA FontWithCharset(const char* face, BYTE charset, int height = -20) {
    LOGFONTA font = MakeFont(height, face);
    font.lfCharSet = charset;
    return font;
}
}  // namespace

// The library's texts are code page 932; in a font of another character set
// they still show Japanese; Japanese and symbol fonts, and empty texts, take the byte call.
TEST(PaintText, JapaneseStaysJapaneseInAnyFont) {
    const struct {
        const char* name;
        LOGFONTA font;      // the chip's font, or the date field's when it is a field
        bool dateField;
        bool wide;          // the text must look as the wide call draws it
        const char* text = "日本語のメモ";  // the chip's text when it has no field
        int32_t dateFormat = 2;  // "2026年12月 7日"; past the rows, an empty field
    } cases[] = {
        {"Western chip font", FontWithCharset("DejaVu Serif", ANSI_CHARSET), false, true},
        {"Western date field", FontWithCharset("DejaVu Serif", ANSI_CHARSET), true, true},
        {"Japanese chip font", FontWithCharset("IPAGothic", SHIFTJIS_CHARSET), false, false},
        {"Japanese date field", FontWithCharset("IPAGothic", SHIFTJIS_CHARSET), true, false},
        {"Symbol font", FontWithCharset("Symbol", SYMBOL_CHARSET, -40), false, false, "\x82\xA0\x82\xA2 \xE0\xF0 abc"},
        {"empty text, Western font", FontWithCharset("DejaVu Serif", ANSI_CHARSET), false, false, ""},
        {"empty text, Japanese font", FontWithCharset("IPAGothic", SHIFTJIS_CHARSET), false, false, ""},
        {"empty field, Western font", FontWithCharset("DejaVu Serif", ANSI_CHARSET), true, false, "", 8},
        {"empty field, Japanese font", FontWithCharset("IPAGothic", SHIFTJIS_CHARSET), true, false, "", 8},
    };
    // Wine's own Symbol font (Debian's fonts-wine), which Wine does not find by itself.
    ASSERT_GT(AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\symbol.ttf", FR_PRIVATE, nullptr), 0);
    const SYSTEMTIME instant = MakeInstant(2026, 12, 7, 10, 0, 0);
    FrozenClock clock(instant);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChipSettings settings = PictureSettings("", 0);
        settings.dateFormat = c.dateFormat;
        settings.dateFont = c.font;
        settings.dateColour = kInk;
        ChipScene scene(400, 80, c.dateField ? "<date>" : c.text, &settings);
        if (!c.dateField) {
            scene.host().info.textFont = c.font;
            Library().Update(scene.chip(), scene.window(), &scene.host().info);
        }
        // The field as format 2 writes this instant; past the rows, nothing.
        const std::string date = c.dateFormat == 2 ? "2026年12月 7日" : "";
        const std::string text = c.dateField ? date : c.text;
        const std::vector<std::string> painted = MaskOf(*scene.Paint(), kInk);
        ASSERT_EQ(painted.empty(), text.empty());
        const std::vector<std::string> bytes = Reference(c.font, text, false);
        EXPECT_EQ(painted, c.wide ? Reference(c.font, text, true) : bytes);
        if (c.wide) {
            EXPECT_NE(painted, bytes) << "the byte call shows Western glyphs in this font";
        }

        // Default sizing measures what is drawn; a field is one line, an empty one adds nothing.
        PixelCanvas measure(1, 1);
        const LONG right = c.dateField ? 0 : GetSystemMetrics(SM_CXSCREEN);
        RECT r = DrawItself(measure.dc(), c.font, text, c.wide, RECT{0, 0, right, 0},
                            DT_CALCRECT | (c.dateField ? 0 : DT_WORDBREAK) | DT_EXPANDTABS | DT_NOPREFIX);
        r.right += 2 * GetSystemMetrics(SM_CXFRAME);
        r.bottom += 2 * GetSystemMetrics(SM_CYFRAME);
        AdjustWindowRectEx(&r, WS_POPUP | WS_VISIBLE | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
        int32_t size[2] = {0, 0};
        ASSERT_EQ(Library().CalcDefaultRect(scene.chip(), scene.window(), size, scene.host().text.c_str()), 0);
        EXPECT_EQ(size[0], r.right - r.left);
        EXPECT_EQ(size[1], r.bottom - r.top);
    }
}
