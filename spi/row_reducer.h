// Box-averages a picture while its rows stream in, top to bottom, into a
// DecodedPicture reduced by 2^shift both ways: each pixel is the mean of the
// block it stands for, each channel (alpha too, straight) rounded to nearest,
// a partial block at the right and bottom edges averaging what it holds.
// Fully transparent pixels count as white, as the DIB hands them over, so the
// mean is the one a host would take of the whole picture. Only
// one row of sums is kept, so no whole copy of the picture is ever made.
#pragma once
#include <cstdint>
#include "decoded_picture.h"
#include "win/kernel_guards.h"

class RowReducer {
public:
    RowReducer() = default;
    RowReducer(const RowReducer&) = delete;
    RowReducer& operator=(const RowReducer&) = delete;

    // Allocates *out at the reduced size of width x height (an SpiResult);
    // shift >= 1.
    int Start(DecodedPicture* out, int width, int height, int shift);
    // For source pixels that each stand for `unit` x `unit` pixels of a
    // larger picture (a JPEG read at 1/unit), whose last column and row stand
    // for fewer: their weights in the means.
    void WeighEdges(int unit, int lastColumn, int lastRow);
    // The next source row of `width` BGRA pixels.
    void Add(const uint32_t* row);
    // Source rows still expected.
    int RowsLeft() const { return height_ - row_; }

private:
    void Emit();

    DecodedPicture* out_ = nullptr;
    int width_ = 0, height_ = 0, shift_ = 0;
    int row_ = 0;          // source rows added
    uint32_t bandWeight_ = 0;   // of them, the weight in the current output row
    int rowsInBand_ = 0;
    uint32_t unit_ = 1, lastColumn_ = 1, lastRow_ = 1;
    ProcessHeapBlock<uint64_t> sums_;   // B, G, R, A per output pixel
};

// Reduces a whole decoded picture by 2^shift in place of itself (shift 0
// leaves it); an SpiResult. For readers that cannot stream their rows.
int ReduceWhole(DecodedPicture* picture, int shift);
