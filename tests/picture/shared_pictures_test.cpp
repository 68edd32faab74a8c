// Chips that name the same unchanged file share one loaded picture, each with
// a drawn copy of its own; a file changed on disk is read afresh; the last
// chip to let go drops it.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "chip_scene.h"
#include "picture_support.h"

namespace {
using namespace test_picture;

class SharedPicturesTest : public ::testing::Test {
protected:
    SharedPicturesTest()
        : folder_(NewFolder("shared")), plugin_(InstallPlugin(folder_, "basic")), registry_(folder_.c_str()),
          probe_(plugin_) {}

    std::unique_ptr<ChipScene> Chip(const std::string& path) {
        const ChipSettings settings = PictureSettings(path, 0);
        return std::make_unique<ChipScene>(40, 30, "", &settings);
    }

    // Writes a test picture and gives it a last-write time of its own, so
    // that a rewrite within the file system's time resolution still shows.
    // `prefix` bytes before it make a file of another size.
    void Write(const std::string& path, COLORREF colour, DWORD stamp, size_t prefix = 0) {
        TestPicture picture;
        picture.prefix = prefix;
        picture.width = 12;
        picture.height = 10;
        picture.topLeft = picture.topRight = picture.bottom = colour;
        WriteTestPicture(path, picture);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME written{stamp, 0x01D00000};
        SetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
    }

    std::string folder_;
    std::string plugin_;
    ScopedSusieFolder registry_;
    PluginProbe probe_;
};

bool IsLive(HBITMAP bitmap) {
    BITMAP info{};
    return GetObjectA(bitmap, sizeof(info), &info) != 0;
}
}  // namespace

TEST_F(SharedPicturesTest, OneLoadForManyChipsAndTheLastChipDeletesIt) {
    const std::string path = folder_ + "\\paper.brm";
    Write(path, RGB(10, 200, 30), 1);
    auto first = Chip(path);
    // The same file named another way.
    auto second = Chip(folder_ + "\\.\\PAPER.brm");
    EXPECT_EQ(probe_->pictureCalls, 1);
    const HBITMAP copy = first->state().picture;
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(second->state().picture, nullptr);

    // Update of a chip whose picture is held reads nothing, and keeps its copy.
    const HBITMAP secondCopy = second->state().picture;
    Library().Update(second->chip(), second->window(), &second->host().info);
    EXPECT_EQ(probe_->pictureCalls, 1);
    EXPECT_EQ(second->state().picture, secondCopy);

    // Dropped by Zoom and taken again by the paint, still without reading.
    Library().Zoom(first->chip(), 0, 0);
    EXPECT_EQ(first->state().picture, nullptr);
    EXPECT_FALSE(IsLive(copy)) << "Zoom deletes the chip's copy";
    EXPECT_EQ(first->Paint()->At(5, 5), RGB(10, 200, 30));
    EXPECT_NE(first->state().picture, nullptr);
    EXPECT_EQ(probe_->pictureCalls, 1);

    const HBITMAP last = second->state().picture;
    first.reset();
    EXPECT_EQ(second->Paint()->At(5, 5), RGB(10, 200, 30));
    second.reset();
    EXPECT_FALSE(IsLive(last)) << "released with its chip";
    // A chip on the file after all are gone reads it again.
    auto third = Chip(path);
    EXPECT_EQ(third->Paint()->At(5, 5), RGB(10, 200, 30));
    EXPECT_EQ(probe_->pictureCalls, 2);
}

TEST_F(SharedPicturesTest, FileChangedOnDiskIsReadAfreshAtTheNextLoad) {
    const std::string path = folder_ + "\\photo.brm";
    Write(path, RGB(200, 0, 0), 1);
    auto first = Chip(path);
    const HBITMAP old = first->state().picture;
    ASSERT_NE(old, nullptr);

    Write(path, RGB(0, 0, 200), 2);
    auto second = Chip(path);
    EXPECT_EQ(probe_->pictureCalls, 2);
    EXPECT_EQ(second->Paint()->At(5, 5), RGB(0, 0, 200));
    // The first chip keeps what it loaded until its own next load.
    EXPECT_EQ(first->Paint()->At(5, 5), RGB(200, 0, 0));

    Library().Update(first->chip(), first->window(), &first->host().info);
    EXPECT_EQ(probe_->pictureCalls, 2);
    EXPECT_EQ(first->Paint()->At(5, 5), RGB(0, 0, 200));
    EXPECT_FALSE(IsLive(old)) << "its copy of the old picture went";

    // Same size and time but another file: not shared.
    const std::string other = folder_ + "\\other.brm";
    Write(other, RGB(0, 120, 0), 2);
    auto third = Chip(other);
    EXPECT_EQ(probe_->pictureCalls, 3);
    EXPECT_EQ(third->Paint()->At(5, 5), RGB(0, 120, 0));

    // Another file size at the same time: read afresh.
    Write(path, RGB(0, 200, 200), 2, 128);
    auto fourth = Chip(path);
    EXPECT_EQ(probe_->pictureCalls, 4);
    EXPECT_EQ(fourth->Paint()->At(5, 5), RGB(0, 200, 200));
}

TEST_F(SharedPicturesTest, FailedLoadsAreNotRemembered) {
    const std::string path = folder_ + "\\later.brm";
    auto chip = Chip(path);
    EXPECT_EQ(chip->state().picture, nullptr);
    Write(path, RGB(1, 100, 1), 3);
    Library().Update(chip->chip(), chip->window(), &chip->host().info);
    EXPECT_EQ(chip->Paint()->At(5, 5), RGB(1, 100, 1));
}

TEST_F(SharedPicturesTest, APluginPictureIsSharedOnlyWhileThePluginFolderIsUnchanged) {
    const std::string path = NewFolder("shared-elsewhere") + "\\toy.brm";
    Write(path, RGB(0, 90, 200), 4);
    auto first = Chip(path), second = Chip(path);
    ASSERT_EQ(probe_->pictureCalls, 1);
    {
        // Another folder, without the plug-in: no picture, as at a first load.
        ScopedSusieFolder empty(NewFolder("no-plugins").c_str());
        Library().Update(second->chip(), second->window(), &second->host().info);
        EXPECT_EQ(second->state().picture, nullptr);
    }
    // The folder written since, as adding or removing a plug-in does: read afresh.
    const auto stamp = [](const std::string& path) {
        HANDLE folder = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        FILETIME written{5, 0x01D00000};
        SetFileTime(folder, nullptr, nullptr, &written);
        CloseHandle(folder);
    };
    stamp(folder_);
    Library().Update(second->chip(), second->window(), &second->host().info);
    EXPECT_EQ(probe_->pictureCalls, 2);
    // Another folder with the plug-in, written at the same time, is another folder still.
    const std::string twin = NewFolder("twin-plugins");
    InstallPlugin(twin, "basic");
    stamp(twin);
    ScopedSusieFolder twinFolder(twin.c_str());
    Library().Update(first->chip(), first->window(), &first->host().info);
    ASSERT_NE(first->state().picture, nullptr);
    EXPECT_NE(first->state().picture, second->state().picture);
}
