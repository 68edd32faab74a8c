#include "picture_check.h"
#include <windows.h>
#include <cstring>
#include <vector>
#include "picture/plugin_call_guard.h"
#include "system_error.h"
#include "text_codec.h"

namespace {
using GetPluginInfoFunction = int(WINAPI*)(int, LPSTR, int);
using IsSupportedFunction = int(WINAPI*)(LPCSTR, DWORD);
using GetPictureFunction = int(WINAPI*)(LPCSTR, LONG, unsigned, HANDLE*, HANDLE*, FARPROC, LONG_PTR);
const LONG kProbePositions[] = {0, 128};   // the start, then past a 128-byte prefix

const char* const kPictureResults[] = {
    "done", "cancelled", "unknown format", "broken data", "out of memory", "memory error", "file read error",
    "reserved", "internal error",
};

bool EndsWithBmp(const std::string& path) {
    return path.size() >= 3 && lstrcmpiA(path.c_str() + path.size() - 3, "bmp") == 0;
}

std::string FolderOfSusie() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Takechin\\Susie\\Plug-in", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char folder[MAX_PATH] = "";
    DWORD size = sizeof folder - 1;
    const LONG status = RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(folder) : std::string();
}

// The plug-in files of folder, in the order the folder lists them.
std::vector<std::string> PluginFiles(std::string folder) {
    std::vector<std::string> files;
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*.spi").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

// The Susie folder when it names one, else the first folder on PATH with plug-ins.
std::vector<std::string> FindPlugins(std::string* folder) {
    *folder = FolderOfSusie();
    if (!folder->empty()) return PluginFiles(*folder);
    const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::vector<char> path(size + 1, '\0');
    if (size) GetEnvironmentVariableA("PATH", path.data(), size);
    const std::string list = path.data();
    for (size_t pos = 0; pos <= list.size();) {
        size_t end = list.find(';', pos);
        if (end == std::string::npos) end = list.size();
        const std::string piece = list.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty()) continue;
        std::vector<std::string> files = PluginFiles(piece);
        if (!files.empty()) {
            *folder = piece;
            return files;
        }
    }
    folder->clear();
    return {};
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return Cp932ToUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}

template <typename T>
T Export(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// What one plug-in makes of the file: "" read, "declined", or why it refused.
// Plug-ins are called under the fault guard: one that faults refuses.
std::string AskPlugin(const std::string& plugin, const std::string& path, HANDLE file) {
    HMODULE module = LoadLibraryA(plugin.c_str());
    if (!module) return "declined";
    auto info = Export<GetPluginInfoFunction>(module, "GetPluginInfo");
    auto supported = Export<IsSupportedFunction>(module, "IsSupported");
    auto picture = Export<GetPictureFunction>(module, "GetPicture");
    char version[8] = "";
    int length = 0;
    const bool import = info && CallGuarded(info, &length, 0, version, static_cast<int>(sizeof version - 1)) &&
                        length == 4 && lstrcmpiA(version + 2, "IN") == 0;
    std::string answer = "declined";
    for (LONG at : kProbePositions) {
        if (!import || !supported || !picture) break;
        SetFilePointer(file, at, nullptr, FILE_BEGIN);
        int claims = 0;
        const DWORD handle = static_cast<DWORD>(reinterpret_cast<uintptr_t>(file));
        if (!CallGuarded(supported, &claims, path.c_str(), handle)) {
            answer = "the plug-in " + NameOf(plugin) + " faulted while asked about it";
            break;
        }
        if (!claims) continue;
        HANDLE header = nullptr, bits = nullptr;
        int result = -1;
        const bool returned = CallGuarded(picture, &result, path.c_str(), at, 0u, &header, &bits,
                                          static_cast<FARPROC>(nullptr), static_cast<LONG_PTR>(0));
        // A plug-in that faulted may have left anything in them.
        if (returned && header) LocalFree(header);
        if (returned && bits) LocalFree(bits);
        if (!returned) {
            answer = "the plug-in " + NameOf(plugin) + " claims it but faulted while reading it";
        } else if (result == 0 && header && bits) {
            answer.clear();
        } else {
            const char* meaning = result >= 0 && result < 9 ? kPictureResults[result] : "an unknown result";
            answer = "the plug-in " + NameOf(plugin) + " claims it but refused to read it (result " +
                     std::to_string(result) + ": " + meaning + ")";
        }
        break;
    }
    FreeLibrary(module);
    return answer;
}
}  // namespace

std::string PictureProblem(const std::string& path) {
    if (path.empty()) return std::string();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return "the file does not exist";
        return "cannot reach the file: " + SystemErrorText(code);
    }
    if (EndsWithBmp(path)) {
        HANDLE bitmap = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
        if (!bitmap) return "Windows cannot read it as a bitmap";
        DeleteObject(bitmap);
        return std::string();
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "cannot open it: " + LastErrorText();
    std::string folder;
    const std::vector<std::string> plugins = FindPlugins(&folder);
    std::string problem;
    if (plugins.empty()) {
        problem = "no image plug-in is installed (none in the Susie plug-in folder or along PATH; see --plugins), "
                  "and only .bmp files are read without one";
    } else {
        problem = "no plug-in claims it (asked " + std::to_string(plugins.size()) + " in " + Cp932ToUtf8(folder) + ")";
        for (const std::string& plugin : plugins) {
            const std::string answer = AskPlugin(plugin, path, file);
            if (answer == "declined") continue;
            problem = answer;
            break;
        }
    }
    CloseHandle(file);
    return problem;
}
