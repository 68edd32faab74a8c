// What other programs (and the tests) may send to run mode's chip windows.
#pragma once
#include <windows.h>

constexpr char kChipWindowClass[] = "BrimselChipHostChip";

// SendMessage to a chip window: timer ticks it has had, and paints it has done.
constexpr UINT kQueryTimerTicks = WM_APP + 1;
constexpr UINT kQueryPaints = WM_APP + 2;

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
};
// WM_CLOSE to any chip window saves the store and ends run mode.
