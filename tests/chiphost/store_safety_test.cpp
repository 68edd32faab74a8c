// Run mode under faults: a chip window the system refuses, a second run mode,
// folder names beyond the ANSI code page, a save left over from an earlier run,
// and (through unix_stores.sh) a full disk. In each, every memo stays in the
// store.
#include <gtest/gtest.h>
#include "../../chiphost/run_messages.h"
#include "../../chiphost/text_codec.h"
#include "chiphost_process.h"
#include "test_support.h"

namespace {
const char kFiveChips[] = "[store]\nversion = 1\n[chip]\ntext = one\n[chip]\ntext = two\n[chip]\ntext = three\n"
                          "[chip]\ntext = four\n[chip]\ntext = five\n";

void CloseAndWait(ChiphostProcess& host, HWND chip, DWORD expected) {
    PostMessageA(chip, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(host.Wait(15000, &exitCode)) << "chiphost did not close";
    EXPECT_EQ(exitCode, expected) << host.Output();
}

class StoreSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = TempDirectory() + "safe.ini";
        for (const char* suffix : {"", ".new", ".old"}) {
            SetFileAttributesA((store_ + suffix).c_str(), FILE_ATTRIBUTE_NORMAL);  // left read-only, it refuses saves
            DeleteFileA((store_ + suffix).c_str());
        }
    }
    std::string store_;
};

TEST_F(StoreSafetyTest, AChipWhoseWindowIsRefusedStaysInTheStore) {
    WriteTextFile(store_, kFiveChips);
    HMODULE hook = LoadLibraryA((ProgramDirectory() + "window_refusal.dll").c_str());
    ASSERT_NE(hook, nullptr);
    HHOOK installed = SetWindowsHookExA(
        WH_CBT, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hook, "RefuseChipWindow"))), hook, 0);
    ASSERT_NE(installed, nullptr);
    SetEnvironmentVariableA("BRIMSEL_TEST_REFUSE_CHIP_WINDOW", "3");  // for the child
    ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
    SetEnvironmentVariableA("BRIMSEL_TEST_REFUSE_CHIP_WINDOW", nullptr);
    std::vector<HWND> chips = host.WaitForChips(4);
    ASSERT_EQ(chips.size(), 4u) << host.Output();
    EXPECT_NE(host.Output().find("chip 3 (store line 7): cannot create its window: "), std::string::npos)
        << host.Output();
    SendMessageA(chips[0], WM_COMMAND, kCommandNewChip, 0);  // a change: the store is saved again
    CloseAndWait(host, chips[0], 0);
    UnhookWindowsHookEx(installed);
    FreeLibrary(hook);
    EXPECT_EQ(Values(ReadTextFile(store_), "text"),
              (std::vector<std::string>{"one", "two", "three", "four", "five", "New chip\\n<date> <time>"}));
}

TEST_F(StoreSafetyTest, ASecondRunModeOnTheStoreIsRefused) {
    WriteTextFile(store_, kFiveChips);
    ChiphostProcess first("run \"" + store_ + "\" --exit-after 60000");
    std::vector<HWND> chips = first.WaitForChips(5);
    ASSERT_EQ(chips.size(), 5u) << first.Output();
    ASSERT_TRUE(first.WaitForOutput("saved at once")) << first.Output();
    const std::string saved = ReadTextFile(store_);
    const ChiphostRun second = RunChiphost("run \"" + store_ + "\" --exit-after 60000", 20000);
    EXPECT_EQ(second.exitCode, 8u) << second.output;
    EXPECT_NE(second.output.find("the store " + store_ + " is in use"), std::string::npos) << second.output;
    EXPECT_EQ(ReadTextFile(store_), saved);
    SendMessageA(chips[0], WM_COMMAND, kCommandNewChip, 0);
    CloseAndWait(first, chips[0], 0);
    EXPECT_EQ(Values(ReadTextFile(store_), "text").size(), 6u);
    // The lock goes with the run that held it.
    EXPECT_EQ(RunChiphost("run \"" + store_ + "\" --exit-after 500").exitCode, 0u);
}

TEST_F(StoreSafetyTest, FoldersNamedBeyondTheCodePageAreOpenedAsTyped) {
    const std::string decoy = TempDirectory() + "cafe\\";
    CreateDirectoryA(decoy.c_str(), nullptr);
    WriteTextFile(decoy + "s.ini", "[store]\nversion = 1\n[chip]\ntext = not mine\n");
    for (const char* name : {"caf\xC3\xA9", "\xEB\xA9\x94\xEB\xAA\xA8", "\xF0\x9F\x93\x9D"}) {  // café, 메모, 📝
        const std::string folder = TempDirectory() + name + "\\";
        CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
        WriteTextFile(folder + "s.ini", "[store]\nversion = 1\n[chip]\ntext = mine\n");
        const ChiphostRun run = RunChiphost("run \"" + folder + "s.ini\" --exit-after 1000");
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find("1 chip from " + folder + "s.ini"), std::string::npos) << run.output;
        const std::string saved = ReadTextFile(folder + "s.ini");
        EXPECT_EQ(Values(saved, "text"), std::vector<std::string>{"mine"});
        EXPECT_NE(saved.find("; end of the store"), std::string::npos) << "saved by chiphost";
    }
    EXPECT_EQ(ReadTextFile(decoy + "s.ini"), "[store]\nversion = 1\n[chip]\ntext = not mine\n");
}

TEST_F(StoreSafetyTest, ALeftOverSaveIsOfferedAndTakenOnlyWhenAsked) {
    const std::string older = "[store]\nversion = 1\n[chip]\ntext = older\n";
    const std::string whole = older + "[chip]\ntext = newer\n\n; end of the store\n";
    for (const bool cut : {false, true}) {  // a save cut short is never taken
        SetUp();
        WriteTextFile(store_, older);
        Sleep(50);
        WriteTextFile(store_ + ".new", cut ? whole.substr(0, whole.size() - 10) : whole);
        const ChiphostRun run = RunChiphost("run \"" + store_ + "\" --exit-after 500");
        EXPECT_EQ(run.exitCode, cut ? 0u : 2u) << run.output;
        if (!cut) {
            EXPECT_NE(run.output.find(store_ + ".new is a whole store saved after " + store_), std::string::npos);
            EXPECT_EQ(ReadTextFile(store_), older);
            EXPECT_EQ(ReadTextFile(store_ + ".new"), whole);
            EXPECT_EQ(RunChiphost("run \"" + store_ + "\" --recover --exit-after 500").exitCode, 0u);
            EXPECT_EQ(ReadTextFile(store_ + ".old"), older);
        }
        const std::vector<std::string> texts = cut ? std::vector<std::string>{"older"}
                                                   : std::vector<std::string>{"older", "newer"};
        EXPECT_EQ(Values(ReadTextFile(store_), "text"), texts);
    }
}

// Folders that tests/chiphost/unix_stores.sh makes on the Unix side, named by
// Unix paths in the environment (Wine's drive Z: is the Unix root).
std::string UnixStore(const char* variable) {
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA(variable, path, sizeof path)) return std::string();
    std::string windows = std::string("Z:") + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

TEST(UnixStores, OnAFullDiskNoMemoIsLostAndSavingResumes) {
    const std::string folder = UnixStore("BRIMSEL_TEST_FULL_DISK");
    if (folder.empty()) GTEST_SKIP() << "needs root and tmpfs, through unix_stores.sh";
    const std::string store = folder + "\\chips.ini", filler = folder + "\\filler";
    WriteTextFile(store, kFiveChips);
    const auto fill = [&] {  // to the last byte
        HANDLE h = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string block(4096, 'x');
        DWORD written = 0;
        for (size_t size = block.size(); size > 0; size /= 2)
            while (WriteFile(h, block.data(), static_cast<DWORD>(size), &written, nullptr) && written == size) {}
        CloseHandle(h);
    };
    fill();
    ChiphostProcess host("run \"" + store + "\" --exit-after 60000");
    std::vector<HWND> chips = host.WaitForChips(5);
    ASSERT_EQ(chips.size(), 5u) << host.Output();
    EXPECT_TRUE(host.WaitForOutput("(error 112). Changes are not being saved")) << host.Output();
    SendMessageA(chips[0], WM_COMMAND, kCommandNewChip, 0);
    EXPECT_EQ(ReadTextFile(store), kFiveChips);
    DeleteFileA(filler.c_str());
    SendMessageA(chips[0], WM_COMMAND, kCommandNewChip, 0);
    EXPECT_NE(host.Output().find("is saved again"), std::string::npos) << host.Output();
    EXPECT_EQ(Values(ReadTextFile(store), "text").size(), 7u);
    // Still failing at the end: the run says so, with an exit code of its own.
    fill();
    SendMessageA(chips[0], WM_COMMAND, 10006, 0);
    CloseAndWait(host, chips[0], 4);
    EXPECT_EQ(Values(ReadTextFile(store), "text").size(), 7u);
    EXPECT_FALSE(FileExists(store + ".new"));
}
}  // namespace
