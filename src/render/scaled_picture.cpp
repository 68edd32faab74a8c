#include "render/scaled_picture.h"
#include <algorithm>
#include <vector>
#include "picture/picture_shrinking.h"
#include "win/gdi_guards.h"

namespace {
struct KeptPicture {
    HLOCAL chip;
    HBITMAP source;
    uint32_t serial;
    int32_t drawWidth, drawHeight;
    GdiObject<HBITMAP> scaled;   // a 32-bit DIB section
};
std::vector<KeptPicture> g_kept;

KeptPicture* Find(HLOCAL chip) {
    for (KeptPicture& k : g_kept)
        if (k.chip == chip) return &k;
    return nullptr;
}

// Deletes the kept bitmap with its record.
void Forget(KeptPicture* kept) {
    if (kept != &g_kept.back()) *kept = std::move(g_kept.back());
    g_kept.pop_back();
}

}  // namespace

HBITMAP KeptScaledPicture(HLOCAL chip, HDC reference, HBITMAP picture, HBITMAP reduced, uint32_t serial, bool alpha,
                          int32_t pictureWidth, int32_t pictureHeight, int32_t drawWidth, int32_t drawHeight) {
    KeptPicture* kept = Find(chip);
    if (kept && kept->source == picture && kept->serial == serial && kept->drawWidth == drawWidth &&
        kept->drawHeight == drawHeight)
        return kept->scaled.get();
    if (kept) Forget(kept);

    const int32_t kw = drawWidth < pictureWidth ? drawWidth : pictureWidth;
    const int32_t kh = drawHeight < pictureHeight ? drawHeight : pictureHeight;
    if (!picture || kw <= 0 || kh <= 0 || (kw == pictureWidth && kh == pictureHeight)) return nullptr;
    // A picture reloaded after a change on disk may not have the recorded size;
    // it is then drawn as recorded, unscaled here.
    BITMAP actual{};
    if (!GetObjectA(picture, sizeof(actual), &actual) || actual.bmWidth != pictureWidth ||
        actual.bmHeight != pictureHeight || pictureWidth > kMaxShrinkWidth)
        return nullptr;
    // Sizes the reduced copy covers are averaged from it: it is smaller than
    // the picture along both axes, so such a size shrinks along both.
    HBITMAP source = picture;
    int32_t sw = pictureWidth, sh = pictureHeight;
    BITMAP copy{};
    if (reduced && GetObjectA(reduced, sizeof(copy), &copy) && drawWidth <= copy.bmWidth &&
        drawHeight <= copy.bmHeight) {
        if (drawWidth == copy.bmWidth && drawHeight == copy.bmHeight) return reduced;
        source = reduced;
        sw = copy.bmWidth;
        sh = copy.bmHeight;
    }
    // Out of memory for the work or the table, the picture is drawn as it is.
    try {
        GdiObject<HBITMAP> scaled(ShrinkPicture(reference, source, source == reduced, sw, sh, kw, kh, alpha));
        if (!scaled) return nullptr;
        g_kept.push_back({chip, picture, serial, drawWidth, drawHeight, std::move(scaled)});
        return g_kept.back().scaled.get();
    } catch (...) {
        return nullptr;
    }
}

void DropScaledPicture(HLOCAL chip) {
    if (KeptPicture* kept = Find(chip)) Forget(kept);
}
