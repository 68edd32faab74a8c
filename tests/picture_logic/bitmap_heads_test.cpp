// The bitmap header check, directly: what may be handed to the system's loader.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "picture/bitmap_file.h"
#include "picture_support.h"

// An RLE stream may name any size: past the budget of sides or pixels its
// head is refused, however short and sound the stream.
TEST(BitmapHeads, RleBitmapsAreHeldToTheBudget) {
    const struct { uint32_t width, height; bool fits; } rows[] = {
        {16384, 4096, true}, {16385, 1, false}, {1, 16385, false}, {16384, 4097, false}};
    for (const auto& row : rows) {
        std::vector<uint8_t> file = SoundBitmap();
        file.resize(60);   // one colour, then the stream: end of bitmap
        const uint32_t fields[][2] = {{2, 60}, {10, 58}, {18, row.width}, {22, row.height},
                                      {28, 8 | BI_RLE8 << 16}, {34, 2}, {46, 1}, {56, 0x01000000}};
        for (const auto& f : fields) std::memcpy(&file[f[0]], &f[1], 4);
        EXPECT_EQ(BitmapHeadersFit(file.data(), file.size(), file.size()), row.fits) << row.width << "x" << row.height;
    }
}
