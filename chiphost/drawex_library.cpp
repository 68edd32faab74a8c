#include "drawex_library.h"
#include <vector>
#include "system_error.h"
#include "win/kernel_guards.h"
#include "text_codec.h"

bool LoadDrawExLibrary(const std::string& path, DrawExLibrary* library, std::string* error) {
    *library = DrawExLibrary{};
    library->module = LoadLibraryW(Utf8ToWide(path).c_str());
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
    const LoadedModule module(library->module);   // freed as this returns
    *library = DrawExLibrary{};
}

namespace {
// The folder of chiphost.exe, with its trailing separator.
std::string ProgramFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return PathFolder(WideToUtf8(path));
}
}  // namespace

std::string DefaultLibraryPath() { return ProgramFolder() + "Brimsel.dxl"; }

std::string DefaultPluginFolder() {
    const std::string folder = ProgramFolder() + "spi";
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
    return folder;
}

void PrependToPath(const std::string& dir) {
    DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::vector<wchar_t> old(size + 1, L'\0');
    if (size) GetEnvironmentVariableW(L"PATH", old.data(), size);
    std::wstring value = Utf8ToWide(dir);
    if (old[0]) value += L";" + std::wstring(old.data());
    SetEnvironmentVariableW(L"PATH", value.c_str());
}
