// The pattern repeats with the cell's period except near its edges: a cell's
// glyphs may overhang its neighbours, and cells at the edges lack some of the
// neighbours that overhang the others. So the loop is run on a pattern a few
// cells wide and high, just enough for one cell with every neighbour, and the
// rest is copied: that cell's column and row repeat inside, the edge cells are
// copied from the small pattern's edges.
#include "render/warning_cells.h"
#include <cstdint>
#include <vector>
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

namespace {
// Cells on each side of the probe cell; ink reaching farther is not measured.
constexpr LONG kProbeMargin = 3;
constexpr LONG kProbeCells = 2 * kProbeMargin + 1;
constexpr LONG64 kMaxProbePixels = 16 * 1024 * 1024;

void DrawOneByOne(HDC dc, LONG right, LONG bottom, SIZE cell, const char* text, int length) {
    for (LONG x = 0; x < right; x += cell.cx)
        for (LONG y = 0; y < bottom; y += cell.cy) TextOutA(dc, x, y, text, length);
}

// How many cells away from its own a cell's ink can reach, along x and y.
struct Reach {
    LONG x, y;
};

// Cells whose ink, found in [first, last] around the origin, reaches a cell of
// size `extent` other than its own.
LONG CellsReached(LONG first, LONG last, LONG extent) {
    const LONG before = first < 0 ? (-first + extent - 1) / extent : 0;
    const LONG after = last >= extent ? last / extent : 0;
    return before > after ? before : after;
}

// Draws one cell in the middle of a probe bitmap like dc's and finds its ink.
// False when the ink may reach past the probe, or the probe cannot be made.
bool MeasureReach(HDC dc, SIZE cell, const char* text, int length, Reach* reach) {
    if (static_cast<LONG64>(cell.cx) * cell.cy * kProbeCells * kProbeCells > kMaxProbePixels) return false;
    const LONG width = cell.cx * kProbeCells;
    const LONG height = cell.cy * kProbeCells;
    MemoryDc probe(dc);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, width, height));
    if (!probe.get() || !bitmap) return false;
    {
        SelectedObject selectedBitmap(probe.get(), bitmap.get());
        SelectedObject selectedFont(probe.get(), GetCurrentObject(dc, OBJ_FONT));
        SetTextAlign(probe.get(), GetTextAlign(dc));
        PatBlt(probe.get(), 0, 0, width, height, WHITENESS);
        SetBkMode(probe.get(), TRANSPARENT);
        SetTextColor(probe.get(), RGB(0, 0, 0));
        TextOutA(probe.get(), kProbeMargin * cell.cx, kProbeMargin * cell.cy, text, length);
    }
    BITMAPINFO info = Dib32Info(width, -height);
    std::vector<uint32_t> pixels;
    try {
        pixels.resize(static_cast<size_t>(width) * height);
    } catch (...) {
        return false;   // no memory: paint cell by cell
    }
    if (GetDIBits(probe.get(), bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) return false;
    LONG left = width, top = height, right = -1, bottom = -1;
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            if ((pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF) != 0xFFFFFF) {
                if (x < left) left = x;
                if (x > right) right = x;
                if (y < top) top = y;
                if (y > bottom) bottom = y;
            }
    if (right < 0) {
        *reach = {0, 0};
        return true;
    }
    if (left == 0 || top == 0 || right == width - 1 || bottom == height - 1) return false;
    // One pixel more on every side, in case another depth shades an edge.
    reach->x = CellsReached(left - 1 - kProbeMargin * cell.cx, right + 1 - kProbeMargin * cell.cx, cell.cx);
    reach->y = CellsReached(top - 1 - kProbeMargin * cell.cy, bottom + 1 - kProbeMargin * cell.cy, cell.cy);
    return true;
}

// One axis of the copy. Cells [0, reach] of the small pattern keep their
// place; its last `reach` cells go to the end of the full extent; between
// them cell `reach` repeats.
struct AxisPlan {
    LONG head;        // [0, head) copied in place; the whole extent when nothing repeats
    LONG tailSource;  // small pattern's [tailSource, smallExtent) ...
    LONG tailTarget;  // ... goes to [tailTarget, extent)
    LONG tailLength;
    LONG small;       // extent of the small pattern
};

AxisPlan PlanAxis(LONG extent, LONG cellSize, LONG reach) {
    const LONG cells = (extent + cellSize - 1) / cellSize;
    const LONG smallCells = 2 * reach + 1;
    if (cells <= smallCells) return {extent, extent, extent, 0, extent};
    const LONG head = (reach + 1) * cellSize;
    // Without overhang the last cell, cut or not, is a repeat like the others.
    const LONG tailTarget = reach > 0 ? (cells - reach) * cellSize : extent;
    const LONG tailLength = extent - tailTarget;
    return {head, head, tailTarget, tailLength, head + tailLength};
}

// Fills [from, to) along x (or y) by doubling the cell just before `from`.
void RepeatAcross(HDC dc, LONG from, LONG to, LONG cellSize, LONG top, LONG height) {
    const LONG source = from - cellSize;
    for (LONG at = from; at < to;) {
        const LONG n = at - source < to - at ? at - source : to - at;
        BitBlt(dc, at, top, n, height, dc, source, top, SRCCOPY);
        at += n;
    }
}
void RepeatDown(HDC dc, LONG from, LONG to, LONG cellSize, LONG width) {
    const LONG source = from - cellSize;
    for (LONG at = from; at < to;) {
        const LONG n = at - source < to - at ? at - source : to - at;
        BitBlt(dc, 0, at, width, n, dc, 0, source, SRCCOPY);
        at += n;
    }
}
}  // namespace

void DrawWarningCells(HDC dc, const RECT& r, SIZE cell, const char* text, int length) {
    if (cell.cx <= 0 || cell.cy <= 0 || r.right <= 0 || r.bottom <= 0) return;
    Reach reach{};
    if (!MeasureReach(dc, cell, text, length, &reach)) {
        DrawOneByOne(dc, r.right, r.bottom, cell, text, length);
        return;
    }
    const AxisPlan px = PlanAxis(r.right, cell.cx, reach.x);
    const AxisPlan py = PlanAxis(r.bottom, cell.cy, reach.y);
    if (px.tailSource == r.right && py.tailSource == r.bottom) {
        DrawOneByOne(dc, r.right, r.bottom, cell, text, length);
        return;
    }

    // The small pattern, on the background the full one starts from.
    MemoryDc small(dc);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, px.small, py.small));
    if (!small.get() || !bitmap) {
        DrawOneByOne(dc, r.right, r.bottom, cell, text, length);
        return;
    }
    {
        SelectedObject selectedBitmap(small.get(), bitmap.get());
        SelectedObject selectedFont(small.get(), GetCurrentObject(dc, OBJ_FONT));
        SetTextAlign(small.get(), GetTextAlign(dc));
        SetTextColor(small.get(), GetTextColor(dc));
        SetBkColor(small.get(), GetBkColor(dc));
        SetBkMode(small.get(), GetBkMode(dc));
        BitBlt(small.get(), 0, 0, px.small, py.small, dc, 0, 0, SRCCOPY);
        DrawOneByOne(small.get(), px.small, py.small, cell, text, length);

        // Its four parts to their places, then the repeats.
        const LONG xs[2][3] = {{0, 0, px.head}, {px.tailSource, px.tailTarget, px.tailLength}};
        const LONG ys[2][3] = {{0, 0, py.head}, {py.tailSource, py.tailTarget, py.tailLength}};
        for (const auto& y : ys)
            for (const auto& x : xs)
                if (x[2] > 0 && y[2] > 0) BitBlt(dc, x[1], y[1], x[2], y[2], small.get(), x[0], y[0], SRCCOPY);
    }
    RepeatAcross(dc, px.head, px.tailTarget, cell.cx, 0, py.head);
    RepeatAcross(dc, px.head, px.tailTarget, cell.cx, py.tailTarget, py.tailLength);
    RepeatDown(dc, py.head, py.tailTarget, cell.cy, r.right);
}
