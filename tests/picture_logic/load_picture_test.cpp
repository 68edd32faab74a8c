// Reading a picture file: the bitmap path rule, the probing of plug-in entries
// at byte 0 and 128, the DIB shapes plug-ins return, and the file and memory
// handed back on every path.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include "picture/image_plugins.h"
#include "picture_support.h"
#include "test_support.h"

namespace {
using namespace test_picture;

// A list in an order of the test's choosing: the built-in entry, then one
// entry per module. The list owns one reference to each module, as a built
// list does.
ImagePluginList ListOf(std::initializer_list<std::string> modulePaths) {
    auto entry = [](HMODULE module, const char* description, const char* pattern) {
        auto* e = static_cast<ImagePluginEntry*>(std::calloc(1, sizeof(ImagePluginEntry)));
        e->module = module;
        e->description = _strdup(description);
        e->pattern = _strdup(pattern);
        return e;
    };
    ImagePluginEntry* first = entry(nullptr, "Bitmap", "*.bmp");
    ImagePluginEntry* last = first;
    for (const std::string& path : modulePaths) {
        HMODULE module = LoadLibraryA(path.c_str());
        EXPECT_NE(module, nullptr) << path;
        last = last->next = entry(module, "Test", "*.brm");
    }
    return first;
}

class LoadPictureTest : public ::testing::Test {
protected:
    LoadPictureTest() : folder_(NewFolder("load")), window_(64, 64) {}

    std::string Plugin(const std::string& name) { return InstallPlugin(folder_, name); }
    std::string Picture(const TestPicture& picture, const std::string& name = "picture.brm") {
        const std::string path = folder_ + "\\" + name;
        WriteTestPicture(path, picture);
        return path;
    }
    HBITMAP Load(const std::string& path, ImagePluginList list) {
        return LoadPicture(window_.get(), path.c_str(), list);
    }

    std::string folder_;
    TestWindow window_;
};

// The three parts of a test picture, read back from the bitmap.
void ExpectPicture(HBITMAP bitmap, const TestPicture& p, COLORREF bottom) {
    ASSERT_NE(bitmap, nullptr);
    const BitmapPixels px = ReadBitmap(bitmap);
    ASSERT_EQ(px.width, p.width);
    ASSERT_EQ(px.height, p.height);
    EXPECT_EQ(px.At(0, 0), p.topLeft);
    EXPECT_EQ(px.At(p.width / 2 - 1, p.height / 2 - 1), p.topLeft);
    EXPECT_EQ(px.At(p.width / 2, 0), p.topRight);
    EXPECT_EQ(px.At(p.width - 1, p.height / 2 - 1), p.topRight);
    EXPECT_EQ(px.At(0, p.height / 2), bottom);
    EXPECT_EQ(px.At(p.width - 1, p.height - 1), bottom);
}

TEST_F(LoadPictureTest, PathsEndingInBmpInAnyCaseAreReadByWindowsAsDibSections) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    for (const char* name : {"a.bmp", "b.BMP", "c.bMp", "dbmp"}) {
        SCOPED_TRACE(name);
        const std::string path = folder_ + "\\" + name;
        WriteSolidBmp(path, 5, 3, RGB(10, 20, 30));
        HBITMAP bitmap = Load(path, list);
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib{};
        EXPECT_EQ(GetObjectA(bitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib))) << "not a DIB section";
        const BitmapPixels px = ReadBitmap(bitmap);
        EXPECT_EQ(px.width, 5);
        EXPECT_EQ(px.height, 3);
        EXPECT_EQ(px.At(4, 2), RGB(10, 20, 30));
        DeleteObject(bitmap);
    }
    EXPECT_EQ(probe->supportedCalls, 0);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, UnreadableBitmapYieldsNoneEvenWhenAPluginCouldReadIt) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    const TestPicture picture;
    EXPECT_EQ(Load(Picture(picture, "disguised.BMP"), list), nullptr);
    EXPECT_EQ(probe->supportedCalls, 0);
    // The same bytes under another name are the plug-in's.
    HBITMAP bitmap = Load(Picture(picture, "disguised.dib"), list);
    ExpectPicture(bitmap, picture, picture.bottom);
    DeleteObject(bitmap);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, DibFileIsOfferedToThePlugins) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    const std::string path = folder_ + "\\real.dib";
    WriteSolidBmp(path, 4, 4, RGB(1, 2, 3));
    EXPECT_EQ(Load(path, list), nullptr);
    EXPECT_EQ(probe->supportedCalls, 2);   // at byte 0, then at byte 128
    EXPECT_TRUE(CanOpenExclusively(path));
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, PluginPictureIsADeviceBitmapWithThePluginsPixels) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    const TestPicture picture;
    const std::string path = Picture(picture);
    HBITMAP bitmap = Load(path, list);
    ExpectPicture(bitmap, picture, picture.bottom);
    DIBSECTION dib{};
    EXPECT_NE(GetObjectA(bitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib))) << "expected a device bitmap";
    DeleteObject(bitmap);
    EXPECT_EQ(probe->supportedPositions[0], 0);
    EXPECT_EQ(probe->pictureOffset, 0);
    EXPECT_EQ(probe->pictureFlag, 0u);
    EXPECT_EQ(probe->pictureHadProgress, 0);
    EXPECT_EQ(probe->pictureData, 0);
    EXPECT_TRUE(CanOpenExclusively(path));
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, FileRecognisedOnlyAtByte128IsReadFromThere) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    TestPicture picture;
    picture.prefix = 128;
    HBITMAP bitmap = Load(Picture(picture), list);
    ExpectPicture(bitmap, picture, picture.bottom);
    DeleteObject(bitmap);
    ASSERT_EQ(probe->supportedCalls, 2);
    EXPECT_EQ(probe->supportedPositions[0], 0);
    EXPECT_EQ(probe->supportedPositions[1], 128);
    EXPECT_EQ(probe->pictureOffset, 128);
    FreeImagePluginList(list);
}

struct ShapeCase {
    const char* name;
    uint8_t headerKind;
    uint8_t bitCount;
    uint8_t flags;
};

class PictureShapeTest : public LoadPictureTest, public ::testing::WithParamInterface<ShapeCase> {};

// Plug-ins in the wild return all of these; each must load with its pixels
// the right way up.
TEST_P(PictureShapeTest, Loads) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    TestPicture picture;
    picture.width = 13;   // rows that need padding
    picture.height = 7;
    picture.headerKind = GetParam().headerKind;
    picture.bitCount = GetParam().bitCount;
    picture.flags = GetParam().flags;
    HBITMAP bitmap = Load(Picture(picture), list);
    ExpectPicture(bitmap, picture, picture.bitCount == 1 ? picture.topLeft : picture.bottom);
    DeleteObject(bitmap);
    FreeImagePluginList(list);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PictureShapeTest,
    ::testing::Values(ShapeCase{"Info24Movable", 0, 24, 0}, ShapeCase{"Info24Fixed", 0, 24, kFixedHandles},
                      ShapeCase{"TopDown", 0, 24, kTopDown}, ShapeCase{"TopDownFixed", 0, 24, kTopDown | kFixedHandles},
                      ShapeCase{"V4Header", 1, 24, 0}, ShapeCase{"V5Header", 2, 24, 0},
                      ShapeCase{"Palette256", 0, 8, 0}, ShapeCase{"Palette256V4", 1, 8, kFixedHandles},
                      ShapeCase{"Palette2", 0, 1, 0}, ShapeCase{"Palette2V5TopDown", 2, 1, kTopDown}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadPictureTest, FailingFirstAcceptorEndsTheLoad) {
    PluginProbe failing(Plugin("failing"));
    PluginProbe basic(Plugin("basic"));
    const TestPicture picture;
    const std::string path = Picture(picture);
    ImagePluginList list = ListOf({folder_ + "\\failing.spi", folder_ + "\\basic.spi"});
    EXPECT_EQ(Load(path, list), nullptr);
    EXPECT_EQ(failing->pictureCalls, 1);
    EXPECT_EQ(basic->supportedCalls, 0);
    EXPECT_EQ(basic->pictureCalls, 0);
    EXPECT_TRUE(CanOpenExclusively(path));
    FreeImagePluginList(list);

    // The other way round the file loads.
    list = ListOf({folder_ + "\\basic.spi", folder_ + "\\failing.spi"});
    HBITMAP bitmap = Load(path, list);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, EntriesLackingAFunctionArePassedOver) {
    PluginProbe noPicture(Plugin("without_picture"));
    const std::string noSupported = Plugin("without_supported");
    const std::string basic = Plugin("basic");
    const TestPicture picture;
    ImagePluginList list = ListOf({noSupported, folder_ + "\\without_picture.spi", basic});
    HBITMAP bitmap = Load(Picture(picture), list);
    ExpectPicture(bitmap, picture, picture.bottom);
    DeleteObject(bitmap);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, EachEntryOfAModuleIsAskedAtBothPositions) {
    const std::string plugins = NewFolder("installed");
    PluginProbe probe(InstallPlugin(plugins, "three"));
    ScopedSusieFolder registry(plugins.c_str());
    const std::string path = Picture(TestPicture{"XXXX"}, "unknown.brm");
    ImagePluginList list = BuildImagePluginList();
    EXPECT_EQ(Load(path, list), nullptr);
    EXPECT_EQ(probe->supportedCalls, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(probe->supportedPositions[i], i % 2 ? 128 : 0) << i;
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, FileNoEntryAcceptsYieldsNoneAndIsClosed) {
    const std::string path = folder_ + "\\other.xyz";
    WriteTestPicture(path, TestPicture{"XXXX"});
    for (bool withPlugin : {false, true}) {
        SCOPED_TRACE(withPlugin);
        ImagePluginList list = withPlugin ? ListOf({Plugin("basic")}) : ListOf({});
        EXPECT_EQ(Load(path, list), nullptr);
        EXPECT_TRUE(CanOpenExclusively(path));
        FreeImagePluginList(list);
    }
}

TEST_F(LoadPictureTest, EmptyOrMissingPathYieldsNoneWithoutAskingAnyPlugin) {
    PluginProbe probe(Plugin("basic"));
    ImagePluginList list = ListOf({folder_ + "\\basic.spi"});
    EXPECT_EQ(Load("", list), nullptr);
    EXPECT_EQ(Load(folder_ + "\\missing.brm", list), nullptr);
    EXPECT_EQ(Load("mp", list), nullptr);
    EXPECT_EQ(probe->supportedCalls, 0);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, FilesOpenElsewhereForReadingStillLoad) {
    ImagePluginList list = ListOf({Plugin("basic")});
    const std::string path = Picture(TestPicture{});
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HBITMAP bitmap = Load(path, list);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    CloseHandle(reader);
    FreeImagePluginList(list);
}

TEST_F(LoadPictureTest, BuiltListServesLoadsAndBitmapsOutliveIt) {
    const std::string plugins = NewFolder("installed");
    const std::string plugin = InstallPlugin(plugins, "three");
    ScopedSusieFolder registry(plugins.c_str());
    TestPicture picture;
    std::memcpy(picture.magic, "BRA1", 4);
    const std::string path = Picture(picture, "picture.bra");
    ImagePluginList list = BuildImagePluginList();
    HBITMAP bitmap = Load(path, list);
    FreeImagePluginList(list);
    EXPECT_FALSE(IsModuleLoaded(plugin));
    ExpectPicture(bitmap, picture, picture.bottom);
    DeleteObject(bitmap);
}
}  // namespace
