#include "row_reducer.h"
#include "win/susie_plugin.h"

int RowReducer::Start(DecodedPicture* out, int width, int height, int shift) {
    const int result = out->Allocate(ReducedSide(width, shift), ReducedSide(height, shift));
    if (result != kSpiSuccess) return result;
    sums_ = ProcessHeapBlock<uint64_t>(static_cast<size_t>(out->width) * 4 * sizeof(uint64_t), HEAP_ZERO_MEMORY);
    if (!sums_) return kSpiOutOfMemory;
    out_ = out;
    width_ = width;
    height_ = height;
    shift_ = shift;
    return kSpiSuccess;
}

void RowReducer::WeighEdges(int unit, int lastColumn, int lastRow) {
    unit_ = static_cast<uint32_t>(unit);
    lastColumn_ = static_cast<uint32_t>(lastColumn);
    lastRow_ = static_cast<uint32_t>(lastRow);
}

namespace {
// Averaged as handed over: fully transparent pixels white.
inline uint32_t AsHandedOver(uint32_t p) { return p >> 24 ? p : 0x00FFFFFFu; }
}  // namespace

void RowReducer::Add(const uint32_t* row) {
    if (row_ >= height_) return;
    const int block = 1 << shift_;
    const uint32_t rowWeight = row_ == height_ - 1 ? lastRow_ : unit_;
    uint64_t* sum = sums_.get();
    for (int x = 0; x < width_; x += block, sum += 4) {
        const int end = width_ - x < block ? width_ : x + block;
        // A block row of at most 2^16 pixels sums within 32 bits, also
        // weighted by at most 2^3.
        uint32_t b = 0, g = 0, r = 0, a = 0;
        for (int i = x; i < end; ++i) {
            const uint32_t p = AsHandedOver(row[i]);
            b += p & 0xFF;
            g += p >> 8 & 0xFF;
            r += p >> 16 & 0xFF;
            a += p >> 24;
        }
        if (unit_ > 1) {
            b *= unit_, g *= unit_, r *= unit_, a *= unit_;
            if (end == width_ && lastColumn_ != unit_) {
                const uint32_t p = AsHandedOver(row[end - 1]), less = unit_ - lastColumn_;
                b -= (p & 0xFF) * less;
                g -= (p >> 8 & 0xFF) * less;
                r -= (p >> 16 & 0xFF) * less;
                a -= (p >> 24) * less;
            }
        }
        sum[0] += uint64_t{b} * rowWeight;
        sum[1] += uint64_t{g} * rowWeight;
        sum[2] += uint64_t{r} * rowWeight;
        sum[3] += uint64_t{a} * rowWeight;
    }
    ++row_;
    bandWeight_ += rowWeight;
    if (++rowsInBand_ == block || row_ == height_) Emit();
}

void RowReducer::Emit() {
    const int block = 1 << shift_;
    uint32_t* out = out_->Row((row_ - 1) >> shift_);
    uint64_t* sum = sums_.get();
    for (int x = 0; x < out_->width; ++x, sum += 4) {
        const int left = width_ - x * block;
        const uint64_t columns = left <= block ? (left - 1) * unit_ + lastColumn_ : static_cast<uint64_t>(block) * unit_;
        const uint64_t count = columns * bandWeight_;
        uint32_t channel[4];
        // Linked without the C++ runtime's helper DLL, there is no 64-bit
        // division: blocks of up to 16 million pixels divide in 32 bits, larger
        // ones in double, which is exact here (sums stay far below 2^53).
        if (count <= 0xFFFFFFFFu / 256) {
            const auto n = static_cast<uint32_t>(count);
            for (int c = 0; c < 4; ++c) channel[c] = (static_cast<uint32_t>(sum[c]) + n / 2) / n;
        } else {
            for (int c = 0; c < 4; ++c)
                channel[c] = static_cast<uint32_t>(static_cast<double>(sum[c] + count / 2) / static_cast<double>(count));
        }
        for (int c = 0; c < 4; ++c) sum[c] = 0;
        out[x] = Bgra(channel[2], channel[1], channel[0], channel[3]);
    }
    bandWeight_ = 0;
    rowsInBand_ = 0;
}

int ReduceWhole(DecodedPicture* picture, int shift) {
    if (shift == 0) return kSpiSuccess;
    DecodedPicture reduced;
    RowReducer reducer;
    const int result = reducer.Start(&reduced, picture->width, picture->height, shift);
    if (result != kSpiSuccess) return result;
    for (int y = 0; y < picture->height; ++y) reducer.Add(picture->Row(y));
    picture->pixels = static_cast<ProcessHeapBlock<uint32_t>&&>(reduced.pixels);
    picture->width = reduced.width;
    picture->height = reduced.height;
    return kSpiSuccess;
}
