#include "chiphost_process.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <algorithm>
#include "../../chiphost/run_messages.h"
#include "../../chiphost/text_codec.h"
#include "test_support.h"

namespace {
int g_outputCounter = 0;

std::string NewOutputPath() {
    return TempDirectory() + "chiphost-output-" + std::to_string(++g_outputCounter) + ".txt";
}

bool Start(const std::string& args, const std::string& outputPath, PROCESS_INFORMATION* process) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    // Wide, as a user's shell starts it: paths beyond the ANSI code page reach it as typed.
    std::wstring command = Utf8ToWide("\"" + ProgramDirectory() + "chiphost.exe\" " + args);
    const BOOL ok = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   process);
    CloseHandle(output);
    return ok != 0;
}
}  // namespace

void WriteTextFile(const std::string& path, const std::string& text) {
    WriteFileBytes(Utf8ToWide(path), text.data(), text.size());
}

std::string ReadTextFile(const std::string& path) {
    HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(h);
    return text;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

ChiphostRun RunChiphost(const std::string& args, DWORD timeoutMs) {
    ChiphostRun run;
    ChiphostProcess process(args);
    if (!process.started()) {
        ADD_FAILURE() << "cannot start chiphost.exe " << args;
        return run;
    }
    run.timedOut = !process.Wait(timeoutMs, &run.exitCode);
    run.output = process.Output();
    return run;
}

ChiphostProcess::ChiphostProcess(const std::string& args) : outputPath_(NewOutputPath()) {
    if (!Start(args, outputPath_, &process_)) process_ = PROCESS_INFORMATION{};
}

ChiphostProcess::~ChiphostProcess() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "chiphost was still running and is killed";
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ChiphostProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

std::string ChiphostProcess::Output() const { return ReadTextFile(outputPath_); }

bool ChiphostProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) const {
    for (const DWORD start = GetTickCount(); Output().find(text) == std::string::npos; Sleep(100))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

namespace {
struct WindowSearch {
    std::vector<DWORD> processIds;
    const char* className;
    std::vector<HWND> found;
};

// The process and its children: under Wine, run mode shows its chips from a
// child process of its own.
std::vector<DWORD> ProcessAndChildren(DWORD id) {
    std::vector<DWORD> ids{id};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == id) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    char name[64] = "";
    GetWindowThreadProcessId(window, &owner);
    GetClassNameA(window, name, sizeof name);
    if (std::find(search->processIds.begin(), search->processIds.end(), owner) != search->processIds.end() &&
        lstrcmpA(name, search->className) == 0 && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> ChiphostProcess::FindWindows(const char* className) const {
    WindowSearch search{ProcessAndChildren(process_.dwProcessId), className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChiphostProcess::WaitForChips(size_t count, DWORD timeoutMs) const {
    std::vector<HWND> found;
    const DWORD start = GetTickCount();
    while ((found = FindWindows(kChipWindowClass)).size() < count && GetTickCount() - start < timeoutMs) Sleep(100);
    return found;
}

HWND ChiphostProcess::WaitForDialog(DWORD timeoutMs) const {
    std::vector<HWND> found;
    const DWORD start = GetTickCount();
    while ((found = FindWindows("#32770")).empty() && GetTickCount() - start < timeoutMs) Sleep(100);
    return found.empty() ? nullptr : found[0];
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
