// The library loads the image plug-in for every picture it reads, so loading
// and releasing ifbrimsel.spi must give back everything: the thread-local slot,
// the kernel handles and the heap it took. Checked for the plug-in alone and
// through the library's Update.
#include <gtest/gtest.h>
#include <objbase.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "chip_scene.h"
#include "heap_usage.h"
#include "picture_support.h"

namespace {
constexpr int kCycles = 10000;
// Wine's heap checking looks for damage, not growth, and makes each cycle
// several times slower: that pass runs a tenth of the cycles.
constexpr int kCyclesUnderHeapChecking = 1000;
constexpr int kWarmUp = 30;   // the system's own first-use state (COM, the imaging DLL)

struct ProcessCounts {
    DWORD nextTlsSlot;
    int handles;
    uint64_t heapBytes;      // in use on every heap
    uint64_t privateBytes;   // committed private memory
};

// Wine's GetProcessHandleCount reports nothing, so count the values that name
// a handle; the table is filled from its low end.
int CountHandles() {
    int count = 0;
    uintptr_t lastValid = 0;
    for (uintptr_t value = 4; value < lastValid + 4 * 4096; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            lastValid = value;
        }
    }
    return count;
}

uint64_t PrivateCommittedBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;   // wrapped
    }
    return total;
}

// Under Wine's heap checking each heap holds back up to 1,024 freed blocks
// to catch late writes; push ours through so that both counts see the same
// held-back blocks.
void PushThroughHeldBackBlocks() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::vector<void*> blocks(1100);
    for (HANDLE heap : heaps) {
        for (void*& block : blocks) block = HeapAlloc(heap, 0, 16);
        for (void* block : blocks)
            if (block) HeapFree(heap, 0, block);
    }
}

bool HeapChecking() {
    char debug[256] = "";
    GetEnvironmentVariableA("WINEDEBUG", debug, sizeof(debug));
    return std::strstr(debug, "heap") != nullptr;
}

int Cycles() { return HeapChecking() ? kCyclesUnderHeapChecking : kCycles; }

ProcessCounts Count() {
    PushThroughHeldBackBlocks();
    const DWORD slot = TlsAlloc();
    TlsFree(slot);
    return {slot, CountHandles(), HeapBytesInUse(), PrivateCommittedBytes()};
}

void ExpectNothingLost(const char* what, const ProcessCounts& before, const ProcessCounts& after,
                       int cycles = Cycles()) {
    std::printf("%s: %d cycles, next TLS slot %lu -> %lu, handles %d -> %d, heap bytes %llu -> %llu, "
                "private bytes %llu -> %llu\n",
                what, cycles, before.nextTlsSlot, after.nextTlsSlot, before.handles, after.handles,
                static_cast<unsigned long long>(before.heapBytes), static_cast<unsigned long long>(after.heapBytes),
                static_cast<unsigned long long>(before.privateBytes),
                static_cast<unsigned long long>(after.privateBytes));
    EXPECT_EQ(after.nextTlsSlot, before.nextTlsSlot) << what;
    EXPECT_LE(after.handles, before.handles) << what;
    EXPECT_LT(after.heapBytes, before.heapBytes + 16 * 1024) << what;
    // Under Wine's heap checking committed memory moves with the held-back
    // blocks (the bytes in use stay put); otherwise it must stay put too.
    if (!HeapChecking()) {
        EXPECT_LT(after.privateBytes, before.privateBytes + 256 * 1024) << what;
    }
}

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

using GetPluginInfoFn = int(WINAPI*)(int, LPSTR, int);
using IsSupportedFn = int(WINAPI*)(LPCSTR, DWORD);
using GetPictureFn = int(WINAPI*)(LPCSTR, LONG, unsigned, HANDLE*, HANDLE*, FARPROC, LONG);

template <typename T>
T Export(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// One load as a host does it: the format list, the probe, the picture from the
// file and from memory, the blocks freed, the module released. False when any
// step failed.
bool LoadCycle(const std::string& module, const std::string& picture, const std::vector<unsigned char>& bytes) {
    HMODULE spi = LoadLibraryA(module.c_str());
    if (!spi) return false;
    bool ok = true;
    const auto info = Export<GetPluginInfoFn>(spi, "GetPluginInfo");
    const auto supported = Export<IsSupportedFn>(spi, "IsSupported");
    const auto get = Export<GetPictureFn>(spi, "GetPicture");
    char text[1024];
    ok = ok && info && info(0, text, sizeof(text)) == 4 && info(2, text, sizeof(text)) > 0;
    ok = ok && supported && supported(picture.c_str(), reinterpret_cast<DWORD>(bytes.data())) != 0;
    for (unsigned flag : {0u, 1u}) {
        HANDLE header = nullptr, rows = nullptr;
        const char* buf = flag ? reinterpret_cast<const char*>(bytes.data()) : picture.c_str();
        const LONG len = flag ? static_cast<LONG>(bytes.size()) : 0;
        ok = ok && get && get(buf, len, flag, &header, &rows, nullptr, 0) == 0;
        if (header) LocalFree(header);
        if (rows) LocalFree(rows);
    }
    FreeLibrary(spi);
    return ok;
}
}  // namespace

TEST(PluginLoading, TenThousandLoadsOfTheImagePluginLoseNothing) {
    const std::string module = ProgramDirectory() + "spi\\ifbrimsel.spi";
    const std::string picture = ProgramDirectory() + "spi-data\\quadrants.png";
    std::vector<unsigned char> bytes = FileBytes(picture);
    ASSERT_FALSE(bytes.empty());
    bytes.resize(bytes.size() < 2048 ? 2048 : bytes.size());   // IsSupported reads 2 KB of head
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(LoadCycle(module, picture, bytes));
    const ProcessCounts before = Count();
    int failed = 0;
    for (int i = 0; i < Cycles(); ++i) failed += LoadCycle(module, picture, bytes) ? 0 : 1;
    const ProcessCounts after = Count();
    EXPECT_EQ(failed, 0);
    ExpectNothingLost("plug-in loads", before, after);
}

// Update reads a picture the chip does not hold yet, loading every plug-in of
// the folder: the chip switches between two copies of a PNG, which only
// ifbrimsel.spi reads.
TEST(PluginLoading, TenThousandUpdatesOfAPluginPictureLoseNothing) {
    const std::string folder = NewFolder("load-cycles");
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str(), (folder + "\\ifbrimsel.spi").c_str(),
                          FALSE));
    ScopedSusieFolder susie(folder.c_str());
    const std::string png = ProgramDirectory() + "spi-data\\quadrants.png";
    const ChipSettings settings[2] = {PictureSettings(png, 0), PictureSettings(folder + "\\copy.png", 0)};
    ASSERT_TRUE(CopyFileA(png.c_str(), (folder + "\\copy.png").c_str(), FALSE));
    ChipScene scene(60, 40, "picture", &settings[0]);
    ASSERT_EQ(scene.state().pictureMissing, 0) << "the plug-in did not read the picture";
    const DrawExLibrary& lib = Library();
    int missing = 0;
    auto update = [&](int i) {
        scene.host().SetSettings(settings[i % 2 == 0 ? 1 : 0]);
        lib.Update(scene.chip(), scene.window(), &scene.host().info);
        missing += scene.state().pictureMissing;
    };
    // As a host with COM in its window thread: the plug-in finds it up.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 0; i < kWarmUp; ++i) update(i);
    const ProcessCounts before = Count();
    for (int i = 0; i < Cycles(); ++i) update(i);
    const ProcessCounts after = Count();
    if (SUCCEEDED(com)) CoUninitialize();
    EXPECT_EQ(missing, 0);
    ExpectNothingLost("library updates", before, after);
}

// Damaged pictures of every format cost the host nothing: neither our readers
// nor the system's decoders behind them may keep memory after a refusal.
TEST(PluginLoading, DamagedPicturesOfEveryFormatLoseNothing) {
    HMODULE spi = LoadLibraryA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str());
    ASSERT_NE(spi, nullptr);
    const auto get = Export<GetPictureFn>(spi, "GetPicture");
    ASSERT_NE(get, nullptr);
    std::vector<std::vector<unsigned char>> damaged;
    for (const char* format : {"gif", "png", "jpg", "tif", "ico", "tga", "psd", "ppm"}) {
        const std::vector<unsigned char> good = FileBytes(ProgramDirectory() + "spi-data\\quadrants." + format);
        for (size_t at = 0; at < good.size(); at += good.size() / 64 + 1) {
            damaged.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at));   // cut short
            damaged.push_back(good);
            damaged.back()[at] ^= 0x5a;   // one byte changed
        }
    }
    auto readAll = [&] {
        for (const std::vector<unsigned char>& bytes : damaged) {
            HANDLE header = nullptr, rows = nullptr;
            get(reinterpret_cast<const char*>(bytes.data()), static_cast<LONG>(bytes.size()), 1, &header, &rows,
                nullptr, 0);
            if (header) LocalFree(header);
            if (rows) LocalFree(rows);
        }
    };
    readAll();   // the system decoders' first-use state
    const ProcessCounts before = Count();
    for (int i = 0; i < 3; ++i) readAll();
    const ProcessCounts after = Count();
    FreeLibrary(spi);
    ExpectNothingLost("damaged pictures", before, after, 3 * static_cast<int>(damaged.size()));
}
