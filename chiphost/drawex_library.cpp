#include "drawex_library.h"
#include <vector>
#include "system_error.h"

bool LoadDrawExLibrary(const std::string& path, DrawExLibrary* library, std::string* error) {
    *library = DrawExLibrary{};
    library->module = LoadLibraryA(path.c_str());
    if (!library->module) {
        *error = "cannot load the library " + path + ": " + LastErrorText();
        return false;
    }
    std::string missing;
    for (const DrawExExportRow& row : kDrawExExports) {
        FARPROC address = GetProcAddress(library->module, row.name);
        if (!address) missing += (missing.empty() ? "" : ", ") + std::string(row.name);
        SetExportSlot(library, row, address);
    }
    if (!missing.empty()) {
        *error = "the library " + path + " lacks the export(s) " + missing;
        FreeDrawExLibrary(library);
        return false;
    }
    return true;
}

void FreeDrawExLibrary(DrawExLibrary* library) {
    if (library->module) FreeLibrary(library->module);
    *library = DrawExLibrary{};
}

namespace {
// The folder of chiphost.exe, with its trailing separator.
std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    // Module paths are ANSI; a DBCS trail byte may equal '\', so walk by character.
    size_t cut = 0;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/') cut = static_cast<size_t>(p - path) + 1;
    return dir.substr(0, cut);
}
}  // namespace

std::string DefaultLibraryPath() { return ProgramFolder() + "Brimsel.dxl"; }

std::string DefaultPluginFolder() {
    const std::string folder = ProgramFolder() + "spi";
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
    return folder;
}

void PrependToPath(const std::string& dir) {
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::vector<char> old(size + 1, '\0');
    if (size) GetEnvironmentVariableA("PATH", old.data(), size);
    std::string value = dir;
    if (old[0]) value += ";" + std::string(old.data());
    SetEnvironmentVariableA("PATH", value.c_str());
}
