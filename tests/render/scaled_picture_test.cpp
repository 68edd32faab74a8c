// Stretched and fitted pictures against a per-pixel reference: averaged where
// the picture is drawn smaller, blocks where it is drawn larger; and the kept
// scaled picture after everything that changes what it must show.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include "chip_scene.h"
#include "scale_reference.h"

namespace {
COLORREF Expected(int x, int y, int pw, int ph, int dw, int dh, uint32_t seed) {
    int v[4];
    ScaledAt(x, y, pw, ph, dw, dh,
             [seed](int sx, int sy, int c) {
                 const COLORREF colour = NoiseAt(sx, sy, seed);
                 return c == 0 ? GetRValue(colour) : c == 1 ? GetGValue(colour) : c == 2 ? GetBValue(colour) : 0;
             },
             v);
    return RGB(v[0], v[1], v[2]);
}

// Pixels of the drawn picture that differ from the reference; the first is described.
int CountDiffering(const PixelCanvas& canvas, int pw, int ph, int dw, int dh, uint32_t seed, std::string* first) {
    int differing = 0;
    for (int y = 0; y < std::min(dh, canvas.height()); ++y)
        for (int x = 0; x < std::min(dw, canvas.width()); ++x) {
            const COLORREF want = Expected(x, y, pw, ph, dw, dh, seed);
            if (canvas.At(x, y) == want) continue;
            if (!differing++)
                *first = "at " + std::to_string(x) + "," + std::to_string(y) + ": " +
                         std::to_string(canvas.At(x, y)) + " instead of " + std::to_string(want);
        }
    return differing;
}

// The chip's draw area matches the reference for its current draw size.
void ExpectScaled(ChipScene& scene, int pw, int ph, uint32_t seed) {
    auto canvas = scene.Paint();
    const ChipState s = scene.state();
    std::string first;
    EXPECT_EQ(CountDiffering(*canvas, pw, ph, s.drawWidth, s.drawHeight, seed, &first), 0)
        << pw << "x" << ph << " drawn " << s.drawWidth << "x" << s.drawHeight << ", first " << first;
}

struct ScaleCase {
    uint32_t placement;
    int pw, ph;   // picture
    int cw, ch;   // client
};
}  // namespace

TEST(ScaledPicture, MatchesAveragingWhereSmallerAndBlocksWhereLarger) {
    const ScaleCase cases[] = {
        {5, 37, 23, 10, 7},     // smaller both ways
        {5, 37, 23, 10, 50},    // narrower, taller
        {5, 37, 23, 80, 9},     // wider, shorter
        {5, 37, 23, 80, 50},    // larger both ways, as StretchBlt always drew
        {5, 37, 23, 37, 23},    // its own size
        {5, 37, 23, 1, 1},
        {6, 300, 200, 97, 97},  // fitted to 97 x 65, over several strips of rows
        {6, 37, 23, 100, 100},  // fitted larger
        {6, 16, 300, 40, 150},  // fitted to 8 x 150
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.placement) + ": " + std::to_string(c.pw) + "x" + std::to_string(c.ph) + " in " +
                     std::to_string(c.cw) + "x" + std::to_string(c.ch));
        const uint32_t seed = static_cast<uint32_t>(c.pw * 7 + c.cw);
        const ChipSettings settings = PictureSettings(NoisePicture(c.pw, c.ph, seed), c.placement);
        ChipScene scene(c.cw, c.ch, "", &settings);
        ExpectScaled(scene, c.pw, c.ph, seed);
        ExpectScaled(scene, c.pw, c.ph, seed);   // again, from the kept picture
    }
}

TEST(ScaledPicture, ShrunkCheckerIsGreyNotBlack) {
    // Combining shrunk pixels with AND turned a fine checker black.
    WriteBmpFile(TempDirectory() + "checker.bmp", 64, 64,
                 [](int x, int y, void*) { return (x + y) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0); });
    const ChipSettings settings = PictureSettings(TempDirectory() + "checker.bmp", 5);
    ChipScene scene(16, 16, "", &settings);
    auto canvas = scene.Paint();
    EXPECT_EQ(canvas->At(0, 0), RGB(128, 128, 128));
    EXPECT_EQ(canvas->At(15, 15), RGB(128, 128, 128));
}

TEST(ScaledPicture, KeptPictureFollowsSizePlacementAndPicture) {
    const uint32_t first = 11, second = 12, third = 13;
    const std::string path = NoisePicture(37, 23, first);
    ChipSettings settings = PictureSettings(path, 5);
    ChipScene scene(20, 15, "", &settings);
    ExpectScaled(scene, 37, 23, first);

    // A new client height alone, then a new width alone, through Resize.
    for (const SIZE client : {SIZE{20, 11}, SIZE{25, 11}}) {
        scene.SetClientSize(client.cx, client.cy);
        EXPECT_EQ(Library().Resize(scene.chip(), scene.window()), 0);
        ExpectScaled(scene, 37, 23, first);
    }

    // Fitted instead of stretched, from the menu.
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10002);
    ASSERT_EQ(scene.state().placement, 6);
    ASSERT_EQ(scene.state().drawWidth, 18);
    ExpectScaled(scene, 37, 23, first);

    // Another picture, through Update.
    settings = PictureSettings(NoisePicture(41, 29, second), 5);
    scene.host().SetSettings(settings);
    Library().Update(scene.chip(), scene.window(), &scene.host().info);
    ExpectScaled(scene, 41, 29, second);

    // The same file written anew, through Update.
    const std::string copy = TempDirectory() + "rewritten.bmp";
    ASSERT_TRUE(CopyFileA(NoisePicture(41, 29, third).c_str(), copy.c_str(), FALSE));
    settings = PictureSettings(copy, 5);
    scene.host().SetSettings(settings);
    Library().Update(scene.chip(), scene.window(), &scene.host().info);
    ExpectScaled(scene, 41, 29, third);
    ASSERT_TRUE(CopyFileA(NoisePicture(41, 29, first).c_str(), copy.c_str(), FALSE));
    HANDLE file = CreateFileA(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later{0x12345678, 0x01D00000};
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    Library().Update(scene.chip(), scene.window(), &scene.host().info);
    ExpectScaled(scene, 41, 29, first);

    // Dropped by Zoom, reloaded by the paint.
    Library().Zoom(scene.chip(), 0, 0);
    ExpectScaled(scene, 41, 29, first);

    // A corner placement and back: nothing stale shows.
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10004);   // corner menu
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10000);
    ASSERT_EQ(scene.state().placement, 0);
    auto corner = scene.Paint();
    EXPECT_EQ(corner->At(3, 4), NoiseAt(3, 4, first));
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10004);
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10001);
    ASSERT_EQ(scene.state().placement, 5);
    ExpectScaled(scene, 41, 29, first);
}

// Pictures sized from the screen, drawn stretched: the exact mean where no
// reduced copy may serve. Red is 255 throughout, so that the sums of a picture
// of over 16.8 megapixels pass 32 bits.
TEST(ScaledPicture, TheReducedCopyServesOnlyPicturesAndSizesItCovers) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const struct { int pw, ph, cw, ch; } cases[] = {
        {sw * 13 / 10, sh * 13 / 10, 97, 61},                     // under twice its copy's pixels: no copy
        {std::max(4200, 2 * sw), std::max(4100, 2 * sh), sw + 50, 40},   // wider than its copy
    };
    for (const auto& c : cases) {
        const auto byte = [](int x, int y, int channel) {
            return channel == 0 ? 255 : channel == 3 ? 0 : (NoiseAt(x, y, 7) >> 8 * channel) & 0xFF;
        };
        const std::string path = TempDirectory() + "screen-sized.bmp";
        WriteBmpFile(path, c.pw, c.ph, [](int x, int y, void*) { return NoiseAt(x, y, 7) | 0xFF; });
        const ChipSettings settings = PictureSettings(path, 5);
        auto canvas = ChipScene(c.cw, c.ch, "", &settings).Paint();
        DeleteFileA(path.c_str());
        int differing = 0, want[4];
        for (int y = 0; y < c.ch; y += 3)
            for (int x = 0; x < c.cw; ++x) {
                ScaledAt(x, y, c.pw, c.ph, c.cw, c.ch, byte, want);
                differing += canvas->At(x, y) != RGB(want[0], want[1], want[2]);
            }
        EXPECT_EQ(differing, 0) << c.pw << "x" << c.ph << " drawn " << c.cw << "x" << c.ch;
    }
}

TEST(ScaledPicture, PictureMuchLargerThanTheScreenIsDrawnWithinALevelOfTheExactMean) {
    // Sized from the screen, so that it gets its reduced copy on any display;
    // shaded, with hard edges and grain, as a photo is.
    static int pw = 2 * GetSystemMetrics(SM_CXSCREEN) + 37, ph = 2 * GetSystemMetrics(SM_CYSCREEN) + 11;
    static std::vector<COLORREF> photo(static_cast<size_t>(pw) * ph);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
            const int grain = static_cast<int>(NoiseAt(x, y, 5) % 41) - 20;
            const int shade = static_cast<int>(128 + 90 * std::sin(x / 173.0) * std::cos(y / 211.0)) + grain;
            const int edge = ((x / 120 + y / 95) % 4 ? 70 : 200) + grain;
            photo[static_cast<size_t>(y) * pw + x] = RGB(shade, 60 + 150 * (x + y) / (pw + ph), edge);
        }
    const std::string path = TempDirectory() + "photo-like.bmp";
    WriteBmpFile(path, pw, ph, [](int x, int y, void*) { return photo[static_cast<size_t>(y) * pw + x]; });
    const ChipSettings settings = PictureSettings(path, 5);
    auto canvas = ChipScene(301, 203, "", &settings).Paint();
    DeleteFileA(path.c_str());
    int64_t total = 0;
    int largest = 0, want[4];
    for (int y = 0; y < 203; ++y)
        for (int x = 0; x < 301; ++x) {
            ScaledAt(x, y, pw, ph, 301, 203,
                     [](int sx, int sy, int c) { return (photo[static_cast<size_t>(sy) * pw + sx] >> 8 * c) & 0xFF; },
                     want);
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(static_cast<int>((canvas->At(x, y) >> 8 * c) & 0xFF) - want[c]);
                total += d;
                largest = std::max(largest, d);
            }
        }
    const double mean = static_cast<double>(total) / (301 * 203 * 3);
    std::printf("%dx%d drawn 301x203: mean difference %.3f levels, largest %d\n", pw, ph, mean, largest);
    EXPECT_LT(mean, 1.0) << "largest " << largest;
}
