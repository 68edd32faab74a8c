// Creating and updating chips: the field tokens, the defaults without saved
// settings, and Update's result.
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <vector>
#include "chip_peek.h"
#include "chip_pictures.h"
#include "heap_usage.h"
#include "test_support.h"

TEST(ChipLifecycle, NewChipWithoutSettingsTakesTheDefaults) {
    TestWindow window(120, 80);
    HostChip host("plain text", 0);
    host.info.textColour = RGB(10, 20, 30);
    host.info.textFont = MakeFont(-17, "Arial");
    ScopedChip chip(window.get(), &host.info);
    ASSERT_NE(chip.get(), nullptr);
    EXPECT_EQ(LocalSize(chip.get()), sizeof(ChipState));
    const ChipState s = chip.state();
    EXPECT_EQ(s.picture, nullptr);
    EXPECT_EQ(s.drawWidth, 160);
    EXPECT_EQ(s.drawHeight, 90);
    EXPECT_EQ(s.pictureWidth, 160);
    EXPECT_EQ(s.pictureHeight, 90);
    EXPECT_EQ(s.sizingMode, 10009);
    EXPECT_EQ(s.placement, 0);
    EXPECT_EQ(s.textAlign, 0);
    EXPECT_EQ(s.dateFormat, 0);
    EXPECT_EQ(s.timeFormat, 0);
    EXPECT_EQ(s.dateColour, RGB(10, 20, 30));
    EXPECT_EQ(s.timeColour, RGB(10, 20, 30));
    EXPECT_EQ(std::memcmp(&s.dateFont, &host.info.textFont, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(std::memcmp(&s.timeFont, &host.info.textFont, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(s.picturePath[0], '\0');
    EXPECT_EQ(s.pictureMissing, 0);
    EXPECT_EQ(s.fitMenu, 0);
    EXPECT_EQ(s.timerSpan, -1);
    EXPECT_EQ(s.lastTimeValue, -1);
}

TEST(ChipLifecycle, AnyOtherSizeTagMeansNoSettings) {
    TestWindow window(120, 80);
    for (uint32_t tag : {0u, 1u, 271u, 273u, 407u, 409u, 416u, 0xFFFFFFFFu}) {
        HostChip host("x", tag);
        ScopedChip chip(window.get(), &host.info);
        const ChipState s = chip.state();
        EXPECT_EQ(s.drawWidth, 160) << tag;
        EXPECT_EQ(s.sizingMode, 10009) << tag;
    }
    HostChip host("x", 0);
    host.info.savedData = nullptr;
    ScopedChip chip(window.get(), &host.info);
    EXPECT_EQ(chip.state().drawHeight, 90);
}

TEST(ChipLifecycle, UpdateResultFollowsTheDateToken) {
    const DrawExLibrary& lib = Library();
    TestWindow window(120, 80);
    HostChip host("", 0);
    ScopedChip chip(window.get(), &host.info);
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 0);
    host.SetText("<DATE> today");
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 1);
    EXPECT_EQ(chip.state().dateOffset, 0);
    host.SetText("<time> only");
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 0);
    host.SetText("<dat");
    EXPECT_EQ(lib.Update(chip.get(), window.get(), &host.info), 0);
}

TEST(ChipLifecycle, UpdateRefreshesLookAndKeepsPicturePath) {
    const DrawExLibrary& lib = Library();
    TestWindow window(120, 80);
    const std::string picture = SolidPicture(6, 4, RGB(40, 50, 60));
    HostChip first("a");
    first.SetSettings(PictureSettings(picture, 0));
    ScopedChip chip(window.get(), &first.info);
    ASSERT_STREQ(chip.state().picturePath, picture.c_str());
    // An Update without settings refreshes the look and keeps the chip's own.
    HostChip host("a", 0);
    host.info.textColour = RGB(1, 2, 3);
    host.info.backColour = RGB(4, 5, 6);
    host.info.textFont = MakeFont(-30, "Courier New");
    lib.Update(chip.get(), window.get(), &host.info);
    const ChipState s = chip.state();
    EXPECT_EQ(s.textColour, RGB(1, 2, 3));
    EXPECT_EQ(s.backColour, RGB(4, 5, 6));
    EXPECT_EQ(s.textFont.lfHeight, -30);
    EXPECT_STREQ(s.textFont.lfFaceName, "Courier New");
    EXPECT_EQ(s.dateColour, RGB(1, 2, 3));
    EXPECT_STREQ(s.picturePath, picture.c_str());
}

TEST(ChipLifecycle, TimeTokenAsksForTicksAndResetsTheClock) {
    const DrawExLibrary& lib = Library();
    TestWindow window(120, 80);
    HostChip host("ab<time>c<date>", 0);
    ScopedChip chip(window.get(), &host.info);
    ChipState s = chip.state();
    EXPECT_EQ(s.timeOffset, 2);
    EXPECT_EQ(s.dateOffset, 9);
    EXPECT_EQ(s.hasTimeField, 1);
    EXPECT_EQ(s.timerSpan, 1);
    EXPECT_EQ(lib.GetTimerSpan(chip.get()), 1);
    EXPECT_EQ(lib.DoTimer(chip.get()), 1);
    EXPECT_NE(chip.state().lastTimeValue, -1);
    lib.Update(chip.get(), window.get(), &host.info);
    EXPECT_EQ(chip.state().lastTimeValue, -1);
    EXPECT_EQ(lib.DoTimer(chip.get()), 1);  // the first tick after Update always reports a change

    host.SetText("<date> only");
    lib.Update(chip.get(), window.get(), &host.info);
    EXPECT_EQ(lib.GetTimerSpan(chip.get()), -1);
    EXPECT_EQ(lib.DoTimer(chip.get()), 0);
    EXPECT_EQ(chip.state().lastTimeValue, -1);
}

TEST(ChipLifecycle, ManyChipsComeAndGoWithoutLeaks) {
    // Each chip holds a picture: a picture or a chip block left behind shows in
    // the GDI slots or on the heap. A picture stretched smaller is also kept
    // scaled once painted; thirty such chips live at once, so that what a chip
    // leaves under its handle is not simply taken over by the next chip.
    TestWindow window(60, 40);
    PixelCanvas canvas(60, 40);
    const ChipSettings corner = PictureSettings(SolidPicture(8, 8, RGB(9, 9, 9)), 0);
    const ChipSettings stretched = PictureSettings(SolidPicture(80, 50, RGB(9, 9, 9)), 5);
    const auto batch = [&](int count, const ChipSettings& settings) {
        std::vector<std::unique_ptr<HostChip>> hosts;
        std::vector<std::unique_ptr<ScopedChip>> chips;
        for (int i = 0; i < count; ++i) {
            hosts.push_back(std::make_unique<HostChip>("x<time>"));
            hosts.back()->SetSettings(settings);
            chips.push_back(std::make_unique<ScopedChip>(window.get(), &hosts.back()->info));
            EXPECT_NE(chips.back()->state().picture, nullptr);
            Library().DrawChip(chips.back()->get(), window.get(), canvas.dc(), "x<time>");
        }
    };
    for (int i = 0; i < 10; ++i) batch(1, corner);   // first-use allocations of the platform
    const uint64_t heapBefore = HeapBytesInUse();
    for (int i = 0; i < 300; ++i) batch(1, corner);
    // 300 chip blocks would be 158 KB.
    EXPECT_LT(HeapBytesInUse(), heapBefore + 64 * 1024);
    for (int i = 0; i < 10; ++i) batch(1, stretched);
    const int before = CountFreeGdiSlots();
    for (int i = 0; i < 10; ++i) batch(30, stretched);
    EXPECT_GE(CountFreeGdiSlots(), before - 5);
}
