// A system-wide CBT hook, which the system loads into chiphost: in a process
// with BRIMSEL_TEST_REFUSE_CHIP_WINDOW=N it refuses the N-th chip window.
#include <windows.h>
#include <cstdlib>
#include "../../../chiphost/run_messages.h"

static int g_chipWindows = 0;  // created so far in this process

extern "C" __declspec(dllexport) LRESULT CALLBACK RefuseChipWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char refused[16] = "";
        char name[64] = "";
        if (GetEnvironmentVariableA("BRIMSEL_TEST_REFUSE_CHIP_WINDOW", refused, sizeof refused) &&
            GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) && lstrcmpA(name, kChipWindowClass) == 0 &&
            ++g_chipWindows == std::atoi(refused)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
