// ifbrimsel.spi found and used by the library's own picture loading, with the
// plug-in folder setting pointing at the folder the build put it in.
#include <gtest/gtest.h>
#include <cstring>
#include <optional>
#include "picture/image_plugins.h"
#include "spi_pictures.h"
#include "scoped_state.h"
#include "test_support.h"

namespace {
class SpiThroughLibrary : public testing::Test {
protected:
    // Points the plug-in folder value at bin\spi, keeping what was there.
    static void SetUpTestSuite() {
        folder_.emplace(ScopedState::RegistryText(kSusieFolderKey, "Path", (ProgramDirectory() + "spi").c_str()));
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static HBITMAP Load(const std::string& path) {
        static TestWindow window(40, 30);
        ImagePluginList list = BuildImagePluginList();
        HBITMAP bitmap = LoadPicture(window.get(), path.c_str(), list);
        FreeImagePluginList(list);
        return bitmap;
    }
    static inline std::optional<ScopedState> folder_;
};

// The bitmap's pixels as RGB(), top row first.
std::vector<COLORREF> Pixels(HBITMAP bitmap, BITMAP* shape) {
    GetObject(bitmap, sizeof(*shape), shape);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shape->bmWidth;
    info.bmiHeader.biHeight = -shape->bmHeight;   // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<COLORREF> pixels(shape->bmWidth * shape->bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, shape->bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (COLORREF& p : pixels) p = RGB(GetBValue(p), GetGValue(p), GetRValue(p));   // BGRX in memory
    return pixels;
}
}  // namespace

TEST_F(SpiThroughLibrary, ListsEveryFormatOfOneModuleInTheModulesOrder) {
    ImagePluginList list = BuildImagePluginList();
    const ImagePluginEntry* entry = list->next;
    char pattern[1024];
    for (int n = 2; Spi().GetPluginInfo(n, pattern, sizeof(pattern)) > 0; n += 2) {
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->pattern, pattern);
        EXPECT_NE(entry->module, nullptr);
        EXPECT_EQ(entry->module, list->next->module);
        entry = entry->next;
    }
    EXPECT_EQ(entry, nullptr);
    EXPECT_STREQ(list->next->pattern, "*.png");
    FreeImagePluginList(list);
}

TEST_F(SpiThroughLibrary, LoadsEveryFormatAndThePictureAfterAHeader) {
    std::vector<GoodPicture> pictures(std::begin(kGoodPictures), std::end(kGoodPictures));
    pictures.push_back({kHeader128File, 0, true});   // recognised at byte 128
    for (const GoodPicture& picture : pictures) {
        HBITMAP bitmap = Load(PicturePath(picture.file));
        ASSERT_NE(bitmap, nullptr) << picture.file;
        BITMAP shape{};
        const std::vector<COLORREF> pixels = Pixels(bitmap, &shape);
        EXPECT_EQ(shape.bmWidth, 32);
        EXPECT_EQ(shape.bmHeight, 16);
        for (const Probe& p : kProbes) {
            // How a half-transparent pixel shows is up to the library's drawing.
            if (picture.alpha && &p == &kProbes[4]) continue;
            EXPECT_TRUE(Near(pixels[p.y * 32 + p.x], p.colour, picture.tolerance)) << picture.file << " " << p.x << "," << p.y;
        }
        DeleteObject(bitmap);
    }
}

TEST_F(SpiThroughLibrary, BrokenAndOverBudgetPicturesGiveNoBitmap) {
    for (const BrokenPicture& broken : BrokenPictures()) {
        HBITMAP bitmap = Load(WriteTemp(broken.name, broken.bytes));
        EXPECT_EQ(bitmap, nullptr) << broken.name;
        if (bitmap) DeleteObject(bitmap);
    }
}
