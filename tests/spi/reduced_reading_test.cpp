// GetPictureReduced, our plug-in's own export: which reduction a cover size
// gets, the reduced pixels against the exact box mean of the whole picture,
// and camera sizes beyond the pixel budget. The JPEGs are made here, at run
// time, with libjpeg-turbo's compressor.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include "spi_pictures.h"
#include "jpeglib.h"

namespace {
using PixelRule = uint32_t (*)(int x, int y);   // 0xRRGGBB

// A baseline 4:2:0 JPEG, with an EXIF orientation when it is not 1.
Bytes MakeJpeg(int width, int height, PixelRule pixel, int orientation = 1) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width), c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 4, c.in_color_space = JCS_EXT_BGRX;   // 0xRRGGBB words
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    if (orientation != 1) {
        const unsigned char exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3, 0,
                                      1, 0, 0, 0, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0, 0};
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif, sizeof(exif));
    }
    std::vector<uint32_t> row(static_cast<size_t>(width));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x) row[x] = pixel(x, static_cast<int>(c.next_scanline));
        JSAMPROW line = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&c, &line, 1);
    }
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

// Flat quadrants: red, green, blue, grey from the top left, split at 1/2.
constexpr int kQuadrantWidth = 16320, kQuadrantHeight = 12240;
uint32_t Quadrant(int x, int y) {
    const bool right = x >= kQuadrantWidth / 2, bottom = y >= kQuadrantHeight / 2;
    return bottom ? (right ? 0x808080 : 0x0000FF) : (right ? 0x00FF00 : 0xFF0000);
}
// Smooth gradients, edges and grain, as a photo has.
uint32_t Photo(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h = (h ^ h >> 13) * 0x5bd1e995u;
    const int grain = static_cast<int>(h >> 24 & 15) - 8;
    auto clamp = [](int v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    const int r = (x * 255 / 1003) + grain, g = ((x / 37 + y / 29) % 2 ? 200 : 60) + grain, b = (y * 255 / 751);
    return clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

// How far a reduced decode is from the exact box mean of the whole decode
// (each channel rounded to nearest): the largest difference of any channel,
// and the mean over all channels.
struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference FromExactMean(const Decoded& whole, const Decoded& reduced, int shift) {
    Difference d;
    const int w = whole.header.bV5Width, h = whole.header.bV5Height;
    for (int y = 0; y < reduced.header.bV5Height; ++y)
        for (int x = 0; x < reduced.header.bV5Width; ++x)
            for (int c = 0; c < 32; c += 8) {
                uint32_t sum = 0, count = 0;
                for (int sy = y << shift; sy < ((y + 1) << shift) && sy < h; ++sy)
                    for (int sx = x << shift; sx < ((x + 1) << shift) && sx < w; ++sx, ++count)
                        sum += whole.Raw(sx, sy) >> c & 0xFF;
                const int diff = std::abs(static_cast<int>((sum + count / 2) / count) -
                                          static_cast<int>(reduced.Raw(x, y) >> c & 0xFF));
                d.largest = diff > d.largest ? diff : d.largest;
                d.mean += diff;
            }
    d.mean /= 4.0 * reduced.header.bV5Width * reduced.header.bV5Height;
    return d;
}
}  // namespace

// The largest power of two whose reduction still covers the asked size, as
// seen (after the EXIF orientation); the whole picture for no cover size or
// one the picture does not exceed.
TEST(SpiReduced, CoverSizeRule) {
    const std::string plain = WriteTemp("cover.jpg", MakeJpeg(1000, 600, Photo));
    const std::string turned = WriteTemp("cover-turned.jpg", MakeJpeg(1000, 600, Photo, 6));
    const struct {
        const std::string* file;
        LONG coverWidth, coverHeight;
        LONG width, height;   // delivered
    } rows[] = {
        {&plain, 0, 0, 1000, 600}, {&plain, -5, 300, 1000, 600}, {&plain, 2000, 100, 1000, 600},
        {&plain, 1000, 600, 1000, 600}, {&plain, 501, 300, 1000, 600}, {&plain, 500, 300, 500, 300},
        {&plain, 250, 1, 250, 150}, {&plain, 125, 75, 125, 75}, {&plain, 63, 38, 63, 38}, {&plain, 63, 39, 125, 75},
        {&plain, 1, 1, 1, 1}, {&turned, 0, 0, 600, 1000}, {&turned, 300, 500, 300, 500},
        {&turned, 500, 300, 600, 1000}, {&turned, 38, 63, 38, 63}};
    for (const auto& row : rows) {
        SCOPED_TRACE(*row.file + " cover " + std::to_string(row.coverWidth) + "x" + std::to_string(row.coverHeight));
        SIZE whole{};
        const Decoded d = DecodeReduced(*row.file, row.coverWidth, row.coverHeight, &whole);
        ASSERT_EQ(d.result, 0);
        EXPECT_EQ(d.header.bV5Width, row.width);
        EXPECT_EQ(d.header.bV5Height, row.height);
        EXPECT_EQ(std::make_pair(whole.cx, whole.cy), row.file == &plain ? std::make_pair(1000L, 600L)
                                                                           : std::make_pair(600L, 1000L));
    }
    // Broken data after the frame header still tells the size.
    Bytes cut = ReadBytes(plain);
    cut.resize(cut.size() / 2);
    SIZE whole{};
    EXPECT_EQ(DecodeReduced(WriteTemp("cover-cut.jpg", cut), 100, 100, &whole).result, 3);
    EXPECT_EQ(std::make_pair(whole.cx, whole.cy), std::make_pair(1000L, 600L));
}

// Every format reduced by 2 and by 4 is the exact box mean of its whole decode
// (fully transparent pixels counting white, as handed over); JPEG, reduced in
// the DCT domain, within a few levels.
TEST(SpiReduced, EveryFormatIsTheMeanOfTheWholePicture) {
    for (const GoodPicture& picture : kGoodPictures)
        for (int shift = 1; shift <= 2; ++shift) {
            SCOPED_TRACE(std::string(picture.file) + " reduced by 2^" + std::to_string(shift));
            const Decoded whole = DecodeFile(PicturePath(picture.file));
            const Decoded reduced = DecodeReduced(PicturePath(picture.file), 32 >> shift, 16 >> shift);
            ASSERT_EQ(whole.result, 0);
            ASSERT_EQ(reduced.result, 0);
            ASSERT_EQ(reduced.header.bV5Width, 32 >> shift);
            ASSERT_EQ(reduced.header.bV5Height, 16 >> shift);
            EXPECT_LE(FromExactMean(whole, reduced, shift).largest, picture.tolerance ? 6 : 0);
        }
}

// A photo with grain and edges, odd-sized (partial blocks at two edges): each
// reduction from 1/2 to 1/32 against the exact mean of the whole decode.
TEST(SpiReduced, PhotoWithinLevelsOfTheExactMean) {
    const std::string file = WriteTemp("photo.jpg", MakeJpeg(1003, 751, Photo));
    const Decoded whole = DecodeFile(file);
    ASSERT_EQ(whole.result, 0);
    for (int shift = 1; shift <= 5; ++shift) {
        SCOPED_TRACE("reduced by 2^" + std::to_string(shift));
        const Decoded reduced = DecodeReduced(file, (1003 + (1 << shift) - 1) >> shift, (751 + (1 << shift) - 1) >> shift);
        ASSERT_EQ(reduced.result, 0);
        const Difference d = FromExactMean(whole, reduced, shift);
        std::printf("photo at 1/%d: largest difference %d, mean %.3f levels\n", 1 << shift, d.largest, d.mean);
        // Measured: 1.6 levels on average at 1/2 (29 at most, at the hard
        // edges, where the DCT rings), 1.0 at 1/4 (17), 0.6 at 1/8 (10); the
        // box stage after 1/8 weighs the partial last column and row by what
        // they stand for: 0.4 at 1/16 (7), 0.2 at 1/32 (5).
        EXPECT_LE(d.mean, 2.0);
        EXPECT_LE(d.largest, shift <= 2 ? 32 : 12);
    }
}

// 200 megapixels, what phones take in their high-resolution mode: read at a
// chip's size, and by GetPicture at the largest scale within the budget (1/2);
// GetPictureInfo gives the whole size.
TEST(SpiReduced, TwoHundredMegapixelJpeg) {
    const std::string file = WriteTemp("200mp.jpg", MakeJpeg(kQuadrantWidth, kQuadrantHeight, Quadrant));
    SIZE whole{};
    const Decoded chip = DecodeReduced(file, 320, 240, &whole);
    ASSERT_EQ(chip.result, 0);
    EXPECT_EQ(whole.cx, kQuadrantWidth);
    EXPECT_EQ(whole.cy, kQuadrantHeight);
    EXPECT_EQ(chip.header.bV5Width, 510);   // 16320 / 32
    EXPECT_EQ(chip.header.bV5Height, 383);  // 12240 / 32, the last row partial
    const Decoded budget = DecodeFile(file);
    ASSERT_EQ(budget.result, 0);
    EXPECT_EQ(budget.header.bV5Width, 8160);
    EXPECT_EQ(budget.header.bV5Height, 6120);
    for (const Decoded* d : {&chip, &budget}) {
        const int w = d->header.bV5Width, h = d->header.bV5Height;
        EXPECT_TRUE(Near(d->At(w / 4, h / 4), RGB(255, 0, 0), 3));
        EXPECT_TRUE(Near(d->At(w * 3 / 4, h / 4), RGB(0, 255, 0), 3));
        EXPECT_TRUE(Near(d->At(w / 4, h * 3 / 4), RGB(0, 0, 255), 3));
        EXPECT_TRUE(Near(d->At(w - 1, h - 1), RGB(128, 128, 128), 3));
    }
    PictureInfo info{};
    ASSERT_EQ(Spi().GetPictureInfo(file.c_str(), 0, 0, &info), 0);
    EXPECT_EQ(info.width, kQuadrantWidth);
    EXPECT_EQ(info.height, kQuadrantHeight);
    DeleteFileA(file.c_str());
}
