// Plug-ins that fault, hand back nothing with success, or describe their
// pictures wrongly: the load yields none and the host keeps running, with no
// file, memory, module or GDI object left behind.
#include <gtest/gtest.h>
#include <string>
#include "picture/image_plugins.h"
#include "picture_support.h"
#include "test_support.h"

namespace {
using namespace test_picture;

class MisbehavingPluginTest : public ::testing::Test {
protected:
    MisbehavingPluginTest()
        : folder_(NewFolder("misbehaving")),
          plugin_(InstallPlugin(folder_, "basic")),
          registry_(folder_.c_str()),
          window_(32, 32) {}

    std::string Picture(const TestPicture& picture) {
        const std::string path = folder_ + "\\picture" + std::to_string(++pictures_) + ".brm";
        WriteTestPicture(path, picture);
        return path;
    }
    // Builds the list, loads, frees the list: what every caller does.
    HBITMAP Load(const std::string& path) {
        ImagePluginList list = BuildImagePluginList();
        HBITMAP bitmap = LoadPicture(window_.get(), path.c_str(), list);
        FreeImagePluginList(list);
        return bitmap;
    }

    std::string folder_;
    std::string plugin_;
    ScopedSusieFolder registry_;
    TestWindow window_;
    int pictures_ = 0;
};

struct BadPicture {
    const char* name;
    uint8_t flags;
    uint8_t spoil;
    int width;
    int height;
    uint8_t bitCount;
};

const BadPicture kBadPictures[] = {
    {"NullInformationHandle", kNullInfo, kSpoilNone, 8, 6, 24},
    {"NullBitsHandle", kNullBits, kSpoilNone, 8, 6, 24},
    {"NullHandlesBoth", kNullInfo | kNullBits, kSpoilNone, 8, 6, 24},
    {"NullBitsHandleFixed", kNullBits | kFixedHandles, kSpoilNone, 8, 6, 24},
    {"ZeroWidth", 0, kSpoilNone, 0, 6, 24},
    {"ZeroHeight", kFixedHandles, kSpoilNone, 8, 0, 24},
    {"HeaderSizeBeyondBlock", 0, kSpoilHeaderSize, 8, 6, 24},
    {"HeaderSizeZero", 0, kSpoilZeroHeaderSize, 8, 6, 24},
    {"BitsBlockTooShort", 0, kSpoilShortBits, 64, 64, 24},
    {"BitsBlockTooShortTopDown", kTopDown | kFixedHandles, kSpoilShortBits, 64, 64, 24},
    {"BitsBlockWithoutRowPadding", 0, kSpoilUnpaddedBits, 13, 64, 24},
    {"SevenBitsPerPixel", 0, kSpoilBitCount, 8, 6, 24},
    {"ColourTableBeyondBlock", 0, kSpoilColoursUsed, 8, 6, 1},
    {"HugeWidth", 0, kSpoilHugeWidth, 8, 6, 24},
    {"NegativeWidth", 0, kSpoilNegativeWidth, 8, 6, 24},
    {"JpegCompression", 0, kSpoilCompression, 8, 6, 24},
    {"FailureReported", kFail, kSpoilNone, 8, 6, 24},
    {"FaultInGetPicture", kFaultPicture, kSpoilNone, 8, 6, 24},
    {"FaultInIsSupported", kFaultSupported, kSpoilNone, 8, 6, 24},
};

class BadPictureTest : public MisbehavingPluginTest, public ::testing::WithParamInterface<BadPicture> {};

TEST_P(BadPictureTest, YieldsNoneAndLeavesNothingBehind) {
    TestPicture picture;
    picture.flags = GetParam().flags;
    picture.spoil = GetParam().spoil;
    picture.width = GetParam().width;
    picture.height = GetParam().height;
    picture.bitCount = GetParam().bitCount;
    const std::string path = Picture(picture);
    EXPECT_EQ(Load(path), nullptr);
    EXPECT_TRUE(CanOpenExclusively(path)) << "the file was left open";
    EXPECT_FALSE(IsModuleLoaded(plugin_)) << "the plug-in was not released";

    // The host carries on: the next good picture loads.
    const TestPicture good;
    HBITMAP bitmap = Load(Picture(good));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(ReadBitmap(bitmap).At(0, 0), good.topLeft);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Pictures, BadPictureTest, ::testing::ValuesIn(kBadPictures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MisbehavingPluginTest, RepeatedLoadsFreeThePluginsMemoryAndGdiObjects) {
    TestPicture large;   // 64 x 64 x 3 bytes of bits per load
    large.width = 64;
    large.height = 64;
    TestPicture fixed = large;
    fixed.flags = kFixedHandles | kTopDown;
    TestPicture halfNull = large;
    halfNull.flags = kNullBits;
    TestPicture spoilt = large;
    spoilt.spoil = kSpoilHeaderSize;
    TestPicture fault = large;
    fault.flags = kFaultSupported;
    const std::string paths[] = {Picture(large), Picture(fixed), Picture(halfNull), Picture(spoilt), Picture(fault)};

    auto cycle = [&] {
        for (const std::string& path : paths) {
            HBITMAP bitmap = Load(path);
            if (bitmap) DeleteObject(bitmap);
        }
    };
    // First-use allocations of the platform; under heap checking they take
    // several rounds to settle.
    for (int i = 0; i < 10; ++i) cycle();
    const int gdiBefore = CountFreeGdiSlots();
    const size_t heapBefore = ProcessHeapInUse();
    for (int i = 0; i < 60; ++i) cycle();
    const size_t heapAfter = ProcessHeapInUse();
    // A leaked picture would cost 12 KB a load: 720 KB over the loop.
    EXPECT_LT(heapAfter, heapBefore + 128 * 1024) << heapBefore << " -> " << heapAfter;
    EXPECT_GE(CountFreeGdiSlots(), gdiBefore - 8);
    // Counted apart: a lone header block left behind costs only some 40 bytes a load.
    const size_t halfNullBefore = ProcessHeapInUse();
    for (int i = 0; i < 400; ++i) EXPECT_EQ(Load(paths[2]), nullptr);
    EXPECT_LT(ProcessHeapInUse(), halfNullBefore + 4 * 1024) << halfNullBefore;
}
}  // namespace
