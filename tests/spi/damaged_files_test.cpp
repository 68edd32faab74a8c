// Randomly damaged pictures of every format, with fixed seeds: cut short,
// bytes changed, sizes in the headers made huge. Each must end in a result,
// never a fault or a read past the picture (it sits against a guard page);
// what decodes must be within the budget and the same every time.
#include <gtest/gtest.h>
#include <random>
#include "guarded_bytes.h"
#include "spi_pictures.h"

namespace {
enum class Damage { kCut, kChangedBytes, kHugeField };

Bytes Damaged(const Bytes& good, Damage damage, std::mt19937& rng) {
    Bytes bytes = good;
    switch (damage) {
    case Damage::kCut:
        bytes.resize(rng() % bytes.size());
        break;
    case Damage::kChangedBytes:
        for (unsigned n = 1 + rng() % 8; n > 0; --n) bytes[rng() % bytes.size()] = static_cast<unsigned char>(rng());
        break;
    case Damage::kHugeField: {   // sizes and lengths live near the start
        const size_t at = rng() % (bytes.size() < 64 ? bytes.size() - 1 : 63);
        bytes[at] = 0xFF;
        bytes[at + 1] = static_cast<unsigned char>(0x7F + rng() % 0x81);
        break;
    }
    }
    return bytes;
}
}  // namespace

TEST(SpiDamagedFiles, RandomDamageEndsInAResult) {
    std::vector<Bytes> pictures;
    for (const GoodPicture& picture : kGoodPictures) pictures.push_back(ReadBytes(PicturePath(picture.file)));
    pictures.push_back(Text("P2\n3 2\n1000\n0 500 1000\n1 2 3\n"));
    Bytes p5 = Text("P5\n3 2\n65535\n");
    for (int i = 0; i < 12; ++i) p5.push_back(static_cast<unsigned char>(i * 21));
    pictures.push_back(p5);
    int decoded = 0;
    for (size_t p = 0; p < pictures.size(); ++p) {
        std::mt19937 rng(static_cast<unsigned>(1000 + p));
        for (int i = 0; i < 400; ++i) {
            const Bytes bytes = Damaged(pictures[p], static_cast<Damage>(i % 3), rng);
            SCOPED_TRACE("picture " + std::to_string(p) + " case " + std::to_string(i));
            const GuardedBytes guarded(bytes);
            const Decoded first = DecodeMemory(guarded.data(), bytes.size());
            EXPECT_TRUE(first.result == 0 || first.result == 2 || first.result == 3 || first.result == 4)
                << first.result;
            if (first.result != 0) continue;
            ++decoded;
            EXPECT_LE(static_cast<int64_t>(first.header.bV5Width) * first.header.bV5Height, 64 << 20);
            const Decoded second = DecodeMemory(guarded.data(), bytes.size());
            EXPECT_EQ(second.result, 0);
            EXPECT_TRUE(second.rows == first.rows) << "pixels differ between two reads of the same bytes";
        }
    }
    EXPECT_GT(decoded, 0) << "some damage leaves a picture";
}
