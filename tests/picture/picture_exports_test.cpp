// Pictures through the host's door: a settings block naming a picture that only
// a plug-in reads, delivered by Update and shown by DrawChip.
#include <gtest/gtest.h>
#include <string>
#include "picture_support.h"
#include "test_support.h"

namespace {
using namespace test_picture;

class PictureExportsTest : public ::testing::Test {
protected:
    PictureExportsTest()
        : folder_(NewFolder("exports")),
          plugin_(InstallPlugin(folder_, "basic")),
          registry_(folder_.c_str()),
          window_(64, 48) {}

    // A chip whose saved settings name `path`, top-left placement, sized by picture.
    HLOCAL StartChip(HostChip& chip, const std::string& path) {
        ChipSettings settings{};
        settings.placement = 0;
        settings.sizingMode = 10008;
        lstrcpynA(settings.picturePath, path.c_str(), sizeof(settings.picturePath));
        chip.SetSettings(settings);
        HLOCAL handle = nullptr;
        Library().InitializeChip(&handle, window_.get(), &chip.info);
        return handle;
    }

    std::string folder_;
    std::string plugin_;
    ScopedSusieFolder registry_;
    TestWindow window_;
};

TEST_F(PictureExportsTest, UpdateLoadsAPluginPictureThatDrawChipShows) {
    TestPicture picture;
    picture.width = 20;
    picture.height = 10;
    picture.headerKind = 1;
    picture.bitCount = 8;
    const std::string path = folder_ + "\\chip.brm";
    WriteTestPicture(path, picture);

    HostChip chip("");
    chip.info.backColour = RGB(255, 255, 255);
    HLOCAL handle = StartChip(chip, path);
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(IsModuleLoaded(plugin_)) << "the plug-in outlived Update";
    EXPECT_TRUE(CanOpenExclusively(path));

    RECT client{};
    GetClientRect(window_.get(), &client);
    ASSERT_EQ(client.right, 64);
    ASSERT_EQ(client.bottom, 48);
    PixelCanvas canvas(64, 48);
    EXPECT_EQ(Library().DrawChip(handle, window_.get(), canvas.dc(), chip.text.c_str()), 1);
    EXPECT_EQ(canvas.At(0, 0), picture.topLeft);
    EXPECT_EQ(canvas.At(9, 4), picture.topLeft);
    EXPECT_EQ(canvas.At(10, 0), picture.topRight);
    EXPECT_EQ(canvas.At(19, 4), picture.topRight);
    EXPECT_EQ(canvas.At(0, 5), picture.bottom);
    EXPECT_EQ(canvas.At(19, 9), picture.bottom);
    EXPECT_EQ(canvas.At(40, 30), RGB(255, 255, 255));
    Library().UnInitializeChip(handle);
}

TEST_F(PictureExportsTest, PluginFaultingOnTheChipsPictureLeavesTheChipWithoutOne) {
    for (uint8_t fault : {uint8_t(kFaultSupported), uint8_t(kFaultPicture)}) {
        SCOPED_TRACE(int(fault));
        TestPicture picture;
        picture.flags = fault;
        const std::string path = folder_ + "\\fault" + std::to_string(fault) + ".brm";
        WriteTestPicture(path, picture);

        HostChip chip("");
        HLOCAL handle = StartChip(chip, path);
        ASSERT_NE(handle, nullptr);
        PixelCanvas canvas(64, 48);
        EXPECT_EQ(Library().DrawChip(handle, window_.get(), canvas.dc(), chip.text.c_str()), 1);
        EXPECT_NE(canvas.At(0, 0), picture.topLeft);
        EXPECT_FALSE(IsModuleLoaded(plugin_));
        EXPECT_TRUE(CanOpenExclusively(path));
        Library().UnInitializeChip(handle);
    }
}
}  // namespace
