#include "bench_host.h"
#include <cstring>
#include "drawex/exports.h"
#include "win/dib_layout.h"
#include "win/kernel_guards.h"

namespace {
constexpr char kSusieKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kSusieValue[] = "Path";

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    {
        const FileSearch search(FindFirstFileA((folder + "\\*").c_str(), &found));
        if (search) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                const std::string path = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveFolder(path);
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search.get(), &found));
        }
    }
    RemoveDirectoryA(folder.c_str());
}

const char* WindowClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BrimselBenchChip";
        RegisterClassA(&wc);
        return "BrimselBenchChip";
    }();
    return name;
}
}  // namespace

const DrawExExports& Library() {
    static const DrawExExports exports = [] {
        DrawExExports e;
#define LINKED_EXPORT(name) e.name = &name
        LINKED_EXPORT(DrawExSpecification); LINKED_EXPORT(DrawExConfigure); LINKED_EXPORT(DrawExAbout);
        LINKED_EXPORT(InitializeChip); LINKED_EXPORT(UnInitializeChip); LINKED_EXPORT(CalcDefaultRect);
        LINKED_EXPORT(DrawChip); LINKED_EXPORT(MouseClik); LINKED_EXPORT(Resize); LINKED_EXPORT(Zoom);
        LINKED_EXPORT(Update); LINKED_EXPORT(ExchangeSendString); LINKED_EXPORT(GetMemoString);
        LINKED_EXPORT(EditHelper); LINKED_EXPORT(GetDrawExMenu); LINKED_EXPORT(DoDrawExMenu);
        LINKED_EXPORT(GetSaveData); LINKED_EXPORT(GetTimerSpan); LINKED_EXPORT(DoTimer);
#undef LINKED_EXPORT
        return e;
    }();
    return exports;
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path);
    return file.substr(0, file.find_last_of('\\') + 1);
}

std::string TempDirectory() {
    static const std::string folder = [] {
        char base[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, base);
        char name[64];
        wsprintfA(name, "brimsel-bench-%lu\\", GetCurrentProcessId());
        const std::string d = std::string(base) + name;
        CreateDirectoryA(d.c_str(), nullptr);
        return d;
    }();
    return folder;
}

std::string NewFolder(const std::string& hint) {
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string folder = TempDirectory() + hint + "-" + std::to_string(++counter);
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    }
    return TempDirectory() + hint;
}

void RemoveTempDirectory() {
    const std::string folder = TempDirectory();
    RemoveFolder(folder.substr(0, folder.size() - 1));
}

HostChip::HostChip(const std::string& chipText) : text(chipText), saved(sizeof(SavedChipData), 0) {
    info.textColour = RGB(0, 0, 0);
    info.backColour = RGB(255, 255, 255);
    info.textFont.lfHeight = -12;
    info.textFont.lfWeight = FW_NORMAL;
    info.textFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(info.textFont.lfFaceName, "MS Gothic", LF_FACESIZE);
    info.chipText = text.c_str();
    info.savedData = saved.data();
}

void HostChip::SetSettings(const ChipSettings& settings) {
    const uint32_t tag = kSettingsSizeCurrent;
    saved.assign(sizeof(SavedChipData), 0);
    std::memcpy(saved.data(), &tag, 4);
    std::memcpy(saved.data() + 4, &settings, sizeof(settings));
    info.savedData = saved.data();
}

ChipSettings PictureSettings(const std::string& path, uint32_t placement, int32_t sizingMode) {
    ChipSettings s{};
    s.placement = placement;
    s.sizingMode = sizingMode;
    lstrcpynA(s.picturePath, path.c_str(), sizeof(s.picturePath));
    return s;
}

HWND MakeWindow(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClass(), "chip", WS_POPUP | WS_BORDER, 0, 0,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

std::string GradientPicture(int width, int height, int blue) {
    const std::string path = TempDirectory() + "gradient-" + std::to_string(width) + "x" + std::to_string(height) +
                             "-" + std::to_string(blue) + ".bmp";
    const size_t stride = DibRowBytes(width, 24);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<uint8_t> bytes(file.bfSize, 0);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < height; ++y) {
        // Bottom up: the file's first row is the picture's last.
        uint8_t* row = bytes.data() + file.bfOffBits + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<uint8_t>(blue);
            row[x * 3 + 1] = static_cast<uint8_t>(y % 256);
            row[x * 3 + 2] = static_cast<uint8_t>(x % 256);
        }
    }
    const FileHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
    DWORD written = 0;
    if (out) WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return path;
}

SusieFolder::SusieFolder(const std::string& folder) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSusieKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), kSusieValue, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
            old_.resize(size);
            had_ = RegQueryValueExA(key.get(), kSusieValue, nullptr, &oldType_, old_.data(), &size) == ERROR_SUCCESS;
        }
    }
    Set(folder);
}

void SusieFolder::Set(const std::string& folder) {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSusieKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key.get(), kSusieValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
}

SusieFolder::~SusieFolder() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSusieKey, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS) return;
    if (had_)
        RegSetValueExA(key.get(), kSusieValue, 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
    else
        RegDeleteValueA(key.get(), kSusieValue);
}
