// chiphost: the reference host for Brimsel.dxl.
//   chiphost [options] render SCENE OUT.png
//   chiphost [options] run STORE
// Exit codes: 0 done, 1 bad command line, 2 bad scene or store file,
// 3 library not loadable or incomplete, 4 rendering or writing failed,
// 5 render --strict: the sheet was written but a chip's picture could not be shown,
// 6 Windows runs with an ANSI code page other than 932, 7 run mode: no display
// (or the display went away), 8 run mode: the store is in use by another run mode.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "drawex_library.h"
#include "render_mode.h"
#include "run_mode.h"
#include "scene_file.h"
#include "text_codec.h"
#include "window_process.h"
#include "win/kernel_guards.h"

namespace {
enum ExitCode {
    kExitOk = 0, kExitUsage = 1, kExitFile = 2, kExitLibrary = 3, kExitOutput = 4, kExitUnshown = 5, kExitCodePage = 6,
    kExitNoDisplay = 7, kExitStoreInUse = 8
};

const char kUsage[] =
    "usage: chiphost [options] render SCENE OUT.png\n"
    "       chiphost [options] run STORE\n"
    "       chiphost --help\n"
    "options:\n"
    "  --library PATH     the library to load (default: Brimsel.dxl next to chiphost.exe)\n"
    "  --plugins DIR      put DIR first on PATH, where the library looks for image plug-ins\n"
    "                     (default: the spi folder next to chiphost.exe, when there is one)\n"
    "  --strict           render mode: exit with 5 when a chip's picture cannot be shown\n"
    "  --exit-after MS    run mode: save and quit after MS milliseconds\n"
    "  --recover          run mode: back up a damaged store and start from what it still holds,\n"
    "                     or take a whole save an earlier run left in STORE.new\n"
    "exit codes: 0 done, 1 bad command line, 2 bad scene or store, 3 library not loadable,\n"
    "  4 rendering or writing failed, 5 (--strict) a picture could not be shown,\n"
    "  6 Windows does not run with code page 932 (under Wine: LANG and LC_ALL ja_JP.UTF-8),\n"
    "  7 run mode has no display (or lost it), 8 the store is in use by another run mode\n";

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "chiphost: %s%s", message.c_str(), message.empty() || message.back() != '\n' ? "\n" : "");
    return code;
}

struct CommandLine {
    bool help = false;
    bool strict = false;
    std::string library;
    std::string plugins;
    RunOptions run;
    std::vector<std::string> words;
};

// The words of the command line as typed, in UTF-8: taken through the wide
// command line, so that no file name passes through the ANSI code page.
std::vector<std::string> CommandWords() {
    std::vector<std::string> words;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    const LocalMemory owned(wide);
    if (!wide) return words;
    for (int i = 0; i < count; ++i) words.push_back(WideToUtf8(wide[i]));
    return words;
}

bool ParseCommandLine(const std::vector<std::string>& argv, CommandLine* line, std::string* error) {
    const int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            line->help = true;
            return true;
        } else if (arg == "--strict") {
            line->strict = true;
        } else if (arg == "--library") {
            if (!value(&line->library)) return false;
        } else if (arg == "--plugins") {
            if (!value(&line->plugins)) return false;
        } else if (arg == "--exit-after") {
            std::string ms;
            if (!value(&ms)) return false;
            char* end = nullptr;
            line->run.exitAfterMs = std::strtol(ms.c_str(), &end, 10);
            if (*end || line->run.exitAfterMs <= 0) {
                *error = "--exit-after needs a positive number of milliseconds";
                return false;
            }
        } else if (arg == "--recover") {
            line->run.recover = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            *error = "unknown option " + arg;
            return false;
        } else {
            line->words.push_back(arg);
        }
    }
    const bool render = line->words.size() == 3 && line->words[0] == "render";
    const bool run = line->words.size() == 2 && line->words[0] == "run";
    if (!render && !run) {
        *error = "expected \"render SCENE OUT.png\" or \"run STORE\"";
        return false;
    }
    if (run && line->strict) *error = "--strict is for render mode only";
    if (render && (line->run.exitAfterMs > 0 || line->run.recover))
        *error = "--exit-after and --recover are for run mode only";
    return error->empty();
}
}  // namespace

int main() {
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(CommandWords(), &line, &error)) return Fail(kExitUsage, error + "\n" + kUsage);
    if (line.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }

    // Under another code page the library's texts would be read as other
    // characters: what the chips showed would not be what its users see.
    if (GetACP() != kChipCodePage)
        return Fail(kExitCodePage, "Windows runs with the ANSI code page " + std::to_string(GetACP()) +
                                       ", but the library's texts are code page 932 (Japanese) and would show as "
                                       "other characters. Under Wine, set LANG and LC_ALL to ja_JP.UTF-8; on Windows, "
                                       "make Japanese the language for non-Unicode programs.");

    if (line.words[0] == "run" && WantsWindowProcess()) {
        bool displayLost = false;
        const int code = RunWindowProcess(&displayLost);
        if (displayLost)
            return Fail(kExitNoDisplay, "the display went away, and run mode with it. The store " + line.words[1] +
                                            " holds every change saved until then.");
        if (code >= 0) return code;
    }

    // Read the scene before loading anything, so a bad file is named first.
    Scene scene;
    if (line.words[0] == "render") {
        if (!LoadScene(line.words[1], &scene, &error)) return Fail(kExitFile, error);
        const std::string folder = OutputFolderProblem(line.words[2]);
        if (!folder.empty()) return Fail(kExitOutput, folder);
    }

    if (line.plugins.empty()) line.plugins = DefaultPluginFolder();
    if (!line.plugins.empty()) PrependToPath(line.plugins);
    DrawExLibrary library;
    const std::string libraryPath = line.library.empty() ? DefaultLibraryPath() : line.library;
    if (!LoadDrawExLibrary(libraryPath, &library, &error)) return Fail(kExitLibrary, error);

    int code = kExitOk;
    if (line.words[0] == "render") {
        int unshown = 0;
        if (!RenderScene(library, scene, line.words[2], &unshown, &error)) code = Fail(kExitOutput, error);
        else if (unshown > 0 && line.strict) code = kExitUnshown;
    } else {
        const RunResult result = RunDesktop(library, line.words[1], line.run, &error);
        if (result == RunResult::kBadStore) code = Fail(kExitFile, error);
        else if (result == RunResult::kFailed) code = Fail(kExitOutput, error);
        else if (result == RunResult::kNoDisplay) code = Fail(kExitNoDisplay, error);
        else if (result == RunResult::kInUse) code = Fail(kExitStoreInUse, error);
    }
    FreeDrawExLibrary(&library);
    return code;
}
