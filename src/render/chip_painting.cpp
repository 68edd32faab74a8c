#include "render/chip_painting.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include "chip/placement.h"
#include "chip/text_alignment.h"
#include "win/gdi_guards.h"
#include "render/run_layout.h"
#include "render/scaled_picture.h"
#include "render/warning_cells.h"
#include "text/text_runs.h"

namespace {
const char kWarningText[] = "警告";
const char kWarningFace[] = "ＭＳ ゴシック";
constexpr COLORREF kWarningColour = RGB(127, 0, 0);

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush) FillRect(dc, &r, brush.get());
}

// Fills [0, limit) along one axis by copying what is already painted: the
// same pixels as one copy per tile, with a few dozen calls however small the
// tile.
void DoubleAcross(HDC dc, LONG painted, LONG limit, LONG height) {
    while (painted > 0 && painted < limit) {
        BitBlt(dc, painted, 0, painted, height, dc, 0, 0, SRCCOPY);
        painted *= 2;
    }
}
void DoubleDown(HDC dc, LONG painted, LONG limit, LONG width) {
    while (painted > 0 && painted < limit) {
        BitBlt(dc, 0, painted, width, painted, dc, 0, 0, SRCCOPY);
        painted *= 2;
    }
}

// Tiles of drawWidth x drawHeight from the picture's top-left corner, the
// first at (0, 0), of which `first` is copied from the picture DC (the drawn
// copy: the tile, or what shows of it). Sizes of 0 or less draw no tile.
void DrawTiles(ChipState* chip, HDC mem, HDC pictureDc, const RECT& r, SIZE first) {
    const LONG tw = chip->drawWidth;
    const LONG th = chip->drawHeight;
    if (tw <= 0 || th <= 0 || r.right <= 0 || r.bottom <= 0) return;
    BitBlt(mem, 0, 0, first.cx, first.cy, pictureDc, 0, 0, SRCCOPY);
    // The first row, then the rows below it.
    DoubleAcross(mem, tw, r.right, th);
    DoubleDown(mem, th, r.bottom, r.right);
}

// The chip's drawn copy (scaled_picture.h) at its place: the part of a picture
// at its own size that shows, or a stretched picture's scaled copy, enlarged
// where the drawn size is larger than the picture.
void DrawPictureLayer(ChipState* chip, HDC dc, HDC mem, const RECT& r) {
    BITMAP copy{};
    if (!GetObjectA(chip->picture, sizeof(copy), &copy)) return;
    const bool stretched = IsStretched(chip->placement);
    LONG x = 0, y = 0;
    switch (chip->placement) {
    case kPlacementTopRight: x = r.right - chip->drawWidth; break;
    case kPlacementBottomLeft: y = r.bottom - chip->drawHeight; break;
    case kPlacementBottomRight:
        x = r.right - chip->drawWidth;
        y = r.bottom - chip->drawHeight;
        break;
    default: break;
    }
    MemoryDc pictureDc(dc);
    SelectedObject selected(pictureDc.get(), chip->picture);
    if (chip->placement == kPlacementTile) {
        DrawTiles(chip, mem, pictureDc.get(), r, SIZE{copy.bmWidth, copy.bmHeight});
        return;
    }
    if (!stretched) {
        const POINT at = CopyOrigin(*chip, r);
        BitBlt(mem, at.x, at.y, copy.bmWidth, copy.bmHeight, pictureDc.get(), 0, 0, SRCCOPY);
    } else if (copy.bmWidth == chip->drawWidth && copy.bmHeight == chip->drawHeight) {
        BitBlt(mem, 0, 0, copy.bmWidth, copy.bmHeight, pictureDc.get(), 0, 0, SRCCOPY);
    } else {
        // Already reduced along every axis that shrinks; what is left only
        // enlarges, which StretchBlt does in blocks.
        StretchBlt(mem, 0, 0, chip->drawWidth, chip->drawHeight, pictureDc.get(), 0, 0, copy.bmWidth, copy.bmHeight,
                   SRCCOPY);
    }
    // The background around the picture.
    GdiObject<HRGN> clip(CreateRectRgnIndirect(&r));
    SelectClipRgn(mem, clip.get());
    ExcludeClipRect(mem, x, y, x + chip->drawWidth, y + chip->drawHeight);
    FillSolid(mem, r, chip->backColour);
    SelectClipRgn(mem, nullptr);
}

// Black "警告" tiles on dark red: a picture is named but could not be had.
void DrawWarningPattern(ChipState* chip, HDC mem, const RECT& r) {
    SavedDcState saved(mem);
    chip->placement = kPlacementTopLeft;
    LOGFONTA warningFont = chip->textFont;
    warningFont.lfHeight = 10;
    warningFont.lfOrientation = 1800;
    std::memcpy(warningFont.lfFaceName, kWarningFace, sizeof(kWarningFace));
    // The word is code page 932: under a Western or other character set taken
    // from the chip's font it would come out as other glyphs.
    if (warningFont.lfCharSet != SHIFTJIS_CHARSET && warningFont.lfCharSet != DEFAULT_CHARSET)
        warningFont.lfCharSet = SHIFTJIS_CHARSET;
    GdiObject<HFONT> font(CreateFontIndirectA(&warningFont));
    SelectedObject selected(mem, font.get());
    SetTextColor(mem, RGB(0, 0, 0));
    SetBkMode(mem, TRANSPARENT);
    FillSolid(mem, r, kWarningColour);
    SIZE cell{};
    GetTextExtentPoint32A(mem, kWarningText, 4, &cell);
    DrawWarningCells(mem, r, cell, kWarningText, 4);
}

void DrawPlainText(ChipState* chip, HDC mem, RECT r, const char* text) {
    SetTextColor(mem, chip->textColour);
    GdiObject<HFONT> font(CreateFontIndirectA(&chip->textFont));
    SelectedObject selected(mem, font.get());
    DrawChipText(mem, chip->textFont, text, lstrlenA(text), &r,
                 AlignmentDrawFlags(chip->textAlign) | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
}

// Line by line; the runs of a line share one bottom edge.
void DrawFieldText(ChipState* chip, HDC mem, const RECT& r, const char* text) {
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int32_t length = lstrlenA(text);
    int32_t pos = 0;
    LONG top = r.top;
    LineRuns runs{};
    do {
        SplitTextLine(chip, text, &pos, &runs);
        const LineExtent line = MeasureLine(mem, runs, 0);
        const int32_t alignment = FieldLineAlignment(chip->textAlign);
        LONG x = alignment == 0   ? frame
                 : alignment == 2 ? r.right - line.width - frame
                                  : (r.right - line.width) / 2;
        for (int k = 0; k < runs.runCount; ++k) {
            GdiObject<HFONT> font(CreateFontIndirectA(runs.runFont[k]));
            SelectedObject selected(mem, font.get());
            SetTextColor(mem, runs.runColour[k]);
            RECT box{x, top + line.height - line.run[k].cy, r.right, r.bottom};
            DrawChipText(mem, *runs.runFont[k], runs.runText[k], -1, &box, DT_NOPREFIX | DT_EXPANDTABS);
            x += line.run[k].cx;
        }
        ReleaseRunTexts(&runs);
        top += line.height;
    } while (pos < length);
}

}  // namespace

void PaintChip(ChipState* chip, HWND window, HDC dc, const char* text) {
    RECT r{};
    GetClientRect(window, &r);
    const LONG width = r.right - r.left;
    const LONG height = r.bottom - r.top;

    // An empty client area, or one too large for a bitmap, shows nothing; the
    // layers still run, since the warning resets the placement and the time
    // field records whether it shows seconds.
    MemoryDc mem(nullptr);
    GdiObject<HBITMAP> offscreen(width > 0 && height > 0 ? CreateCompatibleBitmap(dc, width, height) : nullptr);
    SelectedObject selected(mem.get(), offscreen.get());

    if (chip->picture)
        DrawPictureLayer(chip, dc, mem.get(), r);
    else if (chip->picturePath[0])
        DrawWarningPattern(chip, mem.get(), r);

    {
        SavedDcState saved(mem.get());
        if (chip->picturePath[0] == '\0') {
            SetBkColor(mem.get(), chip->backColour);
            SetBkMode(mem.get(), OPAQUE);
            FillSolid(mem.get(), r, chip->backColour);
        } else {
            SetBkMode(mem.get(), TRANSPARENT);
        }
        RECT inset = r;
        inset.top += GetSystemMetrics(SM_CYFRAME);
        inset.left += GetSystemMetrics(SM_CXFRAME);
        if (!HasFields(*chip))
            DrawPlainText(chip, mem.get(), inset, text);
        else
            DrawFieldText(chip, mem.get(), inset, text);
    }
    GetClientRect(window, &r);
    if (offscreen) BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem.get(), 0, 0, SRCCOPY);
}
