// The reference for a picture drawn at another size, pixel by pixel.
#pragma once
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

// The source pixels behind target pixel i along one axis, with their weights.
// Drawn larger: the one pixel StretchBlt picks; drawn smaller: every pixel the
// target covers, weighted by the part it covers.
inline std::vector<std::pair<int, int64_t>> Cover(int i, int size, int drawn) {
    if (drawn >= size) return {{static_cast<int>(((2LL * i + 1) * size - 1) / (2LL * drawn)), 1}};
    std::vector<std::pair<int, int64_t>> cover;
    // Only the pixels from the first the target touches on.
    const int64_t end = int64_t{i + 1} * size;
    for (int j = static_cast<int>(int64_t{i} * size / drawn); j < size && int64_t{j} * drawn < end; ++j) {
        const int64_t lo = std::max<int64_t>(int64_t{i} * size, int64_t{j} * drawn);
        const int64_t hi = std::min<int64_t>(int64_t{i + 1} * size, int64_t{j + 1} * drawn);
        if (hi > lo) cover.push_back({j, hi - lo});
    }
    return cover;
}

// Four bytes of target pixel (x, y), each the weighted mean of the source's,
// rounded to nearest; source(sx, sy, channel) gives a source byte.
template <typename Source>
void ScaledAt(int x, int y, int pw, int ph, int dw, int dh, Source source, int (&out)[4]) {
    int64_t sum[4] = {}, total = 0;
    for (const auto& cx : Cover(x, pw, dw))
        for (const auto& cy : Cover(y, ph, dh)) {
            const int64_t w = cx.second * cy.second;
            for (int c = 0; c < 4; ++c) sum[c] += w * source(cx.first, cy.first, c);
            total += w;
        }
    for (int c = 0; c < 4; ++c) out[c] = static_cast<int>((sum[c] + total / 2) / total);
}
