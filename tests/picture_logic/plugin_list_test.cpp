// Finding and loading the image plug-ins: the registry folder, the PATH walk,
// version texts, formats, information texts, and each module released once.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "picture/image_plugins.h"
#include "picture_support.h"

namespace {
struct EntryView {
    HMODULE module;
    std::string description;
    std::string pattern;
};

std::vector<EntryView> Entries(ImagePluginList list) {
    std::vector<EntryView> entries;
    for (ImagePluginEntry* e = list; e; e = e->next) entries.push_back({e->module, e->description, e->pattern});
    return entries;
}

// Builds a list, checks it with `check`, frees it.
template <typename Check>
void WithList(Check check) {
    ImagePluginList list = BuildImagePluginList();
    ASSERT_NE(list, nullptr);
    check(Entries(list));
    FreeImagePluginList(list);
}

void ExpectBuiltInOnly(const std::vector<EntryView>& entries) {
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].module, nullptr);
    EXPECT_EQ(entries[0].description, "Bitmap");
    EXPECT_EQ(entries[0].pattern, "*.bmp");
}

// No Susie folder in the registry and a PATH without plug-ins, unless a test
// says otherwise.
class PluginListTest : public ::testing::Test {
protected:
    ScopedSusieFolder noRegistryFolder_{nullptr};
    ScopedPathVariable plainPath_{"C:\\windows\\system32;C:\\windows"};
};

TEST_F(PluginListTest, NothingInstalledLeavesTheBuiltInEntry) {
    WithList(ExpectBuiltInOnly);
}

TEST_F(PluginListTest, RegistryFolderIsSearchedAndTheListHoldsItsFormats) {
    const std::string folder = NewFolder("registry");
    const std::string plugin = InstallPlugin(folder, "basic");
    ScopedSusieFolder registry(folder.c_str());
    WithList([&](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].description, "Bitmap");
        EXPECT_EQ(entries[1].module, GetModuleHandleA(plugin.c_str()));
        EXPECT_EQ(entries[1].description, "Brimsel test picture");
        EXPECT_EQ(entries[1].pattern, "*.brm");
    });
    EXPECT_FALSE(IsModuleLoaded(plugin));
}

TEST_F(PluginListTest, RegistryFolderIsUsedAsWrittenWithItsTrailingBackslash) {
    const std::string folder = NewFolder("registry-slash");
    InstallPlugin(folder, "basic");
    ScopedSusieFolder registry((folder + "\\").c_str());
    WithList([](const std::vector<EntryView>& entries) { EXPECT_EQ(entries.size(), 2u); });
}

TEST_F(PluginListTest, RegistryFolderWithoutPluginsEndsTheSearch) {
    const std::string empty = NewFolder("registry-empty");
    const std::string onPath = NewFolder("path");
    PluginProbe probe(InstallPlugin(onPath, "basic"));
    ScopedSusieFolder registry(empty.c_str());
    ScopedPathVariable path(onPath);
    WithList(ExpectBuiltInOnly);
    EXPECT_EQ(probe->infoCalls, 0) << "PATH was searched";
}

TEST_F(PluginListTest, RegistryValueTooLongForTheBufferCountsAsUnset) {
    const std::string onPath = NewFolder("path");
    InstallPlugin(onPath, "basic");
    const std::string tooLong = "C:\\" + std::string(300, 'x');
    ScopedSusieFolder registry(tooLong.c_str());
    ScopedPathVariable path(onPath);
    WithList([](const std::vector<EntryView>& entries) { EXPECT_EQ(entries.size(), 2u); });
}

TEST_F(PluginListTest, PathWalkStopsAtTheFirstDirectoryHoldingAPlugin) {
    const std::string first = NewFolder("path-none");
    const std::string second = NewFolder("path-three");
    const std::string third = NewFolder("path-later");
    const std::string three = InstallPlugin(second, "three");
    PluginProbe later(InstallPlugin(third, "basic"));
    // The second written with a trailing backslash; an empty piece on the way.
    ScopedPathVariable path(first + ";;" + second + "\\;" + third);
    WithList([&](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 4u);
        for (size_t i = 1; i < 4; ++i) EXPECT_EQ(entries[i].module, GetModuleHandleA(three.c_str()));
    });
    EXPECT_EQ(later->infoCalls, 0) << "the third directory was searched";
}

TEST_F(PluginListTest, PathDirectoryWhosePluginIsNoImagePluginStillEndsTheWalk) {
    const std::string first = NewFolder("path-archive");
    const std::string second = NewFolder("path-basic");
    const std::string archive = InstallPlugin(first, "archive_version");
    PluginProbe basic(InstallPlugin(second, "basic"));
    ScopedPathVariable path(first + ";" + second);
    WithList(ExpectBuiltInOnly);
    EXPECT_EQ(basic->infoCalls, 0);
    EXPECT_FALSE(IsModuleLoaded(archive));
}

TEST_F(PluginListTest, PathDirectoryTooLongForTheBufferIsPassedOver) {
    const std::string folder = NewFolder("path-after-long");
    InstallPlugin(folder, "basic");
    ScopedPathVariable path("C:\\" + std::string(300, 'y') + ";" + folder);
    WithList([](const std::vector<EntryView>& entries) { EXPECT_EQ(entries.size(), 2u); });
}

// A PATH of one character names a folder too: "." the current one.
TEST_F(PluginListTest, PathOfOneCharacterIsAFolder) {
    const std::string folder = NewFolder("path-dot");
    InstallPlugin(folder, "basic");
    const ScopedState here = ScopedState::CurrentFolder(folder);
    ScopedPathVariable path(".");
    WithList([](const std::vector<EntryView>& entries) { EXPECT_EQ(entries.size(), 2u); });
}

// "表" is 0x95 0x5C in code page 932: its second byte is that of "\", but the
// directory's last character is not a backslash and must stay.
TEST_F(PluginListTest, PathDirectoryEndingInADoubleByteCharacterKeepsIt) {
    const std::string folder = NewFolder("path") + "\\表";
    ASSERT_EQ(static_cast<unsigned char>(folder.back()), 0x5C);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    InstallPlugin(folder, "basic");
    ScopedPathVariable path(folder);
    WithList([](const std::vector<EntryView>& entries) { EXPECT_EQ(entries.size(), 2u); });
}

TEST_F(PluginListTest, FileWhosePathExceedsTheBufferIsSkippedAndTheRestLoad) {
    // A folder of 229 bytes: the short plug-in name fits, the long one not.
    std::string folder = NewFolder("long");
    folder += "\\" + std::string(228 - folder.size(), 'f');
    ASSERT_EQ(folder.size(), 229u);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    InstallPlugin(folder, "basic", "a.spi");
    // Only the wide functions reach a path this long.
    const std::string source = TestPluginPath("three");
    const std::wstring longName =
        L"\\\\?\\" + std::wstring(folder.begin(), folder.end()) + L"\\" + std::wstring(40, L'n') + L".spi";
    ASSERT_TRUE(CopyFileW(std::wstring(source.begin(), source.end()).c_str(), longName.c_str(), FALSE));
    ScopedSusieFolder registry(folder.c_str());
    WithList([](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].pattern, "*.brm");
    });
}

TEST_F(PluginListTest, ThreeFormatsGiveThreeConsecutiveEntriesOnOneModuleReleasedOnce) {
    const std::string folder = NewFolder("three");
    const std::string plugin = InstallPlugin(folder, "three");
    PluginProbe probe(plugin);
    ScopedSusieFolder registry(folder.c_str());
    WithList([&](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 4u);
        const char* const patterns[] = {"*.brm", "*.bra", "*.brb"};
        const char* const descriptions[] = {"Brimsel test picture", "Test picture A", "Test picture B"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(entries[i + 1].module, probe.module());
            EXPECT_EQ(entries[i + 1].pattern, patterns[i]);
            EXPECT_EQ(entries[i + 1].description, descriptions[i]);
        }
    });
    // Exactly the information numbers the list needs: 0, then 2 to 7.
    EXPECT_EQ(probe->highestInfoNumber, 8);
    EXPECT_EQ(probe->infoCalls, 8);
    // The list released its reference once: ours is still there, and ours is the last.
    EXPECT_TRUE(IsModuleLoaded(plugin));
    probe.Release();
    EXPECT_FALSE(IsModuleLoaded(plugin));
}

struct VersionCase {
    const char* plugin;
    bool accepted;
};

class PluginVersionTest : public PluginListTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(PluginVersionTest, OnlyImportPluginsAreKept) {
    const std::string folder = NewFolder("version");
    const std::string plugin = InstallPlugin(folder, GetParam().plugin);
    ScopedSusieFolder registry(folder.c_str());
    ImagePluginList list = BuildImagePluginList();
    EXPECT_EQ(Entries(list).size(), GetParam().accepted ? 2u : 1u);
    EXPECT_EQ(IsModuleLoaded(plugin), GetParam().accepted) << "a rejected plug-in must be unloaded at once";
    FreeImagePluginList(list);
    EXPECT_FALSE(IsModuleLoaded(plugin));
}

INSTANTIATE_TEST_SUITE_P(Versions, PluginVersionTest,
                         ::testing::Values(VersionCase{"basic", true},                // "00IN"
                                           VersionCase{"lower_case_version", true},   // "00in"
                                           VersionCase{"archive_version", false},     // "00AM"
                                           VersionCase{"long_version", false},        // "00INX"
                                           VersionCase{"no_version", false},          // length 0
                                           VersionCase{"without_info", false}),       // no GetPluginInfo
                         [](const auto& info) { return std::string(info.param.plugin); });

TEST_F(PluginListTest, InformationTextsAreCutAtTheirTerminatorAndClampedToTheBuffer) {
    const std::string folder = NewFolder("long-info");
    InstallPlugin(folder, "long_info");
    ScopedSusieFolder registry(folder.c_str());
    WithList([](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[1].pattern, "*.brm");   // reported 40 bytes, terminated after 5
        EXPECT_EQ(entries[1].description, std::string(1023, 'D'));   // claimed 5120, had no terminator
        EXPECT_EQ(entries[2].description, "A");
    });
}

TEST_F(PluginListTest, TextReportedAsNoneIsEmptyWhateverWasWritten) {
    const std::string folder = NewFolder("silent-description");
    InstallPlugin(folder, "silent_description");
    ScopedSusieFolder registry(folder.c_str());
    WithList([](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].pattern, "*.brm");
        EXPECT_EQ(entries[1].description, "");
    });
}

TEST_F(PluginListTest, PluginWithoutEndOfFormatsIsCutOff) {
    const std::string folder = NewFolder("endless");
    const std::string plugin = InstallPlugin(folder, "endless");
    ScopedSusieFolder registry(folder.c_str());
    WithList([](const std::vector<EntryView>& entries) {
        ASSERT_EQ(entries.size(), 257u);
        EXPECT_EQ(entries[256].pattern, "*.end");
    });
    EXPECT_FALSE(IsModuleLoaded(plugin));
}

TEST_F(PluginListTest, PluginFaultingWhileDescribingItselfContributesNothing) {
    for (const char* faulting : {"fault_version", "fault_description", "fault_second_description"}) {
        SCOPED_TRACE(faulting);
        const std::string folder = NewFolder(faulting);
        const std::string bad = InstallPlugin(folder, faulting);
        InstallPlugin(folder, "basic");
        ScopedSusieFolder registry(folder.c_str());
        WithList([&](const std::vector<EntryView>& entries) {
            ASSERT_EQ(entries.size(), 2u);
            EXPECT_EQ(entries[1].description, "Brimsel test picture");
            EXPECT_FALSE(IsModuleLoaded(bad));
        });
    }
}
}  // namespace
