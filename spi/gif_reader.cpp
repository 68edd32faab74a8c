// GIF: the first picture, placed on its logical screen; the screen grows to
// hold a picture that reaches past it. Pixels the picture does not cover, and
// those of its transparent colour, are transparent.
#include "own_readers.h"
#include <cstring>
#include "win/susie_plugin.h"
#include "row_reducer.h"

namespace {
unsigned Le16(const unsigned char* p) { return p[0] | p[1] << 8; }

constexpr unsigned kMaxCodes = 4096;

// The first picture's place, colours and where its compressed data lies.
struct GifFrame {
    unsigned screenWidth, screenHeight;
    unsigned left, top, width, height;
    bool interlaced;
    const unsigned char* colours;   // RGB triples, or null
    unsigned colourCount;
    int transparent;                // the transparent index, or -1
    unsigned minimumCodeSize;
    size_t dataAt;                  // the first data sub-block's length byte
};

// Steps over sub-blocks up to their empty terminator; false when cut short.
bool SkipSubBlocks(const unsigned char* data, size_t size, size_t* at) {
    for (;;) {
        if (*at >= size) return false;
        const size_t n = data[(*at)++];
        if (n == 0) return true;
        if (size - *at < n) return false;
        *at += n;
    }
}

// Reads the blocks up to the end of the first picture's data; an SpiResult.
int FindFirstFrame(const unsigned char* data, size_t size, GifFrame* f) {
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return kSpiBrokenData;
    *f = GifFrame{};
    f->screenWidth = Le16(data + 6);
    f->screenHeight = Le16(data + 8);
    if (f->screenWidth && f->screenHeight && !WithinBudget(f->screenWidth, f->screenHeight)) return kSpiOutOfMemory;
    f->transparent = -1;
    size_t at = 13;
    if (data[10] & 0x80) {   // global colour table
        f->colourCount = 2u << (data[10] & 7);
        if (size - at < 3 * f->colourCount) return kSpiBrokenData;
        f->colours = data + at;
        at += 3 * f->colourCount;
    }
    for (;;) {
        if (at >= size) return kSpiBrokenData;
        const unsigned char introducer = data[at++];
        if (introducer == 0x21) {
            if (at >= size) return kSpiBrokenData;
            // A graphic control extension names the transparent colour.
            if (data[at] == 0xF9 && size - at >= 6 && data[at + 1] >= 4)
                f->transparent = data[at + 2] & 1 ? data[at + 5] : -1;
            ++at;
            if (!SkipSubBlocks(data, size, &at)) return kSpiBrokenData;
        } else if (introducer == 0x2C) {
            if (size - at < 9) return kSpiBrokenData;
            f->left = Le16(data + at);
            f->top = Le16(data + at + 2);
            f->width = Le16(data + at + 4);
            f->height = Le16(data + at + 6);
            const unsigned flags = data[at + 8];
            at += 9;
            f->interlaced = (flags & 0x40) != 0;
            if (flags & 0x80) {
                f->colourCount = 2u << (flags & 7);
                if (size - at < 3 * f->colourCount) return kSpiBrokenData;
                f->colours = data + at;
                at += 3 * f->colourCount;
            }
            if (at >= size) return kSpiBrokenData;
            f->minimumCodeSize = data[at++];
            f->dataAt = at;
            return SkipSubBlocks(data, size, &at) ? kSpiSuccess : kSpiBrokenData;
        } else {
            return kSpiBrokenData;
        }
    }
}

// The codes of the data sub-blocks, least significant bit first.
class CodeReader {
public:
    CodeReader(const unsigned char* data, size_t at) : data_(data), at_(at) {}
    // The next code of `bits` bits; false at the end of the data.
    bool Next(unsigned bits, unsigned* code) {
        while (count_ < bits) {
            if (left_ == 0) {
                left_ = data_[at_++];   // the blocks were found whole up to their terminator
                if (left_ == 0) {
                    --at_;   // stays at the end
                    return false;
                }
            }
            buffer_ |= static_cast<uint32_t>(data_[at_++]) << count_;
            count_ += 8;
            --left_;
        }
        *code = buffer_ & ((1u << bits) - 1);
        buffer_ >>= bits;
        count_ -= bits;
        return true;
    }

private:
    const unsigned char* data_;
    size_t at_;
    unsigned left_ = 0;   // bytes left in the current sub-block
    uint32_t buffer_ = 0;
    unsigned count_ = 0;
};

// Writes decoded colour indices to the picture's rows, in the interlaced
// order when the picture is interlaced; or, for a reduced picture (never
// interlaced), into one row of the logical screen that goes to the reducer
// when it is full.
class PixelWriter {
public:
    PixelWriter(const GifFrame& f, DecodedPicture* picture, RowReducer* reducer, uint32_t* line)
        : f_(f), picture_(picture), reducer_(reducer), line_(line) {
        for (unsigned i = 0; i < 256; ++i) {
            // Indices past the table are black.
            const unsigned char* c = f.colours && i < f.colourCount ? f.colours + 3 * i : nullptr;
            palette_[i] = static_cast<int>(i) == f.transparent ? 0 : c ? Bgra(c[0], c[1], c[2]) : Bgra(0, 0, 0);
        }
    }
    bool Full() const { return row_ >= f_.height; }
    void Put(unsigned index) {
        uint32_t* row = reducer_ ? line_ : picture_->Row(static_cast<int>(f_.top + y_));
        row[f_.left + x_] = palette_[index & 0xFF];
        if (++x_ < f_.width) return;
        x_ = 0;
        ++row_;
        if (reducer_) reducer_->Add(line_);
        if (!f_.interlaced) {
            y_ = row_;
            return;
        }
        // Passes of every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
        static const unsigned char kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        y_ += kStep[pass_];
        while (y_ >= f_.height && pass_ < 3) y_ = kStart[++pass_];
    }

private:
    const GifFrame& f_;
    DecodedPicture* picture_;
    RowReducer* reducer_;
    uint32_t* line_;
    uint32_t palette_[256];
    unsigned x_ = 0, y_ = 0, row_ = 0, pass_ = 0;
};

// Expands the LZW data into the picture; an SpiResult. Data that ends before
// every pixel is there, or a code that names no string yet, is damage.
int Expand(const unsigned char* data, const GifFrame& f, DecodedPicture* picture, RowReducer* reducer = nullptr,
           uint32_t* line = nullptr) {
    if (f.minimumCodeSize < 1 || f.minimumCodeSize > 8) return kSpiBrokenData;
    const unsigned clear = 1u << f.minimumCodeSize, end = clear + 1;
    uint16_t prefix[kMaxCodes];
    unsigned char suffix[kMaxCodes], first[kMaxCodes], stack[kMaxCodes];
    for (unsigned c = 0; c < clear; ++c) {
        suffix[c] = first[c] = static_cast<unsigned char>(c);
        prefix[c] = 0;
    }
    CodeReader codes(data, f.dataAt);
    PixelWriter pixels(f, picture, reducer, line);
    unsigned bits = f.minimumCodeSize + 1, next = clear + 2, previous = kMaxCodes, code;
    while (!pixels.Full()) {
        if (!codes.Next(bits, &code) || code == end) return kSpiBrokenData;
        if (code == clear) {
            bits = f.minimumCodeSize + 1;
            next = clear + 2;
            previous = kMaxCodes;
            continue;
        }
        if (previous == kMaxCodes) {   // the first code after a clear is a colour
            if (code >= clear) return kSpiBrokenData;
            pixels.Put(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next == kMaxCodes)) return kSpiBrokenData;
        // The new string is the previous one and the first byte of this one
        // (of the previous one, when this code is the one being made).
        const unsigned char head = code < next ? first[code] : first[previous];
        if (next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == 1u << bits && bits < 12) ++bits;
        }
        // Each prefix is an earlier code, so the walk ends at a colour.
        unsigned depth = 0, c = code;
        for (; c >= clear; c = prefix[c]) stack[depth++] = suffix[c];
        stack[depth++] = static_cast<unsigned char>(c);
        while (depth > 0 && !pixels.Full()) pixels.Put(stack[--depth]);
        previous = code;
    }
    return kSpiSuccess;
}

// The frame's rows streamed through a reducer, on the logical screen's
// transparent rows above and below it.
int ExpandReduced(const unsigned char* data, const GifFrame& f, unsigned width, unsigned height, int shift,
                  DecodedPicture* picture) {
    RowReducer reducer;
    int result = reducer.Start(picture, static_cast<int>(width), static_cast<int>(height), shift);
    if (result != kSpiSuccess) return result;
    const size_t lineBytes = size_t{4} * width;
    const ProcessHeapBlock<uint32_t> block(lineBytes, HEAP_ZERO_MEMORY);
    uint32_t* line = block.get();
    if (!line) return kSpiOutOfMemory;
    for (unsigned y = 0; y < f.top; ++y) reducer.Add(line);
    result = Expand(data, f, picture, &reducer, line);
    ZeroMemory(line, lineBytes);
    while (result == kSpiSuccess && reducer.RowsLeft() > 0) reducer.Add(line);
    return result;
}
}  // namespace

int ReadGif(const unsigned char* data, size_t size, const CoverSize& cover, DecodedPicture* picture) {
    GifFrame f;
    int result = FindFirstFrame(data, size, &f);
    if (result != kSpiSuccess) return result;
    if (!WithinBudget(f.screenWidth, f.screenHeight) || !WithinBudget(f.width, f.height))
        return f.screenWidth && f.screenHeight && f.width && f.height ? kSpiOutOfMemory : kSpiBrokenData;
    const unsigned width = f.left + f.width > f.screenWidth ? f.left + f.width : f.screenWidth;
    const unsigned height = f.top + f.height > f.screenHeight ? f.top + f.height : f.screenHeight;
    picture->wholeWidth = static_cast<int>(width);
    picture->wholeHeight = static_cast<int>(height);
    const int shift = ReductionShift(width, height, 1, cover);
    // Interlaced rows come out of order: such a picture is reduced once whole.
    if (shift && !f.interlaced) return ExpandReduced(data, f, width, height, shift, picture);
    if ((result = picture->Allocate(width, height)) != kSpiSuccess) return result;
    if ((result = Expand(data, f, picture)) != kSpiSuccess) return result;
    return ReduceWhole(picture, shift);
}
