#include "drawex_library.h"
#include <vector>

namespace {
template <typename T>
void Assign(DrawExLibrary* library, T DrawExLibrary::*member, FARPROC address) {
    library->*member = reinterpret_cast<T>(reinterpret_cast<void*>(address));
}

// Binds one export by its exact name; false when the module lacks it.
template <typename T>
bool Bind(DrawExLibrary* library, T DrawExLibrary::*member, const char* name, std::string* missing) {
    FARPROC address = GetProcAddress(library->module, name);
    if (!address) {
        if (!missing->empty()) *missing += ", ";
        *missing += name;
        return false;
    }
    Assign(library, member, address);
    return true;
}
}  // namespace

bool LoadDrawExLibrary(const std::string& path, DrawExLibrary* library, std::string* error) {
    *library = DrawExLibrary{};
    library->module = LoadLibraryA(path.c_str());
    if (!library->module) {
        *error = "cannot load the library " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::string missing;
    DrawExLibrary* l = library;
    bool ok = true;
    ok &= Bind(l, &DrawExLibrary::DrawExSpecification, "DrawExSpecification", &missing);
    ok &= Bind(l, &DrawExLibrary::DrawExConfigure, "DrawExConfigure", &missing);
    ok &= Bind(l, &DrawExLibrary::DrawExAbout, "DrawExAbout", &missing);
    ok &= Bind(l, &DrawExLibrary::InitializeChip, "InitializeChip", &missing);
    ok &= Bind(l, &DrawExLibrary::UnInitializeChip, "UnInitializeChip", &missing);
    ok &= Bind(l, &DrawExLibrary::CalcDefaultRect, "CalcDefaultRect", &missing);
    ok &= Bind(l, &DrawExLibrary::DrawChip, "DrawChip", &missing);
    ok &= Bind(l, &DrawExLibrary::MouseClik, "MouseClik", &missing);
    ok &= Bind(l, &DrawExLibrary::Resize, "Resize", &missing);
    ok &= Bind(l, &DrawExLibrary::Zoom, "Zoom", &missing);
    ok &= Bind(l, &DrawExLibrary::Update, "Update", &missing);
    ok &= Bind(l, &DrawExLibrary::ExchangeSendString, "ExchangeSendString", &missing);
    ok &= Bind(l, &DrawExLibrary::GetMemoString, "GetMemoString", &missing);
    ok &= Bind(l, &DrawExLibrary::EditHelper, "EditHelper", &missing);
    ok &= Bind(l, &DrawExLibrary::GetDrawExMenu, "GetDrawExMenu", &missing);
    ok &= Bind(l, &DrawExLibrary::DoDrawExMenu, "DoDrawExMenu", &missing);
    ok &= Bind(l, &DrawExLibrary::GetSaveData, "GetSaveData", &missing);
    ok &= Bind(l, &DrawExLibrary::GetTimerSpan, "GetTimerSpan", &missing);
    ok &= Bind(l, &DrawExLibrary::DoTimer, "DoTimer", &missing);
    if (!ok) {
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

std::string DefaultLibraryPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    // Module paths are ANSI; a DBCS trail byte may equal '\', so walk by character.
    size_t cut = 0;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/') cut = static_cast<size_t>(p - path) + 1;
    return dir.substr(0, cut) + "Brimsel.dxl";
}

void PrependToPath(const std::string& dir) {
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::vector<char> old(size + 1, '\0');
    if (size) GetEnvironmentVariableA("PATH", old.data(), size);
    std::string value = dir;
    if (old[0]) value += ";" + std::string(old.data());
    SetEnvironmentVariableA("PATH", value.c_str());
}
