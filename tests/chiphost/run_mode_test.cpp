// Run mode end to end: chiphost.exe started on a store, its chip windows found
// and driven from here, the store it leaves behind read back.
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <set>
#include "../../chiphost/chip_values.h"
#include "../../chiphost/run_messages.h"
#include "chip_pictures.h"
#include "chiphost_process.h"
#include "test_support.h"

namespace {
// A store's hexadecimal block, read as chiphost does.
std::vector<uint8_t> Unhex(const std::string& hex) {
    std::vector<uint8_t> out;
    std::string why;
    EXPECT_TRUE(ParseHex(hex, &out, &why)) << why;
    return out;
}


// A fitted picture with fields of their own fonts and colours.
ChipSettings FieldSettings(const std::string& picture) {
    ChipSettings s = PictureSettings(picture, kPlacementAspectFit, kSizeByPicture, kAlignRight);
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
    saved.settings = FieldSettings(picture);
    WriteTextFile(store_, "[store]\nversion = 1\n"
                          "[chip]\ntext = clock <time>\nx = 50\ny = 60\nwidth = 150\nheight = 60\n"
                          "[chip]\ntext = picture <date>\nback_colour = #204060\nx = 400\ny = 60\n"
                          "width = 200\nheight = 150\nsettings = " +
                              WriteHex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");

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

        // A host command: a new chip, twice from the same chip; each goes on a
        // cascade, never exactly over another.
        SendMessageA(clock, WM_COMMAND, kCommandNewChip, 0);
        SendMessageA(clock, WM_COMMAND, kCommandNewChip, 0);
        std::set<std::pair<LONG, LONG>> corners;
        for (HWND chip : host.WaitForChips(4)) corners.insert({WindowRect(chip).left, WindowRect(chip).top});
        EXPECT_EQ(corners.size(), 4u);

        PostMessageA(clock, WM_CLOSE, 0, 0);
        DWORD exitCode = 99;
        ASSERT_TRUE(host.Wait(15000, &exitCode)) << "chiphost did not close";
        EXPECT_EQ(exitCode, 0u) << host.Output();
    }

    const std::string first = ReadTextFile(store_);
    const std::vector<std::string> blocks = Values(first, "settings");
    ASSERT_EQ(blocks.size(), 4u) << first;
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
        EXPECT_EQ(WriteHex(bytes, 412), WriteHex(block.data(), 412));
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
    saved.settings = FieldSettings(before);
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = dialog\nx = 50\ny = 50\nwidth = 120\nheight = 90\n"
                          "settings = " + WriteHex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");
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
    // The dialog started from the chip's settings: what it did not change stays.
    EXPECT_EQ(stored.settings.dateColour, RGB(200, 0, 0));
    EXPECT_EQ(stored.settings.timeFormat, 5);
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
                                "[chip]\ntext = memo kept too\nback_colour = blue\n";
    WriteTextFile(store_, damaged);

    ChiphostRun refused = RunChiphost("run \"" + store_ + "\" --exit-after 1000");
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_NE(refused.output.find("chips.ini:7: back_colour:"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("--recover"), std::string::npos) << refused.output;
    EXPECT_EQ(ReadTextFile(store_), damaged);
    EXPECT_FALSE(FileExists(store_ + ".damaged"));

    // A bad value costs only that value.
    ChiphostRun recovered = RunChiphost("run \"" + store_ + "\" --recover --exit-after 1000");
    EXPECT_EQ(recovered.exitCode, 0u) << recovered.output;
    EXPECT_NE(recovered.output.find("chips.ini:7: back_colour: \"blue\" is not a colour (#rrggbb) (the default is used)"),
              std::string::npos) << recovered.output;
    EXPECT_EQ(ReadTextFile(store_ + ".damaged"), damaged);
    const std::string store = ReadTextFile(store_);
    EXPECT_EQ(Values(store, "text"), (std::vector<std::string>{"kept", "memo kept too"}));
    EXPECT_EQ(Values(store, "back_colour")[1], "#ffffe0");
}

// What --recover makes of other mistakes, and stores that are no damage.
TEST_F(RunModeTest, RecoveryKeepsWhatItCan) {
    const char* head = "[store]\nversion = 1\n";
    const struct {
        const char* name;
        std::string store;
        DWORD exitCode;                    // with --recover
        std::vector<std::string> texts;    // the chips afterwards
        std::string message;               // in the output, once
        bool backedUp;
    } cases[] = {
        {"unreadable text", std::string(head) + "[chip]\ntext = a\n[chip]\ntext = bad \\q\n[chip]\ntext = c\n", 0,
         {"a", "c"}, "chips.ini:6: text: unknown escape \"\\q\" (use \\n, \\t or \\\\) (the chip is left out)", true},
        {"bad hex digit", std::string(head) + "[chip]\ntext = a\nsettings = 9x00\nwidth = 9\n", 0, {"a"},
         "chips.ini:5: settings: 'x' is not a hexadecimal digit (the chip starts without stored settings)", true},
        {"chip without a text", std::string(head) + "[chip]\nwidth = 9\n[chip]\ntext = b\n", 0, {"b"},
         "chips.ini:4: width and height go together (the chip is left out)", true},
        {"empty store", "", 0, {"New chip\\n<date> <time>"}, "", false},
        {"newer store", "[store]\nversion = 2\n[chip]\ntext = from the future\n", 2, {"from the future"},
         "chips.ini:2: the store is version 2, newer than the version 1 this chiphost reads; it was left untouched",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* suffix : {"", ".damaged"}) DeleteFileA((store_ + suffix).c_str());
        WriteTextFile(store_, c.store);
        ChiphostRun run = RunChiphost("run \"" + store_ + "\" --recover --exit-after 1000");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        if (!c.message.empty()) {
            const size_t at = run.output.find(c.message);
            EXPECT_NE(at, std::string::npos) << run.output;
            // One message per mistake: nothing follows from the same line.
            const std::string line = c.message.substr(0, c.message.find(' '));
            EXPECT_EQ(run.output.find(line, at + 1), std::string::npos) << run.output;
        } else {
            EXPECT_EQ(run.output.find("chips.ini:"), std::string::npos) << run.output;
        }
        EXPECT_EQ(FileExists(store_ + ".damaged"), c.backedUp);
        EXPECT_EQ(Values(ReadTextFile(store_), "text"), c.texts) << ReadTextFile(store_);
    }
}

TEST_F(RunModeTest, ChipsWhosePictureCannotBeShownAreNamed) {
    const std::string missing = TempDirectory() + "gone-picture.png";
    SavedChipData saved{};
    saved.sizeTag = kSettingsSizeCurrent;
    saved.settings = FieldSettings(missing);
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = fine\n[chip]\ntext = pictured\nsettings = " +
                              WriteHex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");
    ChiphostRun run = RunChiphost("run \"" + store_ + "\" --exit-after 1000");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("chip 2 (store line 5): the picture " + missing +
                              " cannot be shown: the file does not exist"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("chip 1"), std::string::npos) << run.output;
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

namespace {
// Left-button drag on the screen, as a user's mouse does it; absolute moves,
// so that no pointer acceleration applies.
void Drag(POINT from, POINT to) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const auto at = [&](LONG x, LONG y, DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65536 + width / 2) / width;
        input.mi.dy = (y * 65536 + height / 2) / height;
        input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof input);
        Sleep(150);
    };
    at(from.x, from.y, 0);
    at(from.x, from.y, MOUSEEVENTF_LEFTDOWN);
    at((from.x + to.x) / 2, (from.y + to.y) / 2, 0);
    at(to.x, to.y, 0);
    at(to.x, to.y, MOUSEEVENTF_LEFTUP);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}
}  // namespace

TEST_F(RunModeTest, ChipsResizeWithTheMouseAndMinimiseAndRestore) {
    SavedChipData saved{kSettingsSizeCurrent, FieldSettings(TempDirectory() + "large.bmp"), {}};
    WriteSolidBmp(saved.settings.picturePath, 1400, 1100, RGB(0, 0, 160));
    saved.settings.placement = kPlacementTopLeft;  // by the picture, sized to all of it
    saved.settings.sizingMode = kSizeByText;
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = resize me\nx = 100\ny = 100\n"
                          "width = 200\nheight = 120\nsettings = " +
                              WriteHex(reinterpret_cast<const uint8_t*>(&saved), sizeof saved) + "\n");
    ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
    std::vector<HWND> chips = host.WaitForChips(1);
    ASSERT_EQ(chips.size(), 1u) << host.Output();
    HWND chip = chips[0];

    // A tool window with a sizing border, a minimise command and no taskbar button.
    const LONG style = GetWindowLongA(chip, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_EQ(style & WS_CAPTION, WS_BORDER);
    const LONG exStyle = GetWindowLongA(chip, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    // The mouse resizes it from its bottom-right corner; the library hears of it.
    const RECT before = WindowRect(chip);
    const LRESULT resizes = Query(chip, kQueryResizes);
    const POINT corner{before.right - 2, before.bottom - 2};
    DWORD_PTR hit = 0;
    SendMessageTimeoutA(chip, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y), SMTO_ABORTIFHUNG, 5000, &hit);
    EXPECT_EQ(hit, static_cast<DWORD_PTR>(HTBOTTOMRIGHT));
    Drag(corner, POINT{corner.x + 60, corner.y + 40});
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(chip).right - WindowRect(chip).left >= 250; }))
        << "width " << WindowRect(chip).right - WindowRect(chip).left;
    const RECT after = WindowRect(chip);
    EXPECT_NEAR(after.right - after.left, 260, 3);
    EXPECT_NEAR(after.bottom - after.top, 160, 3);
    EXPECT_EQ(after.left, before.left);
    EXPECT_GT(Query(chip, kQueryResizes), resizes);

    // Minimised and restored from the host's menu, then with the window commands.
    const struct {
        const char* name;
        UINT message;
        WPARAM minimise, restore;
    } ways[] = {
        {"menu", WM_COMMAND, kCommandMinimise, kCommandRestore},
        {"menu, all chips", WM_COMMAND, kCommandMinimise, kCommandRestoreAll},
        {"window commands", WM_SYSCOMMAND, SC_MINIMIZE, SC_RESTORE},
    };
    int zooms = 0;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        PostMessageA(chip, way.message, way.minimise, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(chip) != FALSE; }));
        EXPECT_EQ(Query(chip, kQueryZoomsOut), zooms + 1);
        EXPECT_TRUE(GetWindowLongA(chip, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the bar stays above the chips";
        const LRESULT paints = Query(chip, kQueryPaints);
        PostMessageA(chip, way.message, way.restore, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsIconic(chip); }));
        EXPECT_EQ(Query(chip, kQueryZoomsIn), ++zooms);
        EXPECT_FALSE(GetWindowLongA(chip, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(WaitUntil([&] { return Query(chip, kQueryPaints) > paints; })) << "painted again";
        EXPECT_EQ(WindowRect(chip).right - WindowRect(chip).left, after.right - after.left);
    }

    // Without a window manager a minimised chip is a bare bar: the right button
    // opens its menu (a click elsewhere closes it), a double-click restores it.
    PostMessageA(chip, WM_COMMAND, kCommandMinimise, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(chip) != FALSE; }));
    const RECT bar = WindowRect(chip);
    const auto clickBar = [&](std::initializer_list<DWORD> buttons, LONG dx = 0) {
        SetCursorPos((bar.left + bar.right) / 2 + dx, (bar.top + bar.bottom) / 2 - dx);
        for (const DWORD button : buttons) mouse_event(button, 0, 0, 0, 0);
    };
    clickBar({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
    EXPECT_TRUE(WaitUntil([] { return IsWindowVisible(FindWindowA("#32768", nullptr)) != FALSE; })) << "no menu";
    clickBar({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}, 300);
    EXPECT_TRUE(WaitUntil([] { return !IsWindowVisible(FindWindowA("#32768", nullptr)); }));
    clickBar({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(chip); })) << "a double-click restores it";

    // Sized by a picture larger than the screen, it is moved into the work area and cut to it.
    SendMessageA(chip, WM_COMMAND, kSizeByPicture, 0);
    RECT work{}, sized = WindowRect(chip);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(EqualRect(&sized, &work));

    PostMessageA(chip, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(host.Wait(15000, &exitCode));
    EXPECT_EQ(Values(ReadTextFile(store_), "width")[0], std::to_string(sized.right - sized.left));
}

TEST_F(RunModeTest, DialogsKeepTheOtherChipsBelowAndDeleteAsksFirst) {
    WriteTextFile(store_, "[store]\nversion = 1\n[chip]\ntext = first\nx = 50\ny = 50\n"
                          "[chip]\ntext = second\nx = 300\ny = 50\n");
    ChiphostProcess host("run \"" + store_ + "\" --exit-after 60000");
    std::vector<HWND> chips = host.WaitForChips(2);
    ASSERT_EQ(chips.size(), 2u) << host.Output();
    if (WindowRect(chips[0]).left > WindowRect(chips[1]).left) std::swap(chips[0], chips[1]);

    // While a dialog of one chip is up, the other cannot be brought over it.
    PostMessageA(chips[0], WM_COMMAND, kCommandEditSettings, 0);
    HWND dialog = host.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(chips[1]));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(chips[1]) != FALSE; }));

    // Deleting asks; cancelled, the chip stays, confirmed, it goes.
    for (const int answer : {IDCANCEL, IDOK}) {
        PostMessageA(chips[1], WM_COMMAND, kCommandDelete, 0);
        HWND question = host.WaitForDialog();
        ASSERT_NE(question, nullptr) << "no question before deleting";
        EXPECT_FALSE(IsWindowEnabled(chips[0]));
        PostMessageA(question, WM_COMMAND, answer, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
        EXPECT_TRUE(WaitUntil([&] { return IsWindow(chips[1]) == (answer == IDCANCEL); }));
    }
    EXPECT_TRUE(IsWindowEnabled(chips[0]));

    PostMessageA(chips[0], WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(host.Wait(15000, &exitCode));
    EXPECT_EQ(Values(ReadTextFile(store_), "text"), std::vector<std::string>{"first"});
}
