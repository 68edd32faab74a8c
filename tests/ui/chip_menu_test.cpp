// The chip menu as the host shows it, and what its commands do.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "chip_scene.h"

namespace {
struct Item {
    UINT id;          // 0 for a separator
    std::string text;
};

std::vector<Item> Items(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        items.push_back({state & MF_SEPARATOR ? 0u : GetMenuItemID(menu, i), text});
    }
    return items;
}

std::vector<UINT> Checked(HMENU menu) {
    std::vector<UINT> ids;
    for (UINT id = 10000; id <= 10009; ++id) {
        const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
        if (state != static_cast<UINT>(-1) && (state & MF_CHECKED)) ids.push_back(id);
    }
    return ids;
}

bool Greyed(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

const std::vector<Item> kCommonTail = {
    {10004, "\x83\x81\x83\x6a\x83\x85\x81\x5b\x90\xd8\x82\xe8\x91\xd6\x82\xa6"},  // メニュー切り替え
    {0, ""},
    {10005, "\x8d\xb6\x8a\xf1\x82\xb9"},  // 左寄せ
    {10006, "\x92\x86\x89\x9b"},          // 中央
    {10007, "\x89\x45\x8a\xf1\x82\xb9"},  // 右寄せ
    {0, ""},
    {10008, "\x89\xe6\x91\x9c\x82\xc5\x8d\xc4\x8c\x76\x8e\x5a"},  // 画像で再計算
    {10009, "\x95\xb6\x8e\x9a\x82\xc5\x8d\xc4\x8c\x76\x8e\x5a"},  // 文字で再計算
};

void ExpectItems(HMENU menu, std::vector<Item> head) {
    head.insert(head.end(), kCommonTail.begin(), kCommonTail.end());
    const std::vector<Item> items = Items(menu);
    ASSERT_EQ(items.size(), head.size());
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].id, head[i].id) << i;
        EXPECT_EQ(items[i].text, head[i].text) << i;
    }
}

class MenuTest : public ::testing::Test {
protected:
    std::string picture = GradientPicture(64, 48, 9);
};
}  // namespace

TEST_F(MenuTest, CornerLayoutWithPicture) {
    const ChipSettings settings = PictureSettings(picture, 10002, 10008, 1);
    ChipScene scene(100, 100, "", &settings);
    HMENU menu = Library().GetDrawExMenu(scene.chip());
    ASSERT_NE(menu, nullptr);
    ExpectItems(menu, {{10000, "\x8d\xb6\x8f\xe3"}, {10001, "\x89\x45\x8f\xe3"},
                       {10002, "\x8d\xb6\x89\xba"}, {10003, "\x89\x45\x89\xba"}});
    EXPECT_EQ(Checked(menu), (std::vector<UINT>{10002, 10006, 10008}));
    for (UINT id = 10000; id <= 10009; ++id) EXPECT_FALSE(Greyed(menu, id)) << id;
    DestroyMenu(menu);
}

TEST_F(MenuTest, FitLayoutWithPicture) {
    const ChipSettings settings = PictureSettings(picture, 6, 10009, 2);
    ChipScene scene(100, 100, "", &settings);
    HMENU menu = Library().GetDrawExMenu(scene.chip());
    ExpectItems(menu, {{10000, "\x83\x5e\x83\x43\x83\x8b\x82\xbe\x82\xe6\x83\x93"},  // タイルだよン
                       {10001, "\x8f\xac\x95\xd0\x82\xc9\xcc\xa8\xaf\xc4"},          // 小片にﾌｨｯﾄ
                       {10002, "\x8f\xac\x95\xd0\x82\xc9\xcc\xa8\xaf\xc4(\xb1\xbd\xcd\xdf\xb8\xc4\x94\xe4\x95\xdb\x8e\x9d)"}});
    EXPECT_EQ(Checked(menu), (std::vector<UINT>{10002, 10007, 10009}));
    DestroyMenu(menu);
}

TEST_F(MenuTest, WithoutPictureGreysPictureItemsAndChecksNothing) {
    ChipScene scene(100, 100, "");
    HMENU menu = Library().GetDrawExMenu(scene.chip());
    EXPECT_EQ(GetMenuItemCount(menu), 12);
    for (UINT id : {10000u, 10001u, 10002u, 10003u, 10004u, 10008u}) EXPECT_TRUE(Greyed(menu, id)) << id;
    for (UINT id : {10005u, 10006u, 10007u, 10009u}) EXPECT_FALSE(Greyed(menu, id)) << id;
    EXPECT_TRUE(Checked(menu).empty());
    DestroyMenu(menu);
}

TEST_F(MenuTest, PlacementOutsideTheShownLayoutIsNotChecked) {
    const ChipSettings settings = PictureSettings(picture, 5);
    ChipScene scene(100, 100, "", &settings);
    Library().DoDrawExMenu(scene.chip(), scene.window(), 10004);  // to the corner layout
    ASSERT_EQ(scene.state().fitMenu, 0);
    HMENU corners = Library().GetDrawExMenu(scene.chip());
    EXPECT_EQ(Checked(corners), (std::vector<UINT>{10005, 10009}));
    DestroyMenu(corners);
    EXPECT_EQ(Library().DoDrawExMenu(scene.chip(), scene.window(), 10004), 0);
    EXPECT_EQ(scene.state().placement, 5);
    HMENU fits = Library().GetDrawExMenu(scene.chip());
    EXPECT_EQ(Checked(fits), (std::vector<UINT>{10001, 10005, 10009}));
    DestroyMenu(fits);
}

TEST_F(MenuTest, PlacementCommandsSetPlacementAndDrawnSize) {
    const std::string big = GradientPicture(640, 480, 1);
    const ChipSettings settings = PictureSettings(big, 0);
    ChipScene scene(320, 320, "", &settings);
    const DrawExLibrary& lib = Library();
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10003), 1);
    EXPECT_EQ(scene.state().placement, 3);
    EXPECT_EQ(scene.state().drawWidth, 640);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10004), 0);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10002), 1);
    EXPECT_EQ(scene.state().placement, 6);
    EXPECT_EQ(scene.state().drawWidth, 320);
    EXPECT_EQ(scene.state().drawHeight, 240);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10001), 1);
    EXPECT_EQ(scene.state().drawWidth, 320);
    EXPECT_EQ(scene.state().drawHeight, 320);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10000), 1);
    EXPECT_EQ(scene.state().placement, 4);
    EXPECT_EQ(scene.state().drawWidth, 640);
    EXPECT_EQ(scene.state().drawHeight, 480);
}

TEST_F(MenuTest, ChoosingTheSamePlacementRecomputesTheSize) {
    const ChipSettings settings = PictureSettings(picture, 5);
    ChipScene scene(100, 100, "", &settings);
    auto* state = static_cast<ChipState*>(LocalLock(scene.chip()));
    state->drawWidth = 1;
    state->drawHeight = 1;
    LocalUnlock(scene.chip());
    EXPECT_EQ(Library().DoDrawExMenu(scene.chip(), scene.window(), 10001), 0);
    EXPECT_EQ(scene.state().drawWidth, 100);
    EXPECT_EQ(scene.state().drawHeight, 100);
}

TEST_F(MenuTest, AlignmentAndSizingResults) {
    ChipScene scene(100, 100, "");
    const DrawExLibrary& lib = Library();
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10005), 0);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10007), 1);
    EXPECT_EQ(scene.state().textAlign, 2);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10006), 1);
    EXPECT_EQ(scene.state().textAlign, 1);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10009), 0);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10008), 2);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10008), 0);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10009), 2);
    EXPECT_EQ(scene.state().sizingMode, 10009);
    // Anything else switches the layout and reports nothing.
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 54321), 0);
    EXPECT_EQ(scene.state().fitMenu, 1);
    EXPECT_EQ(lib.DoDrawExMenu(scene.chip(), scene.window(), 10004), 0);
    EXPECT_EQ(scene.state().fitMenu, 0);
}
