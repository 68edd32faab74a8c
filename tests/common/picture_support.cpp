#include "picture_support.h"
#include <gtest/gtest.h>
#include <cstring>
#include "test_support.h"

std::string TestPluginPath(const std::string& name) {
    return ProgramDirectory() + "plugins\\" + name + ".spi";
}

std::string NewFolder(const std::string& hint) {
    // Process ids repeat across runs, so an earlier run's folders may be there.
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string folder = TempDirectory() + hint + "-" + std::to_string(++counter);
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    }
    ADD_FAILURE() << "cannot create a folder for " << hint;
    return TempDirectory() + hint;
}

std::string InstallPlugin(const std::string& folder, const std::string& name, const std::string& fileName) {
    const std::string target = folder + "\\" + (fileName.empty() ? name + ".spi" : fileName);
    EXPECT_TRUE(CopyFileA(TestPluginPath(name).c_str(), target.c_str(), FALSE)) << name << " -> " << target;
    return target;
}

void WriteTestPicture(const std::string& path, const TestPicture& p) {
    std::vector<uint8_t> bytes(p.prefix, 0xA5);
    const auto rgb = [&bytes](COLORREF c) {
        bytes.push_back(GetRValue(c));
        bytes.push_back(GetGValue(c));
        bytes.push_back(GetBValue(c));
    };
    bytes.insert(bytes.end(), p.magic, p.magic + 4);
    bytes.push_back(static_cast<uint8_t>(p.width));
    bytes.push_back(static_cast<uint8_t>(p.width >> 8));
    bytes.push_back(static_cast<uint8_t>(p.height));
    bytes.push_back(static_cast<uint8_t>(p.height >> 8));
    bytes.push_back(p.headerKind);
    bytes.push_back(p.bitCount);
    bytes.push_back(p.flags);
    bytes.push_back(p.spoil);
    rgb(p.topLeft);
    rgb(p.topRight);
    rgb(p.bottom);
    WriteFileBytes(path, bytes.data(), bytes.size());
}

PluginProbe::PluginProbe(const std::string& modulePath) : module_(LoadLibraryA(modulePath.c_str())), probe_(&dummy_) {
    if (!module_) {
        ADD_FAILURE() << "cannot load " << modulePath;
        return;
    }
    using ProbeFunction = test_picture::Probe* (*)();
    auto get = reinterpret_cast<ProbeFunction>(reinterpret_cast<void*>(GetProcAddress(module_, "TestProbe")));
    if (get) probe_ = get();
}

PluginProbe::~PluginProbe() { Release(); }

void PluginProbe::Release() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    probe_ = &dummy_;
}

bool IsModuleLoaded(const std::string& modulePath) {
    return GetModuleHandleA(modulePath.c_str()) != nullptr;
}

COLORREF BitmapPixels::At(int x, int y) const {
    const uint32_t v = pixels[static_cast<size_t>(y) * width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

BitmapPixels ReadBitmap(HBITMAP bitmap) {
    BitmapPixels result;
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return result;
    result.width = info.bmWidth;
    result.height = info.bmHeight;
    result.pixels.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, info.bmHeight, result.pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return result;
}

size_t ProcessHeapInUse() {
    // Local blocks live on the process heap, the C library's blocks on a heap
    // of its own: count them all.
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    size_t total = 0;
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY entry{};
        if (!HeapLock(heap)) continue;
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

bool CanOpenExclusively(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::vector<uint8_t> SoundBitmap() {
    std::vector<uint8_t> file(54 + 12 * 3, 0x80);
    const auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    const auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&file[at], &v, 2); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, 4);
    put32(22, 3);
    put16(26, 1);
    put16(28, 24);
    put32(30, BI_RGB);
    put32(34, 0);
    put32(38, 0);
    put32(42, 0);
    put32(46, 0);
    put32(50, 0);
    return file;
}
