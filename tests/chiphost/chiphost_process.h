// Runs chiphost.exe as a child process, as a user would.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct ChiphostRun {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output;   // stdout and stderr together
};

// Arguments and paths are UTF-8 (ASCII is the same in the ANSI code page).

// Runs chiphost with args and waits up to timeoutMs.
ChiphostRun RunChiphost(const std::string& args, DWORD timeoutMs = 60000);

// A chiphost left running (run mode); killed if still running at the end.
class ChiphostProcess {
public:
    explicit ChiphostProcess(const std::string& args);
    ~ChiphostProcess();
    ChiphostProcess(const ChiphostProcess&) = delete;
    ChiphostProcess& operator=(const ChiphostProcess&) = delete;
    bool started() const { return process_.hProcess != nullptr; }
    // Its chip windows, waiting up to timeoutMs for at least count of them.
    std::vector<HWND> WaitForChips(size_t count, DWORD timeoutMs = 15000) const;
    // A visible dialog box of the process, or null after timeoutMs.
    HWND WaitForDialog(DWORD timeoutMs = 15000) const;
    // Waits for the exit; false on timeout.
    bool Wait(DWORD timeoutMs, DWORD* exitCode);
    std::string Output() const;
    // Waits up to timeoutMs for text in the output; false on timeout.
    bool WaitForOutput(const std::string& text, DWORD timeoutMs = 15000) const;

private:
    std::vector<HWND> FindWindows(const char* className) const;
    PROCESS_INFORMATION process_{};
    std::string outputPath_;
};

// Writes text to path (bytes as given).
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);

// The values of every "key = value" line with this key in a store, in file order.
std::vector<std::string> Values(const std::string& store, const std::string& key);
// SendMessage to a chip window of chiphost, giving up after 5 s.
LRESULT Query(HWND window, UINT message);
RECT WindowRect(HWND window);
