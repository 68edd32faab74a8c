// Run mode keeps each chip inside the work area: one stored past a single
// edge is moved back along that axis alone.
#include <gtest/gtest.h>
#include "chiphost_process.h"
#include "test_support.h"

TEST(RunModeWorkArea, AChipPastOneEdgeIsMovedBackAlongThatAxis) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const std::string store = TempDirectory() + "past-the-edge.ini";
    WriteTextFile(store, "[store]\nversion = 1\n[chip]\ntext = far\nx = " + std::to_string(work.right + 100) +
                             "\ny = " + std::to_string(work.top + 50) + "\n");
    ChiphostProcess host("run \"" + store + "\" --exit-after 60000");
    const std::vector<HWND> chips = host.WaitForChips(1);
    ASSERT_EQ(chips.size(), 1u) << host.Output();
    RECT r{};
    GetWindowRect(chips[0], &r);
    EXPECT_LE(r.right, work.right);
    EXPECT_EQ(r.top, work.top + 50);
    PostMessageA(chips[0], WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(host.Wait(15000, &exitCode));
}
