// What other programs (and the tests) may send to run mode's chip windows.
#pragma once
#include <windows.h>

constexpr char kChipWindowClass[] = "BrimselChipHostChip";

// SendMessage to a chip window: timer ticks it has had, and paints it has done.
constexpr UINT kQueryTimerTicks = WM_APP + 1;
constexpr UINT kQueryPaints = WM_APP + 2;
// Calls of Resize, and of Zoom with 0 (minimised) and 1 (restored), for the chip.
constexpr UINT kQueryResizes = WM_APP + 3;
constexpr UINT kQueryZoomsOut = WM_APP + 4;
constexpr UINT kQueryZoomsIn = WM_APP + 5;

// The host's own items in a chip's menu, also accepted as WM_COMMAND. The
// library's commands (10000..10009) are accepted as WM_COMMAND too.
enum : UINT {
    kCommandNewChip = 40001,
    kCommandEditText,
    kCommandEditSettings,
    kCommandAbout,
    kCommandConfigure,
    kCommandDelete,
    kCommandQuit,
    kCommandMinimise,
    kCommandRestore,
    kCommandRestoreAll,
};
// WM_CLOSE to any chip window saves the store and ends run mode.
