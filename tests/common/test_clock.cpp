#include "test_clock.h"
#include <cstdio>
#include <cstring>

namespace {
bool frozen = false;
SYSTEMTIME frozenAt{};
bool shifted = false;           // BRIMSEL_TEST_CLOCK was given
ULONGLONG shiftedStart = 0;     // that instant, as FILETIME ticks
ULONGLONG shiftedSince = 0;     // GetTickCount64 when the clock was installed
// The system's own function: this program's import of it is redirected too.
using LocalTimeFunction = void(WINAPI*)(SYSTEMTIME*);
LocalTimeFunction systemLocalTime = nullptr;

ULONGLONG Ticks(const SYSTEMTIME& t) {
    FILETIME f{};
    SystemTimeToFileTime(&t, &f);
    return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

SYSTEMTIME FromTicks(ULONGLONG ticks) {
    FILETIME f{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t{};
    FileTimeToSystemTime(&f, &t);
    return t;
}

void WINAPI TestGetLocalTime(SYSTEMTIME* now) {
    if (frozen) {
        *now = frozenAt;
    } else if (shifted) {
        *now = FromTicks(shiftedStart + (GetTickCount64() - shiftedSince) * 10000);
    } else {
        systemLocalTime(now);
    }
}

void ReadEnvironmentClock() {
    static bool read = false;
    if (read) return;
    read = true;
    char text[64] = "";
    if (GetEnvironmentVariableA("BRIMSEL_TEST_CLOCK", text, sizeof text) == 0) return;
    int y, mo, d, h, mi, s;
    if (std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
        std::fprintf(stderr, "BRIMSEL_TEST_CLOCK: \"%s\" is not YYYY-MM-DD HH:MM:SS\n", text);
        ExitProcess(3);
    }
    shifted = true;
    shiftedStart = Ticks(MakeInstant(y, mo, d, h, mi, s));
    shiftedSince = GetTickCount64();
}

// Points the module's imported GetLocalTime at the test clock.
void RedirectImport(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); import->Name;
         ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), "kernel32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "GetLocalTime") != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(&TestGetLocalTime);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
}
}  // namespace

void InstallTestClock(HMODULE module) {
    if (!systemLocalTime) {
        systemLocalTime = reinterpret_cast<LocalTimeFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLocalTime")));
    }
    ReadEnvironmentClock();
    RedirectImport(GetModuleHandleA(nullptr));
    if (module) RedirectImport(module);
}

SYSTEMTIME TestLocalTime() {
    InstallTestClock(nullptr);
    SYSTEMTIME now{};
    TestGetLocalTime(&now);
    return now;
}

FrozenClock::FrozenClock(const SYSTEMTIME& instant) {
    InstallTestClock(nullptr);
    frozen = true;
    frozenAt = instant;
}

FrozenClock::~FrozenClock() { frozen = false; }

SYSTEMTIME MakeInstant(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    return FromTicks(Ticks(t));   // fills in the weekday
}
