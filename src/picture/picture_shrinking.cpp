// Shrinking a picture with the box filter, and the reduced copy of a picture
// much larger than the screen.
#include "picture/picture_shrinking.h"
#include <algorithm>
#include <vector>
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

namespace {
constexpr int64_t kSmallestScreenPixels = 640 * 480;

// Where a source pixel of one axis lands when `source` pixels become `kept`
// (kept <= source). Measured in units where a source pixel is `kept` wide and
// a target pixel `source` wide, a source pixel overlaps at most two targets.
struct Span {
    int32_t target;
    uint32_t weight;      // overlap with target
    uint32_t nextWeight;  // overlap with target + 1
};
std::vector<Span> AxisSpans(int32_t source, int32_t kept) {
    std::vector<Span> spans(static_cast<size_t>(source));
    for (int32_t j = 0; j < source; ++j) {
        const int64_t start = static_cast<int64_t>(j) * kept;
        const int64_t end = start + kept;
        const auto target = static_cast<int32_t>(start / source);
        const int64_t boundary = static_cast<int64_t>(target + 1) * source;
        if (end <= boundary)
            spans[j] = {target, static_cast<uint32_t>(kept), 0};
        else
            spans[j] = {target, static_cast<uint32_t>(boundary - start), static_cast<uint32_t>(end - boundary)};
    }
    return spans;
}

// The source pixels of one target pixel along x: `first` and `last` covered
// in part (by their weights), every one between in full (weight `kept`).
struct Run {
    int32_t first, last;
    uint32_t firstWeight, lastWeight;
};
std::vector<Run> AxisRuns(int32_t source, int32_t kept) {
    std::vector<Run> runs(static_cast<size_t>(kept));
    for (int32_t t = 0; t < kept; ++t) {
        const int64_t start = static_cast<int64_t>(t) * source;
        const int64_t end = start + source;
        const auto first = static_cast<int32_t>(start / kept);
        const auto last = static_cast<int32_t>((end - 1) / kept);
        Run& run = runs[t];
        run.first = first;
        run.last = last;
        const int64_t firstEnd = static_cast<int64_t>(first + 1) * kept;
        run.firstWeight = static_cast<uint32_t>((firstEnd < end ? firstEnd : end) - start);
        run.lastWeight = last > first ? static_cast<uint32_t>(end - static_cast<int64_t>(last) * kept) : 0;
    }
    return runs;
}

// Weighted sums of one source row for every target pixel, C bytes a pixel.
template <int C>
void SumRow(const uint8_t* row, const std::vector<Run>& runs, uint32_t full, uint32_t* sums) {
    for (const Run& run : runs) {
        const uint8_t* p = row + static_cast<size_t>(run.first) * 4;
        uint32_t middle[C] = {};
        for (int32_t j = run.first + 1; j < run.last; ++j) {
            const uint8_t* q = row + static_cast<size_t>(j) * 4;
            for (int c = 0; c < C; ++c) middle[c] += q[c];
        }
        const uint8_t* q = row + static_cast<size_t>(run.last) * 4;
        for (int c = 0; c < C; ++c) sums[c] = run.firstWeight * p[c] + full * middle[c] + run.lastWeight * q[c];
        sums += 4;
    }
}

}  // namespace

SIZE ReducedCopySize(int32_t pictureWidth, int32_t pictureHeight, int32_t screenWidth, int32_t screenHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || screenWidth <= 0 || screenHeight <= 0) return {0, 0};
    const int64_t pw = pictureWidth, ph = pictureHeight;
    int64_t cw = screenWidth, ch = screenHeight;
    // The axis on which the screen is relatively larger decides; the other is
    // rounded up so that it still covers the screen.
    if (cw * ph >= ch * pw)
        ch = (ph * cw + pw - 1) / pw;
    else
        cw = (pw * ch + ph - 1) / ph;
    if (cw > pw || ch > ph || pw * ph < 2 * cw * ch) return {0, 0};
    return {static_cast<LONG>(cw), static_cast<LONG>(ch)};
}

namespace {
// Box filter, streamed over the rows of the top-down 32-bit pixels at
// `source`, into kw x kh pixels at outBits. Total weight per target pixel is
// sw * sh.
void ShrinkRows(const uint8_t* source, int32_t sw, int32_t sh, int32_t kw, int32_t kh, bool alpha, uint8_t* outBits) {
    const std::vector<Run> xs = AxisRuns(sw, kw);
    const std::vector<Span> ys = AxisSpans(sh, kh);
    std::vector<uint32_t> rowSums(static_cast<size_t>(kw) * 4);
    // Target rows `current` and `current + 1`.
    std::vector<uint64_t> sums(static_cast<size_t>(kw) * 8);
    uint64_t* now = sums.data();
    uint64_t* next = sums.data() + static_cast<size_t>(kw) * 4;
    const uint64_t total = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
    uint8_t* outPixels = outBits;
    int32_t current = 0;
    // 64-bit division is a library call on this processor: sums that fit 32
    // bits, as those of any picture up to 16 megapixels do, divide in 32.
    const bool narrow = total * 255 + total / 2 <= UINT32_MAX;
    auto emit = [&] {
        uint8_t* row = outPixels + static_cast<size_t>(current) * kw * 4;
        if (narrow) {
            const auto divisor = static_cast<uint32_t>(total);
            for (size_t i = 0; i < static_cast<size_t>(kw) * 4; ++i)
                row[i] = static_cast<uint8_t>((static_cast<uint32_t>(now[i]) + divisor / 2) / divisor);
        } else {
            for (size_t i = 0; i < static_cast<size_t>(kw) * 4; ++i)
                row[i] = static_cast<uint8_t>((now[i] + total / 2) / total);
        }
        std::swap(now, next);
        std::fill(next, next + static_cast<size_t>(kw) * 4, 0);
        ++current;
    };
    const size_t rowBytes = static_cast<size_t>(sw) * 4;
    for (int32_t y = 0; y < sh; ++y) {
        const uint8_t* row = source + y * rowBytes;
        if (alpha)
            SumRow<4>(row, xs, static_cast<uint32_t>(kw), rowSums.data());
        else
            SumRow<3>(row, xs, static_cast<uint32_t>(kw), rowSums.data());
        const Span& s = ys[y];
        while (current < s.target) emit();
        for (size_t i = 0; i < rowSums.size(); ++i) now[i] += static_cast<uint64_t>(s.weight) * rowSums[i];
        if (s.nextWeight)
            for (size_t i = 0; i < rowSums.size(); ++i) next[i] += static_cast<uint64_t>(s.nextWeight) * rowSums[i];
    }
    while (current < kh) emit();
}
}  // namespace

HBITMAP ShrinkBlock(const PixelBlock& source, int32_t kw, int32_t kh) {
    if (source.width() > kMaxShrinkWidth) return nullptr;
    void* bits = nullptr;
    GdiObject<HBITMAP> out(NewTopDownDib32(nullptr, kw, kh, &bits));
    if (!out) return nullptr;
    ShrinkRows(source.pixels(), source.width(), source.height(), kw, kh, source.alpha, static_cast<uint8_t*>(bits));
    GdiFlush();
    return out.Release();
}

bool ShrinkIntoBlock(const PixelBlock& source, int32_t kw, int32_t kh, PixelBlock* out) {
    if (source.width() > kMaxShrinkWidth) return false;
    PixelBlock made;
    if (!made.Allocate(kw, kh)) return false;
    made.alpha = source.alpha;
    try {
        ShrinkRows(source.pixels(), source.width(), source.height(), kw, kh, source.alpha, made.pixels());
    } catch (...) {
        return false;
    }
    *out = static_cast<PixelBlock&&>(made);
    return true;
}


SIZE ScreenCopySize(int32_t pictureWidth, int32_t pictureHeight) {
    // Asking for the screen's size can cost tens of microseconds, a good part
    // of loading a small bitmap; no screen is smaller than VGA, so a picture
    // with fewer pixels than two such screens is spared the question.
    if (static_cast<int64_t>(pictureWidth) * pictureHeight < 2 * kSmallestScreenPixels) return {0, 0};
    return ReducedCopySize(pictureWidth, pictureHeight, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}
