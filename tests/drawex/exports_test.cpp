// The library as the host sees it: loaded by path, exports found by name,
// called the cdecl way, with null handles and odd arguments.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "test_support.h"

namespace {
// The export table's names in the order the export directory lists them.
std::vector<std::string> SortedExportNames() {
    std::vector<std::string> names;
    for (const DrawExExportRow& row : kDrawExExports) names.push_back(row.name);
    std::sort(names.begin(), names.end());
    return names;
}
const std::vector<std::string> kExportNames = SortedExportNames();

const IMAGE_EXPORT_DIRECTORY* ExportDirectory(HMODULE module) {
    auto* base = reinterpret_cast<const uint8_t*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + rva);
}

// Calls fn with `count` zero arguments the cdecl way (the caller pops them) and
// returns how far the stack pointer moved: a callee that pops its own arguments
// shows up as a non-zero drift.
int StackDrift(void* fn, int count) {
    int drift;
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "mov %2, %%ecx\n\t"
        "1: test %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "push $0\n\t"
        "dec %%ecx\n\t"
        "jmp 1b\n\t"
        "2: call *%1\n\t"
        "lea (%%esp,%2,4), %%esp\n\t"
        "mov %%esp, %0\n\t"
        "sub %%esi, %0\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(drift)
        : "b"(fn), "D"(count)
        : "ecx", "edx", "esi", "memory", "cc");
    return drift;
}
}  // namespace

TEST(Exports, EveryNameResolvesAndOrdinalsRunAlphabetically) {
    const DrawExLibrary& lib = Library();
    ASSERT_NE(lib.module, nullptr);
    const IMAGE_EXPORT_DIRECTORY* dir = ExportDirectory(lib.module);
    auto* base = reinterpret_cast<const char*>(lib.module);
    EXPECT_STREQ(base + dir->Name, "Brimsel.dxl");
    EXPECT_EQ(dir->Base, 1u);
    ASSERT_EQ(dir->NumberOfNames, 19u);
    ASSERT_EQ(dir->NumberOfFunctions, 19u);
    auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
    auto* ordinals = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
    for (int i = 0; i < 19; ++i) {
        SCOPED_TRACE(kExportNames[i]);
        EXPECT_STREQ(base + names[i], kExportNames[i].c_str());
        EXPECT_EQ(ordinals[i] + dir->Base, static_cast<DWORD>(i + 1));
        FARPROC byName = GetProcAddress(lib.module, kExportNames[i].c_str());
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(GetProcAddress(lib.module, MAKEINTRESOURCEA(i + 1)), byName);
    }
    // The host's spellings, and no near misses.
    EXPECT_EQ(GetProcAddress(lib.module, "MouseClick"), nullptr);
    EXPECT_EQ(GetProcAddress(lib.module, "UninitializeChip"), nullptr);
    EXPECT_EQ(GetProcAddress(lib.module, "DllMain"), nullptr);
}

TEST(Exports, OnlySystemLibrariesAreImported) {
    const DrawExLibrary& lib = Library();
    auto* base = reinterpret_cast<const uint8_t*>(lib.module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                              "comdlg32.dll", "msvcrt.dll"};
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + rva); d->Name; ++d) {
        std::string name(reinterpret_cast<const char*>(base + d->Name));
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
    }
}

TEST(Exports, EveryExportLeavesItsArgumentsToTheCaller) {
    const DrawExLibrary& lib = Library();
    // Dialog exports are left out (they would open windows), and so is
    // InitializeChip, whose chip would have no owner. Every argument is zero:
    // null handles and pointers.
    for (const DrawExExportRow& row : kDrawExExports) {
        const char* name = row.name;
        if (!std::strcmp(name, "DrawExAbout") || !std::strcmp(name, "DrawExConfigure") ||
            !std::strcmp(name, "EditHelper") || !std::strcmp(name, "InitializeChip"))
            continue;
        void* fn = reinterpret_cast<void*>(GetProcAddress(lib.module, name));
        ASSERT_NE(fn, nullptr) << name;
        for (int count : {4, 6, 9}) EXPECT_EQ(StackDrift(fn, count), 0) << name << " with " << count << " arguments";
    }
}

TEST(Exports, TrivialExportsIgnoreTheirArguments) {
    const DrawExLibrary& lib = Library();
    auto mouse = reinterpret_cast<int (*)(int, int, int, int, int)>(reinterpret_cast<void*>(lib.MouseClik));
    auto exchange = reinterpret_cast<int (*)(const char*, int, int)>(reinterpret_cast<void*>(lib.ExchangeSendString));
    EXPECT_EQ(lib.MouseClik(), 1);
    EXPECT_EQ(mouse(1, 2, 3, 4, 5), 1);
    EXPECT_EQ(lib.ExchangeSendString(), 0);
    EXPECT_EQ(exchange("text", 9, -1), 0);
}

TEST(Exports, GetMemoStringOffersAnEmptyText) {
    const DrawExLibrary& lib = Library();
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(lib.GetMemoString(0, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');

    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(lib.GetMemoString(0, buffer, 0), 0);
    EXPECT_EQ(lib.GetMemoString(0, buffer, -5), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(lib.GetMemoString(7, nullptr, 100), 0);
}

TEST(Exports, SpecificationWritesOnlyItsFields) {
    const DrawExLibrary& lib = Library();
    uint8_t record[128];
    std::memset(record, 0xA5, sizeof(record));
    EXPECT_EQ(lib.DrawExSpecification(record), 0);
    auto int32At = [&](int at) { int32_t v; std::memcpy(&v, record + at, 4); return v; };
    EXPECT_EQ(int32At(0), 256);
    EXPECT_EQ(int32At(4), 256);
    const unsigned char name[] = {'P', 'l', 'u', 'g', '-', 'i', 'n', ' ', 0x89, 0xE6, 0x91, 0x9C,
                                  0x82, 0xC6, 0x95, 0xB6, 0x8E, 0x9A, 0x00};
    EXPECT_EQ(std::memcmp(record + 8, name, sizeof(name)), 0);
    for (int i = 27; i < 60; ++i) EXPECT_EQ(record[i], 0xA5) << "byte " << i;
    EXPECT_EQ(int32At(60), 111);
    EXPECT_EQ(int32At(64), 2);
    EXPECT_EQ(int32At(68), 220);
    for (int i = 72; i < 128; ++i) EXPECT_EQ(record[i], 0xA5) << "byte " << i;
}

TEST(Exports, NullChipHandleGivesNeutralResults) {
    const DrawExLibrary& lib = Library();
    TestWindow window(100, 60);
    PixelCanvas canvas(100, 60, RGB(9, 9, 9));
    HostChip chip("<time>");
    int32_t size[2] = {-7, -7};
    EXPECT_EQ(lib.CalcDefaultRect(nullptr, window.get(), size, "abc"), 1);
    EXPECT_EQ(size[0], -7);
    EXPECT_EQ(lib.DrawChip(nullptr, window.get(), canvas.dc(), "abc"), 1);
    EXPECT_EQ(canvas.At(5, 5), RGB(9, 9, 9));
    EXPECT_EQ(lib.Resize(nullptr, window.get()), 1);
    lib.Zoom(nullptr, 0, 0);
    EXPECT_EQ(lib.Update(nullptr, window.get(), &chip.info), 0);
    EXPECT_EQ(lib.GetDrawExMenu(nullptr), nullptr);
    EXPECT_EQ(lib.DoDrawExMenu(nullptr, window.get(), 10000), 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
    HGLOBAL before = block;
    EXPECT_EQ(lib.GetSaveData(nullptr, 0, &block), 1);
    EXPECT_EQ(block, before);
    EXPECT_EQ(GlobalSize(block), 8u);
    GlobalFree(block);
    EXPECT_EQ(lib.GetTimerSpan(nullptr), -1);
    EXPECT_EQ(lib.DoTimer(nullptr), 0);
    EXPECT_EQ(lib.UnInitializeChip(nullptr), 0);
}

TEST(Exports, EntryPointIgnoresThreadNotices) {
    const DrawExLibrary& lib = Library();
    auto* base = reinterpret_cast<const uint8_t*>(lib.module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto entry = reinterpret_cast<BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID)>(
        const_cast<uint8_t*>(base) + nt->OptionalHeader.AddressOfEntryPoint);
    EXPECT_EQ(entry(reinterpret_cast<HINSTANCE>(lib.module), DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(entry(reinterpret_cast<HINSTANCE>(lib.module), DLL_THREAD_DETACH, nullptr), TRUE);
    // The module handle the dialogs come from is still the library's.
    EXPECT_NE(FindResourceA(lib.module, MAKEINTRESOURCEA(103), MAKEINTRESOURCEA(5)), nullptr);
}

TEST(Exports, InitializeChipWithoutAnOutPointerMakesNoChip) {
    HostChip host("x", 0);
    EXPECT_EQ(Library().InitializeChip(nullptr, nullptr, &host.info), 0);
}

TEST(Exports, FreedChipHandleGivesNeutralResults) {
    // A handle whose block was discarded cannot be locked.
    const DrawExLibrary& lib = Library();
    HLOCAL discarded = LocalAlloc(LMEM_MOVEABLE, 0);
    ASSERT_NE(discarded, nullptr);
    ASSERT_EQ(LocalLock(discarded), nullptr);
    TestWindow window(50, 50);
    EXPECT_EQ(lib.GetTimerSpan(discarded), -1);
    EXPECT_EQ(lib.DoTimer(discarded), 0);
    EXPECT_EQ(lib.GetDrawExMenu(discarded), nullptr);
    EXPECT_EQ(lib.Resize(discarded, window.get()), 1);
    LocalFree(discarded);
}
