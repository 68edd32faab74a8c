// The warning pattern painted in copies must match, pixel for pixel, one
// TextOutA per cell, also where glyphs overhang their cells and at the edges.
#include <gtest/gtest.h>
#include <cstring>
#include "chip_scene.h"

namespace {
const char kWarningText[] = "警告";

// The warning pattern as one TextOutA per cell, drawn off-screen like the
// chip's own paint and copied to a canvas.
std::unique_ptr<PixelCanvas> PaintOneByOne(const LOGFONTA& textFont, int width, int height) {
    auto canvas = std::make_unique<PixelCanvas>(width > 0 ? width : 1, height > 0 ? height : 1);
    if (width <= 0 || height <= 0) return canvas;
    LOGFONTA warning = textFont;
    warning.lfHeight = 10;
    warning.lfOrientation = 1800;
    std::strcpy(warning.lfFaceName, "ＭＳ ゴシック");
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(canvas->dc(), width, height);
    HGDIOBJ keptBitmap = SelectObject(mem, bitmap);
    HFONT font = CreateFontIndirectA(&warning);
    HGDIOBJ keptFont = SelectObject(mem, font);
    SetTextColor(mem, RGB(0, 0, 0));
    SetBkMode(mem, TRANSPARENT);
    HBRUSH red = CreateSolidBrush(RGB(127, 0, 0));
    RECT r{0, 0, width, height};
    FillRect(mem, &r, red);
    DeleteObject(red);
    SIZE cell{};
    GetTextExtentPoint32A(mem, kWarningText, 4, &cell);
    for (LONG x = 0; x < width; x += cell.cx)
        for (LONG y = 0; y < height; y += cell.cy) TextOutA(mem, x, y, kWarningText, 4);
    BitBlt(canvas->dc(), 0, 0, width, height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, keptFont);
    DeleteObject(font);
    SelectObject(mem, keptBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    return canvas;
}

struct FontCase {
    const char* name;
    bool italic;
    int weight;
    int width;        // lfWidth
    int escapement;   // tenths of a degree
};
}  // namespace

TEST(WarningCells, CopiesMatchOneTextOutPerCell) {
    const FontCase fonts[] = {
        {"plain", false, FW_NORMAL, 0, 0},
        {"italic, overhanging to the right", true, FW_NORMAL, 6, 0},
        {"narrow bold italic, overhanging", true, FW_BOLD, 1, 0},
        {"wide bold italic", true, FW_BOLD, 14, 0},
        {"tilted, overhanging upwards", false, FW_NORMAL, 0, 100},
        {"turned upright, two cells high", false, FW_NORMAL, 0, 900},
    };
    const SIZE clients[] = {{0, 0}, {1, 1}, {7, 3}, {61, 37}, {333, 127}, {640, 23}, {19, 400}};
    for (const FontCase& f : fonts) {
        for (SIZE client : clients) {
            SCOPED_TRACE(std::string(f.name) + " in " + std::to_string(client.cx) + "x" + std::to_string(client.cy));
            const ChipSettings settings = PictureSettings(TempDirectory() + "warning-missing.bmp", 0);
            ChipScene scene(client.cx, client.cy, "", &settings);
            LOGFONTA font = MakeFont(-16, "Arial");
            font.lfItalic = f.italic;
            font.lfWeight = f.weight;
            font.lfWidth = f.width;
            font.lfEscapement = f.escapement;
            scene.host().info.textFont = font;
            Library().Update(scene.chip(), scene.window(), &scene.host().info);
            auto painted = scene.Paint();
            auto reference = PaintOneByOne(font, client.cx, client.cy);
            int differing = 0;
            for (int y = 0; y < client.cy; ++y)
                for (int x = 0; x < client.cx; ++x) differing += painted->At(x, y) != reference->At(x, y);
            EXPECT_EQ(differing, 0);
            if (client.cx == 0) {
                EXPECT_EQ(painted->At(0, 0), RGB(1, 2, 3)) << "nothing painted";
            }
        }
    }
}
