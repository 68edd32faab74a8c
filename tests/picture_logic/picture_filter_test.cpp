// The file chooser's filter text: every picture first, then each reader's
// formats, in list order.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "picture/image_plugins.h"
#include "picture/picture_filter.h"
#include "picture_support.h"
#include "test_support.h"

TEST(PictureFilter, ListsAllPicturesThenEachReader) {
    const std::string empty = TempDirectory() + "no-plugins";
    CreateDirectoryA(empty.c_str(), nullptr);
    const ScopedSusieFolder noPlugins(empty.c_str());
    ImagePluginList builtIn = BuildImagePluginList();
    size_t size = 0;
    char* filter = BuildPictureFilter(builtIn, &size);
    const char expected[] = "全画像ﾌｧｲﾙ\0*.bmp;\0Bitmap\0*.bmp\0";   // and the literal's own closing zero
    ASSERT_EQ(size, sizeof(expected));
    EXPECT_EQ(std::memcmp(filter, expected, size), 0);
    std::free(filter);
    FreeImagePluginList(builtIn);

    // Two plug-in formats after the built-in reader, in list order.
    char bitmap[] = "Bitmap", bmp[] = "*.bmp", pngName[] = "PNG 画像", png[] = "*.png", tgaName[] = "Targa",
         tga[] = "*.tga;*.tpic";
    ImagePluginEntry third{nullptr, tgaName, tga, nullptr};
    ImagePluginEntry second{nullptr, pngName, png, &third};
    ImagePluginEntry first{nullptr, bitmap, bmp, &second};
    filter = BuildPictureFilter(&first, &size);
    const char expectedThree[] =
        "全画像ﾌｧｲﾙ\0*.bmp;*.png;*.tga;*.tpic;\0Bitmap\0*.bmp\0PNG 画像\0*.png\0Targa\0*.tga;*.tpic\0";
    const size_t formula = (std::strlen("全画像ﾌｧｲﾙ") + 1) + (6 + 1 + 8 + 1 + 5 + 1) + 2 * ((5 + 1) + (5 + 1) + (12 + 1)) + 2;
    EXPECT_EQ(size, formula);
    ASSERT_EQ(size, sizeof(expectedThree));
    EXPECT_EQ(std::memcmp(filter, expectedThree, size), 0);
    std::free(filter);
}

TEST(PictureFilter, NamesTheInstalledPlugins) {
    // The test plug-in with three formats, built next to this program.
    const std::string plugin = ProgramDirectory() + "plugins\\three.spi";
    if (GetFileAttributesA(plugin.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no test plug-ins built";
    const std::string folder = TempDirectory() + "three-formats";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(plugin.c_str(), (folder + "\\three.spi").c_str(), FALSE));
    const ScopedSusieFolder plugins(folder.c_str());

    ImagePluginList list = BuildImagePluginList();
    size_t size = 0;
    char* filter = BuildPictureFilter(list, &size);
    const char expected[] =
        "全画像ﾌｧｲﾙ\0*.bmp;*.brm;*.bra;*.brb;\0Bitmap\0*.bmp\0Brimsel test picture\0*.brm\0"
        "Test picture A\0*.bra\0Test picture B\0*.brb\0";
    ASSERT_EQ(size, sizeof(expected));
    EXPECT_EQ(std::memcmp(filter, expected, size), 0);
    std::free(filter);
    FreeImagePluginList(list);
}
