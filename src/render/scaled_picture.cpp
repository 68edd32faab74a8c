#include "render/scaled_picture.h"
#include <algorithm>
#include <cstring>
#include "chip/placement.h"
#include "picture/picture_shrinking.h"
#include "render/alpha_composite.h"
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

namespace {
// The copy's size and, at the picture's own size, the part of the picture it
// holds (in the picture's pixels).
struct CopyPlan {
    bool stretched;
    RECT part;
};

LONG PlacedX(const ChipState& chip, const RECT& r) {
    return chip.placement == kPlacementTopRight || chip.placement == kPlacementBottomRight ? r.right - chip.drawWidth
                                                                                             : 0;
}
LONG PlacedY(const ChipState& chip, const RECT& r) {
    return chip.placement == kPlacementBottomLeft || chip.placement == kPlacementBottomRight
               ? r.bottom - chip.drawHeight
               : 0;
}

// Never empty: a chip that shows none of its picture keeps one pixel of it,
// so that it still holds the picture.
CopyPlan PlanCopy(const ChipState& chip, const RECT& r) {
    // The smaller of drawn and picture size: no more of the picture is ever
    // shown, stretched (already reduced, only enlarged further) or not.
    const LONG shownWidth = std::min<LONG>(chip.drawWidth, chip.pictureWidth);
    const LONG shownHeight = std::min<LONG>(chip.drawHeight, chip.pictureHeight);
    RECT part{};
    const bool stretched = IsStretched(chip.placement);
    if (stretched) {
        part = {0, 0, shownWidth, shownHeight};
    } else if (chip.placement == kPlacementTile) {
        part = {0, 0, std::min<LONG>(shownWidth, r.right), std::min<LONG>(shownHeight, r.bottom)};
    } else {
        const LONG x = PlacedX(chip, r), y = PlacedY(chip, r);
        part = {std::max<LONG>(0, -x), std::max<LONG>(0, -y), std::min<LONG>(shownWidth, r.right - x),
                std::min<LONG>(shownHeight, r.bottom - y)};
    }
    if (part.right <= part.left) part = {0, part.top, 1, part.bottom};
    if (part.bottom <= part.top) part = {part.left, 0, part.right, 1};
    return {stretched, part};
}

bool CopyFits(HBITMAP copy, const CopyPlan& plan) {
    BITMAP info{};
    return copy && GetObjectA(copy, sizeof(info), &info) && info.bmWidth == plan.part.right - plan.part.left &&
           info.bmHeight == plan.part.bottom - plan.part.top;
}

// Pixel (x, y) of a picture of sw x sh, from a decoded picture of any size:
// nearest, so a whole one gives its own pixels.
const uint8_t* PixelAt(const PixelBlock& level, int32_t sw, int32_t sh, LONG x, LONG y) {
    const int64_t lx = std::min<int64_t>(static_cast<int64_t>(x) * level.width() / sw, level.width() - 1);
    const int64_t ly = std::min<int64_t>(static_cast<int64_t>(y) * level.height() / sh, level.height() - 1);
    return level.pixels() + (static_cast<size_t>(ly) * level.width() + static_cast<size_t>(lx)) * 4;
}

// The part of a picture of sw x sh, taken as cw x ch pixels (nearest) from
// the decoded picture `level`, as a top-down 32-bit DIB section (the quickest
// kind to draw from); a whole one at its own size row by row.
HBITMAP SampleCopy(const PixelBlock& level, int32_t sw, int32_t sh, const RECT& part, LONG cw, LONG ch) {
    const LONG pw = part.right - part.left, ph = part.bottom - part.top;
    const bool own = level.width() == sw && level.height() == sh && pw == cw && ph == ch;
    void* bits = nullptr;
    GdiObject<HBITMAP> copy(NewTopDownDib32(nullptr, cw, ch, &bits));
    if (!copy) return nullptr;
    auto* out = static_cast<uint8_t*>(bits);
    if (own) {
        for (LONG y = 0; y < ch; ++y)
            std::memcpy(out + static_cast<size_t>(y) * cw * 4, PixelAt(level, sw, sh, part.left, part.top + y),
                        static_cast<size_t>(cw) * 4);
    } else {
        for (LONG y = 0; y < ch; ++y)
            for (LONG x = 0; x < cw; ++x, out += 4)
                std::memcpy(out, PixelAt(level, sw, sh, part.left + x * pw / cw, part.top + y * ph / ch), 4);
    }
    GdiFlush();
    return copy.Release();
}

// Out of memory for the work, no copy.
HBITMAP MakeCopy(const ChipState& chip, const CopyPlan& plan, const PixelBlock& level) {
    const LONG cw = plan.part.right - plan.part.left, ch = plan.part.bottom - plan.part.top;
    try {
        if (!plan.stretched) return SampleCopy(level, chip.pictureWidth, chip.pictureHeight, plan.part, cw, ch);
        // A decoded picture of the copy's size is the copy; one smaller along
        // an axis (read beyond the plug-in's budget) is enlarged as StretchBlt
        // would.
        if (cw > level.width() || ch > level.height() || (cw == level.width() && ch == level.height()))
            return SampleCopy(level, level.width(), level.height(), RECT{0, 0, level.width(), level.height()}, cw, ch);
        return ShrinkBlock(level, cw, ch);
    } catch (...) {
        return nullptr;
    }
}

SIZE CoverOfChip(void* context, int32_t width, int32_t height) {
    const auto* wish = static_cast<const ChipWish*>(context);
    const bool fitted = wish->chip->placement == kPlacementFit || wish->chip->placement == kPlacementAspectFit;
    // Before the picture's size is known: a fitted picture is drawn within
    // the client, most likely a large photo; anything else is read whole.
    if (width <= 0 || height <= 0) {
        RECT client{};
        if (!fitted || !GetClientRect(wish->window, &client)) return {0, 0};
        return {client.right, client.bottom};
    }
    ChipState chip = *wish->chip;
    chip.pictureWidth = width;
    chip.pictureHeight = height;
    if (fitted) {
        RECT client{};
        GetClientRect(wish->window, &client);
        SetDrawSize(&chip, client.right, client.bottom);
    }
    return CoverToDraw(width, height, IsStretched(chip.placement), chip.drawWidth, chip.drawHeight);
}
}  // namespace

LevelWish WishOf(ChipWish* wish) { return LevelWish{&CoverOfChip, wish}; }

POINT CopyOrigin(const ChipState& chip, const RECT& r) {
    const CopyPlan plan = PlanCopy(chip, r);
    return {PlacedX(chip, r) + plan.part.left, PlacedY(chip, r) + plan.part.top};
}

bool RefitChipPicture(ChipState* chip, HWND window, SharedPicture* picture, bool force) {
    RECT client{};
    GetClientRect(window, &client);
    const CopyPlan plan = PlanCopy(*chip, client);
    if (!force && CopyFits(chip->picture, plan)) return true;
    if (!picture) picture = PictureOfCopy(chip->picture);
    if (!picture || chip->pictureWidth <= 0 || chip->pictureHeight <= 0) return false;
    const PixelBlock* level = PictureToDraw(window, picture, plan.stretched, chip->drawWidth, chip->drawHeight);
    if (!level) return false;
    // Made from pixels in memory: no device context is needed but to read the
    // copy back when it is laid over the background.
    // All of a bitmap file at its own size: the bitmap as the system loaded it.
    const bool whole = plan.part.left == 0 && plan.part.top == 0 && plan.part.right == chip->pictureWidth &&
                       plan.part.bottom == chip->pictureHeight && level->width() == chip->pictureWidth &&
                       level->height() == chip->pictureHeight;
    GdiObject<HBITMAP> copy(whole ? TakeLoadedBitmap(picture) : nullptr);
    if (!copy) copy = GdiObject<HBITMAP>(MakeCopy(*chip, plan, *level));
    if (copy && level->alpha) {
        const LONG cw = plan.part.right - plan.part.left, ch = plan.part.bottom - plan.part.top;
        WindowDc reference(window);
        copy = GdiObject<HBITMAP>(ComposeOverColour(reference.get(), copy.get(), RECT{0, 0, cw, ch}, chip->backColour));
    }
    if (!copy || !HoldCopy(picture, copy.get())) return false;
    HBITMAP old = chip->picture;
    chip->picture = copy.Release();
    ReleaseCopy(old);
    TrimPictureCache();
    return true;
}
