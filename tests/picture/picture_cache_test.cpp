// The picture cache as the host meets it: decoded pictures dropped when over
// the budget and read again with the same pixels; pictures read reduced where
// our plug-in offers it; and no picture but no fault when memory runs out.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "chip_scene.h"
#include "picture_support.h"

namespace {
using namespace test_picture;

// The budget for the library in this process, for the life of the scope.
class ScopedCacheBudget {
public:
    explicit ScopedCacheBudget(const char* megabytes) { SetEnvironmentVariableA("BRIMSEL_PICTURE_CACHE_MB", megabytes); }
    ~ScopedCacheBudget() { SetEnvironmentVariableA("BRIMSEL_PICTURE_CACHE_MB", nullptr); }
};

std::vector<COLORREF> Pixels(const PixelCanvas& canvas, int width, int height) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(canvas.At(x, y));
    return pixels;
}

std::string WriteQuadrants(const std::string& path, int width, int height) {
    TestPicture picture;
    picture.width = width;
    picture.height = height;
    picture.topLeft = RGB(200, 30, 40);
    picture.topRight = RGB(20, 180, 60);
    picture.bottom = RGB(50, 60, 210);
    WriteTestPicture(path, picture);
    return path;
}
}  // namespace

TEST(PictureCache, DroppedPictureIsReadAgainReducedWithTheSamePixels) {
    const std::string folder = NewFolder("cache");
    const std::string plugin = InstallPlugin(folder, "reducing");
    ScopedSusieFolder registry(folder.c_str());
    PluginProbe probe(plugin);
    ScopedCacheBudget budget("1");
    // A photo far larger than any screen, stretched into a small chip: read
    // reduced to what covers the drawn size, not whole. Its height is one more
    // than a multiple of 32, so that its reduced copy's last row is partial.
    const ChipSettings photo = PictureSettings(WriteQuadrants(folder + "\\photo.brm", 8000, 5985), 5);
    ChipScene chip(200, 150, "", &photo);
    EXPECT_EQ(probe->reducedCalls, 1);
    EXPECT_EQ(probe->pictureCalls, 0);
    EXPECT_EQ(probe->coverWidth, 200);
    EXPECT_EQ(probe->coverHeight, 150);
    EXPECT_EQ(chip.state().pictureWidth, 8000) << "the size as seen";
    const std::vector<COLORREF> before = Pixels(*chip.Paint(), 200, 150);
    EXPECT_EQ(before[10 * 200 + 10], RGB(200, 30, 40));
    EXPECT_EQ(before[140 * 200 + 190], RGB(50, 60, 210));

    // Another size, then a picture at its own size that fills the budget and
    // drops the photo's decoded picture.
    chip.SetClientSize(120, 90);
    Library().Resize(chip.chip(), chip.window());
    chip.Paint();
    EXPECT_EQ(probe->reducedCalls, 2);
    const ChipSettings large = PictureSettings(WriteQuadrants(folder + "\\large.brm", 700, 600), 0);
    ChipScene other(60, 40, "", &large);
    EXPECT_EQ(probe->reducedCalls, 3);

    // Back at the first size: read again, the same pixels.
    chip.SetClientSize(200, 150);
    Library().Resize(chip.chip(), chip.window());
    EXPECT_EQ(Pixels(*chip.Paint(), 200, 150), before);
    EXPECT_EQ(probe->reducedCalls, 4) << "the photo was not dropped";
    EXPECT_EQ(probe->coverWidth, 250) << "the same reduction, asked by its own size";
    EXPECT_EQ(probe->coverHeight, 188);
}

TEST(PictureCache, NoMemoryForThePictureShowsTheWarningAndTheHostGoesOn) {
    const std::string path = TempDirectory() + "exhausted.bmp";
    WriteBmpFile(path, 2400, 1800, [](int x, int y, void*) { return RGB(x & 255, y & 255, 90); });
    const ChipSettings settings = PictureSettings(path, 5);
    // Every range of 2 MB or more that the system would hand out reserved: the
    // host keeps its small allocations, but there is no room for the picture.
    std::vector<void*> reserved;
    for (size_t size = size_t{256} << 20; size >= (size_t{2} << 20); size /= 2)
        while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) reserved.push_back(block);
    ChipScene chip(80, 60, "", &settings);
    const ChipState state = chip.state();
    const COLORREF shown = chip.Paint()->At(40, 30);
    // Checked with the address space given back, so that a failure can be told.
    const size_t blocks = reserved.size();
    for (void* block : reserved) VirtualFree(block, 0, MEM_RELEASE);
    ASSERT_GT(blocks, 4u);
    EXPECT_EQ(state.picture, nullptr);
    EXPECT_EQ(state.pictureMissing, 1);
    EXPECT_EQ(shown, RGB(127, 0, 0)) << "the warning pattern";

    // With memory back, the next Update shows the picture.
    Library().Update(chip.chip(), chip.window(), &chip.host().info);
    EXPECT_NE(chip.state().picture, nullptr);
    EXPECT_NE(chip.Paint()->At(40, 30), RGB(127, 0, 0));
    DeleteFileA(path.c_str());
}
