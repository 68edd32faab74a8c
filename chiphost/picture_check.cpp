#include "picture_check.h"
#include <windows.h>
#include <cstring>
#include <vector>
#include "win/bitmap_headers.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"
#include "win/plugin_folder.h"
#include "win/susie_plugin.h"
#include "system_error.h"
#include "text_codec.h"

namespace {
// What GetPicture's results mean, by their names in the plug-in interface.
struct ResultText {
    int result;
    const char* meaning;
};
constexpr ResultText kPictureResults[] = {
    {kSpiSuccess, "done"},           {kSpiCancelled, "cancelled"},     {kSpiUnknownFormat, "unknown format"},
    {kSpiBrokenData, "broken data"}, {kSpiOutOfMemory, "out of memory"}, {kSpiMemoryError, "memory error"},
    {kSpiFileReadError, "file read error"}, {kSpiReserved, "reserved"}, {kSpiInternalError, "internal error"},
};

const char* ResultMeaning(int result) {
    for (const ResultText& text : kPictureResults)
        if (text.result == result) return text.meaning;
    return "an unknown result";
}

// The plug-in files of the plug-in folder, in the order the folder lists them;
// *folder receives the folder.
std::vector<std::string> FindPlugins(std::string* folder) {
    std::vector<std::string> files;
    char found_folder[kPathBuffer];
    WIN32_FIND_DATAA found;
    const FileSearch search = FindPluginFiles(found_folder, &found);
    *folder = found_folder;
    if (!search) return files;
    do {
        char path[kPathBuffer];
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && JoinPath(path, found_folder, found.cFileName))
            files.push_back(path);
    } while (FindNextFileA(search.get(), &found));
    return files;
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return Cp932ToUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}

// What one plug-in makes of the file: "" read, "declined", or why it refused.
// Plug-ins are called under the fault guard: one that faults refuses.
std::string AskPlugin(const std::string& plugin, const std::string& path, HANDLE file) {
    LoadedModule module(LoadLibraryA(plugin.c_str()));
    if (!module) return "declined";
    const PluginFunctions functions = LookUpFunctions(module.get());
    if (!IsImportPlugin(functions.getPluginInfo) || !functions.isSupported || !functions.getPicture)
        return "declined";
    for (LONG at : kProbePositions) {
        const ProbeAnswer probe = AskAt(functions.isSupported, path.c_str(), file, at);
        if (probe == ProbeAnswer::fault) return "the plug-in " + NameOf(plugin) + " faulted while asked about it";
        if (probe == ProbeAnswer::declined) continue;
        HANDLE header = nullptr, bits = nullptr;
        int result = -1;
        const bool returned = CallGuarded(functions.getPicture, &result, path.c_str(), at, 0u, &header, &bits,
                                          static_cast<FARPROC>(nullptr), 0L);
        // A plug-in that faulted may have left anything in them.
        const LocalMemory headerBlock(returned ? header : nullptr), bitsBlock(returned ? bits : nullptr);
        if (!returned) return "the plug-in " + NameOf(plugin) + " claims it but faulted while reading it";
        if (result == kSpiSuccess && header && bits) return std::string();
        const char* meaning = ResultMeaning(result);
        return "the plug-in " + NameOf(plugin) + " claims it but refused to read it (result " + std::to_string(result) +
               ": " + meaning + ")";
    }
    return "declined";
}
}  // namespace

std::string PictureProblem(const std::string& path) {
    if (path.empty()) return std::string();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return "the file does not exist";
        return "cannot reach the file: " + SystemErrorText(code);
    }
    if (IsBitmapPath(path.c_str())) {
        // As the library judges a bitmap: its headers must fit the file before
        // Windows is asked to read it.
        if (!BitmapFileFits(path.c_str())) return "its bitmap headers do not fit the file (damaged or cut short)";
        const GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
            LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
        if (!bitmap) return "Windows cannot read it as a bitmap";
        return std::string();
    }
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "cannot open it: " + LastErrorText();
    std::string folder;
    const std::vector<std::string> plugins = FindPlugins(&folder);
    std::string problem;
    if (plugins.empty()) {
        problem = "no image plug-in is installed (none in the Susie plug-in folder or along PATH; see --plugins), "
                  "and only .bmp files are read without one";
    } else {
        problem = "no plug-in claims it (asked " + std::to_string(plugins.size()) + " in " + Cp932ToUtf8(folder) + ")";
        for (const std::string& plugin : plugins) {
            const std::string answer = AskPlugin(plugin, path, file.get());
            if (answer == "declined") continue;
            problem = answer;
            break;
        }
    }
    return problem;
}

bool ShowsWarningPattern(const uint32_t* pixels, size_t count) {
    constexpr uint32_t kWarningRed = 0x7F0000;
    size_t red = 0;
    for (size_t i = 0; i < count; ++i) red += (pixels[i] & 0xFFFFFF) == kWarningRed;
    return count > 0 && red * 4 >= count;
}

std::string WarningReason(const std::string& path) {
    const std::string problem = PictureProblem(path);
    if (!problem.empty() || path.empty()) return problem;
    return "it reads here, but the library could not show it (memory may have run out)";
}
