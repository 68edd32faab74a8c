#include "test_support.h"
#include "test_clock.h"
#include "win/dib_layout.h"
#include <gtest/gtest.h>
#include <cstring>

std::string ProgramDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

const DrawExLibrary& Library() {
    static DrawExLibrary library = [] {
        DrawExLibrary l;
        l.module = LoadLibraryA((ProgramDirectory() + "Brimsel.dxl").c_str());
        if (!l.module) {
            ADD_FAILURE() << "Brimsel.dxl cannot be loaded";
            return l;
        }
        InstallTestClock(l.module);
        for (const DrawExExportRow& row : kDrawExExports) {
            FARPROC address = GetProcAddress(l.module, row.name);
            if (!address) ADD_FAILURE() << "export missing: " << row.name;
            SetExportSlot(&l, row, address);
        }
        return l;
    }();
    return library;
}

HostChip::HostChip(const std::string& chipText, uint32_t sizeTag) : saved(sizeof(SavedChipData), 0) {
    std::memcpy(saved.data(), &sizeTag, 4);
    info.textColour = RGB(0, 0, 0);
    info.backColour = RGB(255, 255, 255);
    info.textFont = MakeFont(-12);
    SetText(chipText);
}

void HostChip::SetText(const std::string& chipText) {
    text = chipText;
    info.chipText = text.c_str();
    info.savedData = saved.data();
}

void HostChip::SetSettings(const ChipSettings& settings, uint32_t sizeTag) {
    saved.assign(sizeof(SavedChipData), 0);
    std::memcpy(saved.data(), &sizeTag, 4);
    std::memcpy(saved.data() + 4, &settings, sizeTag <= sizeof(settings) ? sizeTag : sizeof(settings));
    info.savedData = saved.data();
}

ChipSettings HostChip::Settings() const {
    ChipSettings s{};
    std::memcpy(&s, saved.data() + 4, sizeof(s));
    return s;
}

LOGFONTA MakeFont(int height, const char* face) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

namespace {
const char* TestWindowClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BrimselTestChip";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        return "BrimselTestChip";
    }();
    return name;
}
}  // namespace

TestWindow::TestWindow(int clientWidth, int clientHeight) {
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, TestWindowClass(), "chip", WS_POPUP | WS_BORDER, 0, 0,
                              clientWidth + 2, clientHeight + 2, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    SetClientSize(clientWidth, clientHeight);
}

TestWindow::~TestWindow() {
    if (window_) DestroyWindow(window_);
}

void TestWindow::SetClientSize(int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = NewTopDownDib32(dc_, width, height, &bits);
    bits_ = static_cast<uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    const uint32_t value = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < width * height; ++i) bits_[i] = value;
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
    GdiFlush();
    const uint32_t v = bits_[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void WriteBmpFile(const std::string& path, int width, int height, COLORREF (*pixel)(int, int, void*),
                  void* context) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof(ih);
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = stride * height;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixel(x, y, context);
            uint8_t* p = &rows[static_cast<size_t>(height - 1 - y) * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    std::vector<uint8_t> bytes(sizeof(fh) + sizeof(ih));
    std::memcpy(bytes.data(), &fh, sizeof(fh));
    std::memcpy(bytes.data() + sizeof(fh), &ih, sizeof(ih));
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    WriteFileBytes(path, bytes.data(), bytes.size());
}

namespace {
void WriteWhole(HANDLE file, const void* bytes, size_t size, const char* what) {
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create " << what;
    DWORD written = 0;
    const bool wrote = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
    const bool closed = CloseHandle(file);
    EXPECT_TRUE(wrote && closed) << "cannot write " << what;
}
}  // namespace

void WriteFileBytes(const std::string& path, const void* bytes, size_t size) {
    WriteWhole(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
               bytes, size, path.c_str());
}

void WriteFileBytes(const std::wstring& path, const void* bytes, size_t size) {
    WriteWhole(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
               bytes, size, "a file named in UTF-16");
}

void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour) {
    WriteBmpFile(path, width, height, [](int, int, void* c) { return *static_cast<COLORREF*>(c); }, &colour);
}

namespace {
// Empties folder (with its trailing backslash) of everything that can go.
void RemoveContents(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName, path = folder + name;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveContents(path + "\\");
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
}  // namespace

std::string TempDirectory() {
    static std::string dir = [] {
        char base[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, base);
        char name[64];
        wsprintfA(name, "brimsel-%lu\\", GetCurrentProcessId());
        std::string d = std::string(base) + name;
        // Process ids repeat across runs: what an earlier run left here goes.
        if (!CreateDirectoryA(d.c_str(), nullptr)) RemoveContents(d);
        return d;
    }();
    return dir;
}

int CountFreeGdiSlots() {
    std::vector<HGDIOBJ> made;
    made.reserve(70000);
    for (;;) {
        HGDIOBJ brush = CreateSolidBrush(RGB(made.size() & 0xFF, 0, 0));
        if (!brush) break;
        made.push_back(brush);
        if (made.size() >= 100000) break;
    }
    for (HGDIOBJ o : made) DeleteObject(o);
    return static_cast<int>(made.size());
}
