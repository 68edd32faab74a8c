// DrawExAbout and DrawExConfigure through the exports, with the real modal
// windows driven from a timer.
#include <gtest/gtest.h>
#include <windows.h>
#include "dialog_driver.h"
#include "test_support.h"

namespace {
const char kAboutCaption[] = "About Hasperl.DxL";

HWND AboutDialog() {
    HWND dialog = InnermostDialog();
    return HasCaption(dialog, kAboutCaption) ? dialog : nullptr;
}

// Ends the about dialog the four ways a user can.
void PressOk(HWND dialog) { PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }
void PressKey(HWND dialog, WPARAM key) {
    HWND focus = GetFocus();
    if (!focus || (focus != dialog && !IsChild(dialog, focus))) focus = GetDlgItem(dialog, IDOK);
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}
void PressEnter(HWND dialog) { PressKey(dialog, VK_RETURN); }
void PressEscape(HWND dialog) { PressKey(dialog, VK_ESCAPE); }
void PressCloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Runs DrawExAbout, ends it with `end`, and checks that it is gone afterwards.
void RunAbout(void (*end)(HWND), bool screenshot = false) {
    TestWindow owner(100, 100);
    int result = -1;
    DialogScript script;
    script.Then([&] {
        HWND dialog = AboutDialog();
        if (!dialog) return false;
        if (screenshot) {
            EXPECT_TRUE(SaveWindowPicture(dialog, ScreenshotDirectory() + "about.bmp"));
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), "OK");
        }
        end(dialog);
        return true;
    });
    script.Run([&] { result = Library().DrawExAbout(owner.get()); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(AboutDialog(), nullptr);
}

// Reads the configuration notice and accepts it.
void RunConfigure() {
    TestWindow owner(100, 100);
    int result = -1;
    DialogScript script;
    script.Then([&] {
        HWND box = InnermostDialog();
        if (!HasCaption(box, "Brimsel")) return false;
        bool found = false;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            found = found || WindowText(child) == "設定項目は有りません";
        EXPECT_TRUE(found) << "notice text";
        EXPECT_TRUE(GetDlgItem(box, IDOK));
        EXPECT_FALSE(GetDlgItem(box, IDCANCEL));
        PostCommand(box, IDOK);
        return true;
    });
    script.Run([&] { result = Library().DrawExConfigure(owner.get()); });
    EXPECT_EQ(result, 0);
}
}  // namespace

// Every test here needs real windows; without a display driver Wine refuses
// them and each dialog would fail on its own with a less helpful message.
TEST(AboutAndConfigure, DisplayIsAvailable) {
    TestWindow window(10, 10);
    ASSERT_TRUE(window.get()) << "no window could be created: Wine's desktop has no display driver "
                                 "(were its services started outside the virtual display?)";
}

// No other test of this program makes a chip, so the first calls come before any.
TEST(AboutAndConfigure, WorkBeforeAnyChipAndAfterTheLastOne) {
    RunConfigure();
    RunAbout(PressOk, true);

    HostChip chip("memo");
    HLOCAL handle = nullptr;
    Library().InitializeChip(&handle, nullptr, &chip.info);
    Library().UnInitializeChip(handle);
    RunConfigure();
    RunAbout(PressOk);
}

TEST(AboutAndConfigure, AboutEndsByEnterEscAndCloseBox) {
    {
        SCOPED_TRACE("Enter");
        RunAbout(PressEnter);
    }
    {
        SCOPED_TRACE("Esc");
        RunAbout(PressEscape);
    }
    {
        SCOPED_TRACE("close box");
        RunAbout(PressCloseBox);
    }
}
