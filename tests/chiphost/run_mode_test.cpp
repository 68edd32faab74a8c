// Run mode end to end: chiphost.exe started on a store, its chip windows found
// and driven from here, the store it leaves behind read back.
#include <gtest/gtest.h>
#include <cstring>
#include "../../chiphost/run_messages.h"
#include "chiphost_process.h"
#include "test_support.h"

namespace {
std::string Hex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) out += {digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return out;
}

std::vector<uint8_t> Unhex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The values of every "key = value" line with this key, in file order.
std::vector<std::string> Values(const std::string& store, const std::string& key) {
    std::vector<std::string> out;
    size_t pos = 0;
    const std::string prefix = "\n" + key + " = ";
    while ((pos = store.find(prefix, pos)) != std::string::npos) {
        pos += prefix.size();
        out.push_back(store.substr(pos, store.find('\n', pos) - pos));
    }
    return out;
}

LRESULT Query(HWND window, UINT message) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

ChipSettings PictureSettings(const std::string& picture) {
    ChipSettings s{};
    s.placement = kPlacementAspectFit;
    s.textAlign = kAlignRight;
    s.sizingMode = kSizeByPicture;
    lstrcpyA(s.picturePath, picture.c_str());
    s.dateColour = RGB(200, 0, 0);
    s.dateFont = MakeFont(-16, "IPAPGothic");
    s.dateFormat = 3;
    s.timeColour = RGB(0, 0, 200);
    s.timeFont = MakeFont(-18, "IPAGothic");
    s.timeFormat = 5;
    return s;
}

class RunModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = TempDirectory() + "chips.ini";
        for (const char* suffix : {"", ".new", ".damaged"}) DeleteFileA((store_ + suffix).c_str());
    }
    std::string store_;
};

TEST_F(RunModeTest, ChipsRunSaveAndComeBack) {
    const std::string picture = TempDirectory() + "store-picture.bmp";
    WriteSolidBmp(picture, 40, 30, RGB(0, 160, 0));
    SavedChipData saved{};
    saved.sizeTag = kSettingsSizeCurrent;
    saved.settings = PictureSettings(picture);
    WriteTextFile(store_, "[store]\nversion = 1\n"
                          "[chip]\ntext = clock <time>\nx = 50\ny = 60\nwidth = 150\nheight = 60\n"
                          "[chip]\ntext = picture <date>\nback_colour = #204060\nx = 400\ny = 60\n"
                          "width = 200\nheight = 150\nsettings = " +
                              Hex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");

    {
        ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
        std::vector<HWND> chips = host.WaitForChips(2);
        ASSERT_EQ(chips.size(), 2u) << host.Output();
        if (WindowRect(chips[0]).left > WindowRect(chips[1]).left) std::swap(chips[0], chips[1]);
        HWND clock = chips[0], pictured = chips[1];

        // Where and how the store put them: bordered pop-up tool windows.
        const RECT r = WindowRect(pictured);
        EXPECT_EQ(r.left, 400);
        EXPECT_EQ(r.top, 60);
        EXPECT_EQ(r.right - r.left, 200);
        EXPECT_EQ(r.bottom - r.top, 150);
        const LONG style = GetWindowLongA(pictured, GWL_STYLE);
        EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_VISIBLE | WS_CAPTION), WS_POPUP | WS_BORDER | WS_VISIBLE);
        EXPECT_TRUE(GetWindowLongA(pictured, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

        // Library menu commands: centre the text, size the chip by its text.
        SendMessageA(pictured, WM_COMMAND, 10006, 0);
        SendMessageA(pictured, WM_COMMAND, 10009, 0);
        EXPECT_NE(WindowRect(pictured).bottom - WindowRect(pictured).top, 150) << "sizing by text resizes";

        // Only the chip with a time field runs a timer, and its ticks repaint it.
        Sleep(1800);
        EXPECT_GE(Query(clock, kQueryTimerTicks), 2);
        EXPECT_GE(Query(clock, kQueryPaints), 2);
        EXPECT_EQ(Query(pictured, kQueryTimerTicks), 0);

        // Minimised and restored, the chip (its picture dropped by Zoom) paints again.
        const LRESULT paints = Query(pictured, kQueryPaints);
        ShowWindow(pictured, SW_MINIMIZE);
        ShowWindow(pictured, SW_RESTORE);
        UpdateWindow(pictured);
        EXPECT_GT(Query(pictured, kQueryPaints), paints);

        // A host command: a new chip.
        SendMessageA(clock, WM_COMMAND, kCommandNewChip, 0);
        EXPECT_EQ(host.WaitForChips(3).size(), 3u);

        PostMessageA(clock, WM_CLOSE, 0, 0);
        DWORD exitCode = 99;
        ASSERT_TRUE(host.Wait(15000, &exitCode)) << "chiphost did not close";
        EXPECT_EQ(exitCode, 0u) << host.Output();
    }

    const std::string first = ReadTextFile(store_);
    const std::vector<std::string> blocks = Values(first, "settings");
    ASSERT_EQ(blocks.size(), 3u) << first;
    EXPECT_FALSE(FileExists(store_ + ".new"));
    EXPECT_EQ(Values(first, "text")[1], "picture <date>");
    EXPECT_EQ(Values(first, "back_colour")[1], "#204060");

    // The stored block holds the changes made through the menu, and the rest as given.
    std::vector<uint8_t> block = Unhex(blocks[1]);
    ASSERT_EQ(block.size(), sizeof(SavedChipData));
    SavedChipData stored{};
    std::memcpy(&stored, block.data(), sizeof stored);
    EXPECT_EQ(stored.sizeTag, kSettingsSizeCurrent);
    EXPECT_EQ(stored.settings.textAlign, kAlignCentre);
    EXPECT_EQ(stored.settings.sizingMode, kSizeByText);
    EXPECT_EQ(stored.settings.placement, static_cast<uint32_t>(kPlacementAspectFit));
    EXPECT_STREQ(stored.settings.picturePath, picture.c_str());
    EXPECT_EQ(stored.settings.dateFormat, 3);
    EXPECT_EQ(stored.settings.timeFormat, 5);
    EXPECT_STREQ(stored.settings.timeFont.lfFaceName, "IPAGothic");
    EXPECT_EQ(stored.settings.dateColour, RGB(200, 0, 0));

    // The same block handed to a chip of our own comes back unchanged from GetSaveData.
    {
        const DrawExLibrary& lib = Library();
        HostChip chip("picture <date>");
        chip.SetSettings(stored.settings);
        TestWindow window(196, 120);
        HLOCAL handle = nullptr;
        lib.InitializeChip(&handle, window.get(), &chip.info);
        HGLOBAL mine = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4);
        lib.GetSaveData(handle, 0, &mine);
        const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(mine));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(Hex(bytes, 412), Hex(block.data(), 412));
        GlobalUnlock(mine);
        GlobalFree(mine);
        lib.UnInitializeChip(handle);
    }

    // A second run restores every chip from the store and saves the same store again.
    ChiphostRun again = RunChiphost("run \"" + store_ + "\" --exit-after 1500");
    EXPECT_EQ(again.exitCode, 0u) << again.output;
    EXPECT_EQ(ReadTextFile(store_), first);
}

TEST_F(RunModeTest, SettingsFromTheDialogReachTheChipAndTheStore) {
    const std::string before = TempDirectory() + "before.bmp", after = TempDirectory() + "after.bmp";
    WriteSolidBmp(before, 30, 20, RGB(200, 0, 0));
    WriteSolidBmp(after, 30, 20, RGB(0, 0, 200));
    SavedChipData saved{};
    saved.sizeTag = kSettingsSizeCurrent;
    saved.settings = PictureSettings(before);
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = dialog\nx = 50\ny = 50\nwidth = 120\nheight = 90\n"
                          "settings = " + Hex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");
    {
        ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
        std::vector<HWND> chips = host.WaitForChips(1);
        ASSERT_EQ(chips.size(), 1u) << host.Output();
        PostMessageA(chips[0], WM_COMMAND, kCommandEditSettings, 0);
        HWND dialog = host.WaitForDialog();
        ASSERT_NE(dialog, nullptr) << "no settings dialog";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, 1000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(after.c_str()),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
        EXPECT_FALSE(IsWindow(dialog)) << "the dialog did not take OK";
        PostMessageA(chips[0], WM_CLOSE, 0, 0);
        DWORD exitCode = 99;
        ASSERT_TRUE(host.Wait(15000, &exitCode));
        EXPECT_EQ(exitCode, 0u) << host.Output();
    }
    const std::vector<std::string> blocks = Values(ReadTextFile(store_), "settings");
    ASSERT_EQ(blocks.size(), 1u);
    const std::vector<uint8_t> block = Unhex(blocks[0]);
    ASSERT_EQ(block.size(), sizeof(SavedChipData));
    SavedChipData stored{};
    std::memcpy(&stored, block.data(), sizeof stored);
    EXPECT_STREQ(stored.settings.picturePath, after.c_str());
}

TEST_F(RunModeTest, EditedTextReachesTheChipAndStartsItsClock) {
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = no clock yet\n");
    ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
    std::vector<HWND> chips = host.WaitForChips(1);
    ASSERT_EQ(chips.size(), 1u) << host.Output();
    const RECT before = WindowRect(chips[0]);
    Sleep(700);
    EXPECT_EQ(Query(chips[0], kQueryTimerTicks), 0);

    PostMessageA(chips[0], WM_COMMAND, kCommandEditText, 0);
    HWND dialog = host.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no text dialog";
    const char* text = "now\r\n<time>\r\nand a much longer third line";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, 1000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);

    // The new text has a time field, so the chip now asks for ticks, and it is resized to fit.
    Sleep(1500);
    EXPECT_GE(Query(chips[0], kQueryTimerTicks), 2);
    const RECT after = WindowRect(chips[0]);
    EXPECT_GT(after.bottom - after.top, before.bottom - before.top);
    EXPECT_GT(after.right - after.left, before.right - before.left);

    PostMessageA(chips[0], WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(host.Wait(15000, &exitCode));
    EXPECT_EQ(Values(ReadTextFile(store_), "text")[0], "now\\n<time>\\nand a much longer third line");
}

TEST_F(RunModeTest, ExitAfterAlsoEndsAnOpenDialog) {
    ChiphostProcess host("run \"" + store_ + "\" --exit-after 3000");
    std::vector<HWND> chips = host.WaitForChips(1);
    ASSERT_EQ(chips.size(), 1u) << host.Output();
    PostMessageA(chips[0], WM_COMMAND, kCommandAbout, 0);
    EXPECT_NE(host.WaitForDialog(), nullptr) << "no about dialog";
    DWORD exitCode = 99;
    ASSERT_TRUE(host.Wait(15000, &exitCode)) << "chiphost hung in the dialog";
    EXPECT_EQ(exitCode, 0u) << host.Output();
    EXPECT_EQ(Values(ReadTextFile(store_), "text").size(), 1u);
}

TEST_F(RunModeTest, ADamagedStoreIsNeverOverwrittenWithoutABackup) {
    const std::string damaged = "[store]\nversion = 1\n[chip]\ntext = kept\n"
                                "[chip]\ntext = lost\nback_colour = blue\n";
    WriteTextFile(store_, damaged);

    ChiphostRun refused = RunChiphost("run \"" + store_ + "\" --exit-after 1000");
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_NE(refused.output.find("chips.ini:7: back_colour:"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("--recover"), std::string::npos) << refused.output;
    EXPECT_EQ(ReadTextFile(store_), damaged);
    EXPECT_FALSE(FileExists(store_ + ".damaged"));

    ChiphostRun recovered = RunChiphost("run \"" + store_ + "\" --recover --exit-after 1000");
    EXPECT_EQ(recovered.exitCode, 0u) << recovered.output;
    EXPECT_EQ(ReadTextFile(store_ + ".damaged"), damaged);
    const std::vector<std::string> texts = Values(ReadTextFile(store_), "text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "kept");
}

TEST_F(RunModeTest, StartsWithOneChipAndLeavesNoStoreWhenTheLibraryFails) {
    ChiphostRun broken = RunChiphost("--library \"" + TempDirectory() + "absent.dxl\" run \"" + store_ + "\"");
    EXPECT_EQ(broken.exitCode, 3u) << broken.output;
    EXPECT_FALSE(FileExists(store_));

    ChiphostRun fresh = RunChiphost("run \"" + store_ + "\" --exit-after 1000");
    EXPECT_EQ(fresh.exitCode, 0u) << fresh.output;
    EXPECT_EQ(Values(ReadTextFile(store_), "text").size(), 1u);
}
}  // namespace
