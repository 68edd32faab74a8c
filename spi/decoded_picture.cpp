#include "decoded_picture.h"
#include "win/susie_plugin.h"

int DecodedPicture::Allocate(uint64_t w, uint64_t h) {
    if (!WithinBudget(w, h)) return kSpiOutOfMemory;
    pixels = ProcessHeapBlock<uint32_t>(static_cast<size_t>(w * h * 4), HEAP_ZERO_MEMORY);
    if (!pixels) return kSpiOutOfMemory;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return kSpiSuccess;
}

int ReductionShift(uint64_t width, uint64_t height, int orientation, const CoverSize& cover) {
    const bool turned = orientation >= 5 && orientation <= 8;
    const long coverWidth = turned ? cover.height : cover.width;
    const long coverHeight = turned ? cover.width : cover.height;
    int shift = 0;
    if (coverWidth > 0 && coverHeight > 0) {
        const uint64_t cw = static_cast<uint64_t>(coverWidth), ch = static_cast<uint64_t>(coverHeight);
        // Once both sides are one pixel, further halving changes nothing.
        while (shift < kMaxReductionShift && ReducedSide(width, shift + 1) >= cw &&
               ReducedSide(height, shift + 1) >= ch && (ReducedSide(width, shift) > 1 || ReducedSide(height, shift) > 1))
            ++shift;
    }
    while (shift < kMaxReductionShift && !WithinBudget(ReducedSide(width, shift), ReducedSide(height, shift))) ++shift;
    return shift;
}
