// Pictures through the host's door: a settings block naming a picture that only
// a plug-in reads, delivered by Update and shown by DrawChip.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "chip_peek.h"
#include "chip_pictures.h"
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
// A plug-in that faults while describing its second format gives no entry and
// keeps none: a picture it would not read, loaded again and again, costs nothing.
TEST_F(PictureExportsTest, PluginFaultingOnItsSecondFormatLeavesNoEntryBehind) {
    InstallPlugin(folder_, "fault_second_description");
    const std::string path = folder_ + "\\unclaimed.txt";
    WriteFileBytes(path, std::string("no picture"));
    HostChip chip("");
    HLOCAL handle = StartChip(chip, path);
    for (int i = 0; i < 10; ++i) Library().Update(handle, window_.get(), &chip.info);
    const size_t before = ProcessHeapInUse();
    for (int i = 0; i < 300; ++i) Library().Update(handle, window_.get(), &chip.info);
    EXPECT_LT(ProcessHeapInUse(), before + 4 * 1024) << "its first format's entry is some 60 bytes a load";
    EXPECT_EQ(Peek(handle).picture, nullptr);
    Library().UnInitializeChip(handle);
}

// A sound RLE bitmap is held to its stream's length, not its rows': one whose
// stream is far shorter than its rows is shown.
TEST_F(PictureExportsTest, AnRleBitmapShorterThanItsRowsIsShown) {
    std::vector<uint8_t> file = SoundBitmap();   // 4 x 3
    file.resize(60);   // one colour, then the stream: end of bitmap
    const uint32_t fields[][2] = {{2, 60}, {10, 58}, {28, 8 | BI_RLE8 << 16}, {34, 2}, {46, 1}, {56, 0x01000000}};
    for (const auto& f : fields) std::memcpy(&file[f[0]], &f[1], 4);
    WriteFileBytes(folder_ + "\\short.bmp", file.data(), file.size());
    HostChip chip("");
    HLOCAL handle = StartChip(chip, folder_ + "\\short.bmp");
    EXPECT_NE(Peek(handle).picture, nullptr);
    Library().UnInitializeChip(handle);
}

// A 4 x 3 24-bit bitmap file, and the same with one header field or its length
// changed: each damaged one is a picture that cannot be had, never a dead host.
struct BitmapDamage {
    const char* name;   // a sound file's starts with "sound"
    size_t at;          // byte to overwrite with `value` (32 bits), or SIZE_MAX
    uint32_t value;
    size_t keep;        // bytes of the file kept (more are grey); SIZE_MAX for all
};

TEST_F(PictureExportsTest, DamagedBitmapFilesLeaveTheChipWithoutAPicture) {
    const BitmapDamage cases[] = {
        {"sound", SIZE_MAX, 0, SIZE_MAX},
        {"sound panorama past the budget of compressed ones", 18, 17000, 54 + 17000 * 3 * 3},
        {"bits offset past the end", 10, 0x7fff0000, SIZE_MAX},
        {"bits offset just too far", 10, 55, SIZE_MAX},
        {"bits offset inside the header", 10, 20, SIZE_MAX},
        {"header size 0", 14, 0, SIZE_MAX},
        {"header size 13", 14, 13, SIZE_MAX},
        {"header size past the end", 14, 0x10000, SIZE_MAX},
        {"negative width", 18, static_cast<uint32_t>(-4), SIZE_MAX},
        {"huge width", 18, 0x40000000, SIZE_MAX},
        {"huge height", 22, 0x40000000, SIZE_MAX},
        {"most negative height", 22, 0x80000000, SIZE_MAX},
        {"zero height", 22, 0, SIZE_MAX},
        {"huge colour count", 46, 0xffffffff, SIZE_MAX},
        {"32 bits with a table past the end", 28, 32 | (BI_RGB << 16), SIZE_MAX},
        {"truncated bits", SIZE_MAX, 0, 54 + 12 * 3 - 1},
        {"3 wide, cut inside the last row's padding", 18, 3, 54 + 12 * 3 - 1},
        {"header only", SIZE_MAX, 0, 54},
        {"cut inside the header", SIZE_MAX, 0, 30},
        {"zero-length file", SIZE_MAX, 0, 0},
    };
    for (const BitmapDamage& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = SoundBitmap();
        if (c.at != SIZE_MAX) std::memcpy(&bytes[c.at], &c.value, 4);
        if (c.keep != SIZE_MAX) bytes.resize(c.keep, 0x80);
        const std::string path = folder_ + "\\damaged.bmp";
        WriteFileBytes(path, bytes.data(), bytes.size());

        const bool sound = std::strncmp(c.name, "sound", 5) == 0;
        HostChip chip("text");
        HLOCAL handle = StartChip(chip, path);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(Peek(handle).picture != nullptr, sound);
        Library().Update(handle, window_.get(), &chip.info);
        EXPECT_EQ(Peek(handle).picture != nullptr, sound);
        PixelCanvas canvas(64, 48);
        EXPECT_EQ(Library().DrawChip(handle, window_.get(), canvas.dc(), chip.text.c_str()), 1);
        EXPECT_EQ(canvas.At(0, 0) == RGB(0x80, 0x80, 0x80), sound);
        Library().UnInitializeChip(handle);
        EXPECT_TRUE(CanOpenExclusively(path));
    }
}
}  // namespace

// A load asks each plug-in as the list would: described to the end of its
// formats, then offered the file at 0 and 128 once for each format it
// describes, as the list holds one entry a format.
TEST(PictureExports, ALoadAsksAPluginOnceForEachOfItsFormats) {
    const std::string folder = NewFolder("three-formats");
    PluginProbe probe(InstallPlugin(folder, "three"));
    ScopedSusieFolder registry(folder.c_str());
    const std::string path = folder + "\\words.xyz";
    WriteFileBytes(path, "these are words, not a picture", 30);
    TestWindow window(32, 32);
    HostChip chip("");
    chip.SetSettings(PictureSettings(path, 0));
    HLOCAL handle = nullptr;
    Library().InitializeChip(&handle, window.get(), &chip.info);
    EXPECT_EQ(probe->infoCalls, 8);   // the version, then 2 to 7, and 8, none
    EXPECT_EQ(probe->highestInfoNumber, 8);
    EXPECT_EQ(probe->supportedCalls, 6);
    const int32_t positions[] = {0, 128, 0, 128, 0, 128};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(probe->supportedPositions[i], positions[i]) << i;
    Library().UnInitializeChip(handle);
}
