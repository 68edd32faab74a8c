// Pictures whose header says they carry alpha are drawn over the chip's
// background colour in every placement; 32-bit pictures without that header
// paint as they always did, whatever their fourth byte holds.
#include <gtest/gtest.h>
#include <memory>
#include "chip_scene.h"
#include "picture_support.h"
#include "scale_reference.h"

namespace {
using namespace test_picture;

constexpr int kWidth = 24, kHeight = 18;

TestPicture AlphaPicture(uint8_t headerKind, uint8_t flags) {
    TestPicture picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.headerKind = headerKind;
    picture.bitCount = 32;
    picture.flags = flags;
    picture.topLeft = RGB(250, 10, 20);
    picture.topRight = RGB(30, 240, 60);
    picture.bottom = RGB(90, 100, 230);
    return picture;
}

// Byte c (red, green, blue, alpha) of the picture's pixel with its colour
// weighted by its alpha, as the library keeps it.
int Premultiplied(const TestPicture& p, int x, int y, int c) {
    const int a = AlphaAt(x, y);
    if (c == 3) return a;
    const COLORREF colour = y >= p.height / 2 ? p.bottom : x < p.width / 2 ? p.topLeft : p.topRight;
    const int byte = c == 0 ? GetRValue(colour) : c == 1 ? GetGValue(colour) : GetBValue(colour);
    return (byte * a + 127) / 255;
}

COLORREF Over(const int (&p)[4], COLORREF back) {
    auto one = [&](int c, int b) { return std::min(255, p[c] + (b * (255 - p[3]) + 127) / 255); };
    return RGB(one(0, GetRValue(back)), one(1, GetGValue(back)), one(2, GetBValue(back)));
}

// What client pixel (x, y) must show for the chip's placement and draw size.
COLORREF Expected(const TestPicture& p, const ChipState& s, int cw, int ch, int x, int y, COLORREF back) {
    int left = 0, top = 0;
    if (s.placement == 1 || s.placement == 3) left = cw - s.drawWidth;
    if (s.placement == 2 || s.placement == 3) top = ch - s.drawHeight;
    int px = x - left, py = y - top;
    if (s.placement == 4) {
        px %= s.drawWidth;
        py %= s.drawHeight;
    }
    if (px < 0 || py < 0 || px >= s.drawWidth || py >= s.drawHeight) return back;
    int v[4];
    if (s.placement >= 5) {
        ScaledAt(px, py, p.width, p.height, s.drawWidth, s.drawHeight,
                 [&p](int sx, int sy, int c) { return Premultiplied(p, sx, sy, c); }, v);
    } else {
        for (int c = 0; c < 4; ++c) v[c] = Premultiplied(p, px, py, c);
    }
    return Over(v, back);
}

class AlphaPictureTest : public ::testing::Test {
protected:
    AlphaPictureTest()
        : folder_(NewFolder("alpha")), plugin_(InstallPlugin(folder_, "basic")), registry_(folder_.c_str()) {}

    std::string Write(const std::string& name, const TestPicture& picture) {
        const std::string path = folder_ + "\\" + name;
        WriteTestPicture(path, picture);
        return path;
    }

    // The fourth byte of a bitmap file's pixels: alpha (transparent pixels
    // white), filler (AlphaAt) beside the picture's own colours, or 0.
    enum class Fourth { alpha, filler, zero };

    // The same picture as a bitmap file with a 124-byte header, rows bottom up.
    std::string WriteBitmapFile(const std::string& name, const TestPicture& p, Fourth fourth = Fourth::alpha,
                                DWORD compression = BI_BITFIELDS, DWORD alphaMask = 0xFF000000) {
        BITMAPV5HEADER v{};
        v.bV5Size = sizeof(v);
        v.bV5Width = p.width;
        v.bV5Height = p.height;
        v.bV5Planes = 1;
        v.bV5BitCount = 32;
        v.bV5Compression = compression;
        v.bV5RedMask = 0x00FF0000;
        v.bV5GreenMask = 0x0000FF00;
        v.bV5BlueMask = 0x000000FF;
        v.bV5AlphaMask = alphaMask;
        v.bV5CSType = 0x73524742;
        v.bV5SizeImage = p.width * p.height * 4;
        BITMAPFILEHEADER f{};
        f.bfType = 0x4D42;
        f.bfOffBits = sizeof(f) + sizeof(v);
        f.bfSize = f.bfOffBits + v.bV5SizeImage;
        std::string bytes(reinterpret_cast<const char*>(&f), sizeof(f));
        bytes.append(reinterpret_cast<const char*>(&v), sizeof(v));
        for (int y = p.height - 1; y >= 0; --y)
            for (int x = 0; x < p.width; ++x) {
                const COLORREF c = y >= p.height / 2 ? p.bottom : x < p.width / 2 ? p.topLeft : p.topRight;
                const uint8_t a = fourth == Fourth::zero ? 0 : AlphaAt(x, y);
                const bool white = a == 0 && fourth == Fourth::alpha;
                const char pixel[4] = {char(white ? 255 : GetBValue(c)), char(white ? 255 : GetGValue(c)),
                                       char(white ? 255 : GetRValue(c)), char(a)};
                bytes.append(pixel, 4);
            }
        const std::string path = folder_ + "\\" + name;
        WriteFileBytes(path, bytes);
        return path;
    }

    std::string folder_;
    std::string plugin_;
    ScopedSusieFolder registry_;
};

struct AlphaCase {
    uint32_t placement;
    int cw, ch;
};
}  // namespace

TEST_F(AlphaPictureTest, DrawnOverTheBackgroundInEveryPlacement) {
    const AlphaCase cases[] = {
        {0, 60, 40}, {1, 60, 40}, {2, 60, 40}, {3, 60, 40}, {3, 20, 15},   // cut by the client's edges
        {4, 60, 40}, {4, 10, 7},
        {5, 60, 40}, {5, 15, 10}, {5, 15, 40},   // larger, smaller, both
        {6, 60, 40}, {6, 15, 10},
    };
    const COLORREF backs[] = {RGB(0, 0, 200), RGB(255, 240, 0)};
    // Headers of 108 and 124 bytes from the plug-in, and a bitmap file.
    for (uint8_t kind : {uint8_t(1), uint8_t(2), uint8_t(3)}) {
        const TestPicture picture = AlphaPicture(kind, kAlpha);
        const std::string path = kind == 3 ? WriteBitmapFile("alpha.bmp", picture)
                                           : Write("alpha" + std::to_string(kind) + ".brm", picture);
        for (const AlphaCase& c : cases) {
            SCOPED_TRACE((kind == 3 ? std::string("bitmap file") : "header kind " + std::to_string(kind)) +
                         ", placement " + std::to_string(c.placement) + " in " +
                         std::to_string(c.cw) + "x" + std::to_string(c.ch));
            const ChipSettings settings = PictureSettings(path, c.placement);
            ChipScene scene(c.cw, c.ch, "", &settings);
            ASSERT_NE(scene.state().picture, nullptr);
            for (COLORREF back : backs) {
                // A new background colour shows at the next paint, also over a kept scaled picture.
                scene.host().info.backColour = back;
                Library().Update(scene.chip(), scene.window(), &scene.host().info);
                auto canvas = scene.Paint();
                const ChipState s = scene.state();
                int differing = 0;
                std::string first;
                for (int y = 0; y < c.ch; ++y)
                    for (int x = 0; x < c.cw; ++x) {
                        const COLORREF want = Expected(picture, s, c.cw, c.ch, x, y, back);
                        if (canvas->At(x, y) != want && !differing++)
                            first = std::to_string(x) + "," + std::to_string(y) + ": " +
                                    std::to_string(canvas->At(x, y)) + " for " + std::to_string(want);
                    }
                EXPECT_EQ(differing, 0) << "first at " << first;
            }
        }
    }
}

// A bitmap file with alpha leaves one bitmap a load: the premultiplied copy,
// which the chip holds until it goes. Each chip is the last on its file, so
// every one loads it afresh.
TEST_F(AlphaPictureTest, AlphaBitmapLoadsKeepOnlyTheirCopy) {
    const std::string path = WriteBitmapFile("alpha.bmp", AlphaPicture(2, kAlpha));
    const ChipSettings settings = PictureSettings(path, 0);
    const int before = CountFreeGdiSlots();
    for (int i = 0; i < 50; ++i) {
        ChipScene scene(8, 8, "", &settings);
        EXPECT_NE(scene.state().picture, nullptr);
    }
    EXPECT_GE(CountFreeGdiSlots(), before - 8);
}

TEST_F(AlphaPictureTest, ThirtyTwoBitsWithoutAlphaPaintAsTheyAlwaysDid) {
    // The fourth byte of a BI_RGB picture holds anything; it must not matter,
    // with a 40-byte header or a 108-byte one, nor beside an alpha mask that is
    // not 0xFF000000 or belongs to a BI_RGB header. An alpha header whose
    // alpha bytes are all 0 was written without alpha: opaque, not invisible.
    TestPicture opaque = AlphaPicture(0, 0);
    opaque.bitCount = 24;
    const std::string reference = Write("opaque.brm", opaque);
    TestPicture zeroAlpha = AlphaPicture(2, kAlpha);
    zeroAlpha.spoil = kSpoilZeroAlpha;
    const std::string paths[] = {Write("filler0.brm", AlphaPicture(0, 0)), Write("filler1.brm", AlphaPicture(1, 0)),
                                 Write("zero-alpha.brm", zeroAlpha),
                                 WriteBitmapFile("zero-alpha.bmp", AlphaPicture(2, 0), Fourth::zero),
                                 WriteBitmapFile("rgb-masks.bmp", AlphaPicture(2, 0), Fourth::filler, BI_RGB),
                                 WriteBitmapFile("half-alpha-mask.bmp", AlphaPicture(2, 0), Fourth::filler,
                                                 BI_BITFIELDS, 0x80000000)};
    for (const std::string& path : paths) {
        for (uint32_t placement = 0; placement <= 6; ++placement) {
            SCOPED_TRACE(path + ", placement " + std::to_string(placement));
            const ChipSettings settings = PictureSettings(path, placement);
            const ChipSettings plain = PictureSettings(reference, placement);
            ChipScene scene(37, 29, "", &settings);
            ChipScene today(37, 29, "", &plain);
            auto canvas = scene.Paint();
            auto expected = today.Paint();
            int differing = 0;
            for (int y = 0; y < 29; ++y)
                for (int x = 0; x < 37; ++x) differing += canvas->At(x, y) != expected->At(x, y);
            EXPECT_EQ(differing, 0);
        }
    }
}
