// Stored settings through Update and GetSaveData, as the host hands them over.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "chip_scene.h"

namespace {
HGLOBAL BlockOf(size_t size, uint8_t fill) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memset(GlobalLock(block), fill, size);
    GlobalUnlock(block);
    return block;
}

std::vector<uint8_t> BytesOf(HGLOBAL block) {
    std::vector<uint8_t> bytes(GlobalSize(block));
    std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
    GlobalUnlock(block);
    return bytes;
}

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t at) {
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

LOGFONTA FontAt(const std::vector<uint8_t>& bytes, size_t at) {
    LOGFONTA f;
    std::memcpy(&f, bytes.data() + at, sizeof(f));
    return f;
}

class SavedSettingsTest : public ::testing::Test {
protected:
    std::string picture = GradientPicture(64, 48, 4);
    const DrawExLibrary& lib = Library();
};
}  // namespace

TEST_F(SavedSettingsTest, CornerCommandPlacementIsReducedAndWrittenBack) {
    const ChipSettings settings = PictureSettings(picture, 10002);
    ChipScene scene(100, 100, "", &settings);
    EXPECT_EQ(scene.state().placement, 2);
    EXPECT_EQ(scene.state().fitMenu, 0);
    EXPECT_EQ(scene.host().Settings().placement, 2u) << "the host's record is corrected";
    EXPECT_EQ(scene.state().drawWidth, 64);
}

TEST_F(SavedSettingsTest, FitPlacementDependsOnTheForm) {
    const ChipSettings settings = PictureSettings(picture, 5);
    ChipScene current(120, 90, "", &settings, 408);
    EXPECT_EQ(current.state().fitMenu, 1);
    EXPECT_EQ(current.state().drawWidth, 120);
    EXPECT_EQ(current.state().drawHeight, 90);
    ChipScene older(120, 90, "", &settings, 272);
    EXPECT_EQ(older.state().fitMenu, 1);
    EXPECT_EQ(older.state().drawWidth, 64);
    EXPECT_EQ(older.state().drawHeight, 48);
    EXPECT_EQ(older.state().pictureWidth, 64);
}

TEST_F(SavedSettingsTest, SizingModeZeroMeansByPicture) {
    const ChipSettings settings = PictureSettings(picture, 0, 0);
    ChipScene scene(100, 100, "", &settings);
    EXPECT_EQ(scene.state().sizingMode, 10008);
}

TEST_F(SavedSettingsTest, FieldLooksFallBackWithoutAFaceName) {
    ChipSettings settings = PictureSettings(picture, 0);
    settings.dateColour = RGB(9, 9, 9);
    settings.dateFont = MakeFont(-30, "");
    settings.timeColour = RGB(7, 7, 7);
    settings.timeFont = MakeFont(-40, "Arial");
    settings.dateFormat = 3;
    settings.timeFormat = 7;
    ChipScene scene(100, 100, "<date><time>", &settings);
    const ChipState s = scene.state();
    EXPECT_EQ(s.dateColour, kInk);
    EXPECT_EQ(std::memcmp(&s.dateFont, &scene.host().info.textFont, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(s.timeColour, RGB(7, 7, 7));
    EXPECT_EQ(s.timeFont.lfHeight, -40);
    EXPECT_EQ(s.dateFormat, 3);
    EXPECT_EQ(s.timeFormat, 7);
}

TEST_F(SavedSettingsTest, OlderFormReadsOnlyItsFourFields) {
    ChipSettings settings = PictureSettings(picture, 1, 10008, 2);
    settings.dateFont = MakeFont(-30, "Arial");
    settings.dateColour = RGB(9, 9, 9);
    settings.dateFormat = 5;
    settings.timeFormat = 5;
    HostChip host("<date>", 0);
    host.SetSettings(settings, 272);
    // Bytes after the older form's end are not part of it.
    std::memcpy(host.saved.data() + 4 + 272, &settings.dateColour, 8);
    TestWindow window(100, 100);
    ScopedChip chip(window.get(), &host.info);
    const ChipState s = chip.state();
    EXPECT_EQ(s.placement, 1);
    EXPECT_EQ(s.textAlign, 2);
    EXPECT_EQ(s.sizingMode, 10008);
    EXPECT_EQ(s.dateFormat, 0);
    EXPECT_EQ(s.timeFormat, 0);
    EXPECT_EQ(s.dateColour, host.info.textColour);
    EXPECT_EQ(std::memcmp(&s.timeFont, &host.info.textFont, sizeof(LOGFONTA)), 0);
}

TEST_F(SavedSettingsTest, EmptyPathMeansNoPictureAndSizingByText) {
    const ChipSettings settings = PictureSettings("", 3, 10008);
    HostChip host("no date", 0);
    host.SetSettings(settings);
    TestWindow window(100, 100);
    ScopedChip chip(window.get(), &host.info);
    ChipState s = chip.state();
    EXPECT_EQ(s.picture, nullptr);
    EXPECT_EQ(s.pictureMissing, 1);
    EXPECT_EQ(s.placement, 0);
    EXPECT_EQ(s.drawWidth, 160);
    EXPECT_EQ(s.drawHeight, 90);
    EXPECT_EQ(s.sizingMode, 10009);
    host.SetSettings(settings);
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 1) << "sizing mode switched";
    host.SetSettings(PictureSettings("", 3, 10009));
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 0);
    host.SetText("<date>");
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 1);
}

TEST_F(SavedSettingsTest, MissingFileKeepsTheSizingMode) {
    const ChipSettings settings = PictureSettings(TempDirectory() + "absent.bmp", 6, 10008);
    HostChip host("x", 0);
    host.SetSettings(settings);
    TestWindow window(100, 100);
    ScopedChip chip(window.get(), &host.info);
    EXPECT_EQ(chip.state().sizingMode, 10008);
    EXPECT_EQ(chip.state().pictureMissing, 1);
    EXPECT_EQ(chip.state().placement, 0);
    EXPECT_EQ(chip.state().fitMenu, 1);
    host.SetSettings(settings);
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 0);
}

TEST_F(SavedSettingsTest, PictureIsLoadedAfreshOnEveryUpdate) {
    const std::string path = TempDirectory() + "changing.bmp";
    WriteSolidBmp(path, 20, 20, RGB(200, 0, 0));
    HostChip host("", 0);
    host.SetSettings(PictureSettings(path, 0));
    TestWindow window(100, 100);
    ScopedChip chip(window.get(), &host.info);
    EXPECT_EQ(chip.state().pictureWidth, 20);
    WriteSolidBmp(path, 30, 10, RGB(0, 200, 0));
    lib.Update(chip.get(), window.get(), &host.info);
    EXPECT_EQ(chip.state().pictureWidth, 30);
    EXPECT_EQ(chip.state().drawHeight, 10);
}

TEST_F(SavedSettingsTest, UnterminatedPathStaysInsideTheChip) {
    ChipSettings settings{};
    std::memset(settings.picturePath, 'a', sizeof(settings.picturePath));
    settings.dateColour = RGB(1, 1, 1);  // the bytes right after the path
    HostChip host("", 0);
    host.SetSettings(settings);
    TestWindow window(100, 100);
    ScopedChip chip(window.get(), &host.info);
    const ChipState s = chip.state();
    EXPECT_EQ(std::strlen(s.picturePath), 259u);
    EXPECT_EQ(s.pictureMissing, 1);
}

TEST_F(SavedSettingsTest, SaveDataLayoutOnLargerAndSmallerBlocks) {
    ChipSettings settings = PictureSettings(picture, 4, 10008, 1);
    settings.dateColour = RGB(1, 2, 3);
    settings.dateFont = MakeFont(-21, "Arial");
    settings.dateFormat = 6;
    settings.timeColour = RGB(4, 5, 6);
    settings.timeFont = MakeFont(-22, "Courier New");
    settings.timeFormat = 7;
    ChipScene scene(100, 100, "", &settings);

    HGLOBAL large = BlockOf(1000, 0xCC);
    EXPECT_EQ(lib.GetSaveData(scene.chip(), 0, &large), 1);
    const std::vector<uint8_t> bytes = BytesOf(large);
    GlobalFree(large);
    ASSERT_EQ(bytes.size(), 416u);
    EXPECT_EQ(Int32At(bytes, 0), 408);
    EXPECT_EQ(Int32At(bytes, 4), 4);
    EXPECT_EQ(Int32At(bytes, 8), 1);
    EXPECT_EQ(Int32At(bytes, 12), 10008);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 16)), picture);
    EXPECT_EQ(bytes[16 + picture.size() + 1], 0xCC) << "bytes after the path's terminator are not written";
    EXPECT_EQ(static_cast<COLORREF>(Int32At(bytes, 276)), RGB(1, 2, 3));
    EXPECT_EQ(FontAt(bytes, 280).lfHeight, -21);
    EXPECT_EQ(Int32At(bytes, 340), 6);
    EXPECT_EQ(static_cast<COLORREF>(Int32At(bytes, 344)), RGB(4, 5, 6));
    EXPECT_STREQ(FontAt(bytes, 348).lfFaceName, "Courier New");
    EXPECT_EQ(Int32At(bytes, 408), 7);
    for (size_t i = 412; i < 416; ++i) EXPECT_EQ(bytes[i], 0xCC) << i;

    HGLOBAL small = BlockOf(8, 0xCC);
    lib.GetSaveData(scene.chip(), 0, &small);
    const std::vector<uint8_t> grown = BytesOf(small);
    GlobalFree(small);
    ASSERT_EQ(grown.size(), 416u);
    EXPECT_EQ(grown[16 + picture.size() + 1], 0x00);
    for (size_t i = 412; i < 416; ++i) EXPECT_EQ(grown[i], 0x00) << i;
}

TEST_F(SavedSettingsTest, SaveDataRoundTripsThroughUpdate) {
    ChipSettings settings = PictureSettings(picture, 6, 10008, 2);
    settings.dateFont = MakeFont(-25, "Arial");
    settings.dateColour = RGB(10, 20, 30);
    settings.timeFont = MakeFont(-26, "Arial");
    settings.timeColour = RGB(40, 50, 60);
    settings.dateFormat = 2;
    settings.timeFormat = 4;
    ChipScene first(150, 100, "<date> <time>", &settings);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    lib.GetSaveData(first.chip(), 0, &block);
    const std::vector<uint8_t> saved = BytesOf(block);
    GlobalFree(block);

    HostChip host("<date> <time>", 0);
    host.saved = saved;
    host.info.savedData = host.saved.data();
    TestWindow window(150, 100);
    ScopedChip second(window.get(), &host.info);
    const ChipState a = first.state();
    const ChipState b = second.state();
    EXPECT_EQ(b.placement, a.placement);
    EXPECT_EQ(b.textAlign, a.textAlign);
    EXPECT_EQ(b.sizingMode, a.sizingMode);
    EXPECT_STREQ(b.picturePath, a.picturePath);
    EXPECT_EQ(b.dateFormat, 2);
    EXPECT_EQ(b.timeFormat, 4);
    EXPECT_EQ(b.dateColour, RGB(10, 20, 30));
    EXPECT_EQ(b.timeColour, RGB(40, 50, 60));
    EXPECT_EQ(std::memcmp(&b.dateFont, &a.dateFont, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(std::memcmp(&b.timeFont, &a.timeFont, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(b.drawWidth, a.drawWidth);
    EXPECT_EQ(b.drawHeight, a.drawHeight);
}

TEST_F(SavedSettingsTest, SaveDataWithoutABlockPointerWritesNothing) {
    ChipScene scene(100, 100, "");
    EXPECT_EQ(lib.GetSaveData(scene.chip(), 0, nullptr), 1);
}

TEST_F(SavedSettingsTest, StoredPlacementIsReplayedThroughTheMenuHandler) {
    // Values past the layout's placements land on the menu's other commands,
    // with their effects, exactly as the menu would carry them out.
    struct Row {
        uint32_t placement;
        int32_t textAlign, sizingMode;
        int32_t wantAlign, wantSizing;
    };
    const Row rows[] = {
        {9, 2, 10009, 0, 10009},    // the fit layout's left alignment
        {11, 0, 10009, 2, 10009},   // right alignment
        {12, 1, 10009, 1, 10008},   // sizing by the picture
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.placement);
        const ChipSettings settings = PictureSettings(picture, row.placement, row.sizingMode, row.textAlign);
        ChipScene scene(100, 100, "", &settings);
        EXPECT_EQ(scene.state().textAlign, row.wantAlign);
        EXPECT_EQ(scene.state().sizingMode, row.wantSizing);
    }
}
