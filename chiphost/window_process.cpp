#include "window_process.h"
#include "win/kernel_guards.h"
#include <windows.h>
#include <initializer_list>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {
// Set for the child, so that it runs the windows itself: the event it sets
// when it ends through Windows (an inherited handle, in decimal).
const wchar_t kChildVariable[] = L"BRIMSEL_CHIPHOST_WINDOW_PROCESS";
HANDLE g_endedEvent = nullptr;

void SignalEnded() { SetEvent(g_endedEvent); }

void Inheritable(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}
}  // namespace

bool WantsWindowProcess() {
    wchar_t value[32] = L"";
    if (GetEnvironmentVariableW(kChildVariable, value, 32)) {
        // The child: say so at every end that passes through Windows. Xlib's
        // exit passes below it, and is told by the event left unset.
        g_endedEvent = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(wcstoul(value, nullptr, 10)));
        SetEnvironmentVariableW(kChildVariable, nullptr);
        std::atexit(SignalEnded);
        return false;
    }
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

int RunWindowProcess(bool* displayLost) {
    *displayLost = false;
    wchar_t exe[MAX_PATH] = L"";
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH)) return -1;
    // A job that is closed with this process takes the child along, so that no
    // chip is left behind when this process is killed.
    const KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) Inheritable(which);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const KernelHandle ended(CreateEventW(&inherit, TRUE, FALSE, nullptr));
    if (!ended) return -1;
    std::wstring command = GetCommandLineW();
    SetEnvironmentVariableW(kChildVariable, std::to_wstring(reinterpret_cast<uintptr_t>(ended.get())).c_str());
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(exe, &command[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                                        &startup, &child);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    if (!started) return -1;
    const KernelHandle process(child.hProcess), thread(child.hThread);
    if (job) AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    // Ended without Windows seeing it, and not by a fault Windows reports.
    *displayLost = WaitForSingleObject(ended.get(), 0) != WAIT_OBJECT_0 && code < 0x100;
    return static_cast<int>(code);
}
