// Medians of many calls through the exports, each measured side by side with
// a baseline in the same run, and the ratio between them.
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include <memory>
#include "bench_host.h"
#include "chip/chip_state.h"
#include "picture/plugin_list.h"

namespace {
double Now() {
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Row {
    std::string name;
    double median;
    double baseline;    // 0: reported as a figure only
    double target;      // 0: no target
    const char* unit;
    bool absolute = false;   // the target bounds the figure itself, not a ratio
    bool missed = false;     // failed whatever the figures say
};
std::vector<Row> rows;

// Runs case and baseline alternately so both see the same machine.
void Compare(const std::string& name, int runs, const std::function<void()>& work,
             const std::function<void()>& baseline, double target) {
    work();
    if (baseline) baseline();
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        double t = Now();
        work();
        a.push_back(Now() - t);
        if (baseline) {
            t = Now();
            baseline();
            b.push_back(Now() - t);
        }
    }
    rows.push_back({name, Median(a), baseline ? Median(b) : 0, target, "us"});
    std::fprintf(stderr, "  measured %s\n", name.c_str());
}

// Committed private memory of the process: what a chip's picture costs. Wine's
// GetProcessMemoryInfo does not show it growing.
double CommittedPrivateMegabytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return static_cast<double>(total) / (1024.0 * 1024.0);
}

// A chip with a 408-byte settings block, created through the exports.
HLOCAL MakeChip(HWND window, HostChip& host, const ChipSettings& settings) {
    host.SetSettings(settings);
    HLOCAL chip = nullptr;
    Library().InitializeChip(&chip, window, &host.info);
    return chip;
}

// Paints the chip at a drawn width it did not have at its last paint, as the
// first paint after a drag of the chip's border does.
void PaintAtNewSize(HLOCAL chip, HWND window, HDC target, const char* text) {
    auto* state = static_cast<ChipState*>(LocalLock(chip));
    state->drawWidth = state->drawWidth == 320 ? 319 : 320;
    LocalUnlock(chip);
    Library().DrawChip(chip, window, target, text);
}

// What telling a changed file from an unchanged one costs: the file's full
// path and attributes, the least a load can do.
void LookAtFile(const char* path) {
    char full[MAX_PATH];
    GetFullPathNameA(path, sizeof(full), full, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(full, GetFileExInfoStandard, &data);
}

// The least a paint of picture, background and a text with the time must do:
// its own memory DC, bitmap and font, the picture copied, the rest filled,
// the text drawn, one copy to the window.
void BaselinePaint(HWND window, HDC target, HBITMAP picture, int pw, int ph, const LOGFONTA& font) {
    RECT r;
    GetClientRect(window, &r);
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(target, r.right, r.bottom);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    HDC pictureDc = CreateCompatibleDC(target);
    HGDIOBJ oldPicture = SelectObject(pictureDc, picture);
    BitBlt(mem, 0, 0, pw, ph, pictureDc, 0, 0, SRCCOPY);
    SelectObject(pictureDc, oldPicture);
    DeleteDC(pictureDc);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
    RECT right{pw, 0, r.right, r.bottom}, below{0, ph, pw, r.bottom};
    FillRect(mem, &right, brush);
    FillRect(mem, &below, brush);
    DeleteObject(brush);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    wsprintfA(text, "Time: %d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    HFONT f = CreateFontIndirectA(&font);
    HGDIOBJ oldFont = SelectObject(mem, f);
    SetBkMode(mem, TRANSPARENT);
    DrawTextA(mem, text, -1, &r, DT_NOPREFIX);
    SelectObject(mem, oldFont);
    DeleteObject(f);
    BitBlt(target, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
}

// What Update does before it decodes a picture that only a plug-in reads: the
// plug-in list built, the file offered to each entry at byte 0 and then 128
// until one accepts, the list freed. True when one accepted.
bool ListAndAsk(const std::string& path) {
    using IsSupportedFunction = int(WINAPI*)(LPCSTR, DWORD);
    ImagePluginList list = BuildImagePluginList();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool accepted = false;
    for (ImagePluginEntry* entry = list->next; entry && !accepted; entry = entry->next) {
        const auto isSupported = reinterpret_cast<IsSupportedFunction>(
            reinterpret_cast<void*>(GetProcAddress(entry->module, "IsSupported")));
        for (LONG at : {0L, 128L}) {
            if (!isSupported || accepted) break;
            SetFilePointer(file, at, nullptr, FILE_BEGIN);
            accepted = isSupported(path.c_str(), static_cast<DWORD>(reinterpret_cast<uintptr_t>(file))) != 0;
        }
    }
    CloseHandle(file);
    FreeImagePluginList(list);
    return accepted;
}

// Whether the chip holds its picture: a drawn copy and no failure recorded.
bool ShowsPicture(HLOCAL chip) {
    const auto* state = static_cast<const ChipState*>(LocalLock(chip));
    const bool shown = state && state->picture && state->pictureMissing == 0;
    LocalUnlock(chip);
    return shown;
}

struct Watch {
    std::atomic<bool> done{false};
    double peak = 0;
};
DWORD WINAPI WatchCommitted(void* context) {
    auto* w = static_cast<Watch*>(context);
    while (!w->done) {
        w->peak = std::max(w->peak, CommittedPrivateMegabytes());
        Sleep(1);
    }
    return 0;
}

// The highest committed memory seen by a thread that looks while `work` runs.
double PeakCommittedDuring(const std::function<void()>& work) {
    Watch watch;
    watch.peak = CommittedPrivateMegabytes();
    HANDLE thread = CreateThread(nullptr, 0, &WatchCommitted, &watch, 0, nullptr);
    work();
    watch.done = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return std::max(watch.peak, CommittedPrivateMegabytes());
}

// A hundred photo chips: what each costs and what the cache holds beside them.
void PhotoChipRows(const std::string& folder) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    HDC target = GetDC(window);
    std::vector<HostChip> hosts;
    hosts.reserve(100);
    std::vector<HLOCAL> chips;
    const double before = CommittedPrivateMegabytes();
    int shown = 0;
    for (int i = 0; i < 100; ++i) {
        hosts.emplace_back("photo " + std::to_string(i));
        chips.push_back(MakeChip(window, hosts.back(),
                                 PictureSettings(folder + "\\photo-12mp-" + std::to_string(i) + ".jpg", 5)));
        lib.DrawChip(chips.back(), window, target, hosts.back().text.c_str());
        shown += ShowsPicture(chips.back());
    }
    const double growth = CommittedPrivateMegabytes() - before;
    Row perChip{"100 photo chips 12 MP at 200x150, MB a chip", growth / 100, 0, 3.0, "MB", true};
    perChip.missed = shown != 100;
    rows.push_back(perChip);
    rows.push_back({"  chips showing their photo (of 100)", static_cast<double>(shown), 0, 0, ""});
    // What is not the chips' own copies (200 x 150, 4 bytes a pixel) is
    // the cache and the host's own growth.
    rows.push_back({"  growth beside the chips' copies (budget 256)", growth - 100 * 200 * 150 * 4 / 1048576.0, 0,
                    256, "MB", true});
    for (HLOCAL chip : chips) lib.UnInitializeChip(chip);
    ReleaseDC(window, target);
    std::fprintf(stderr, "  measured 100 photo chips\n");
}

// Load and first paint of a 48 MP photo stretched into 320 x 240,
// against djpeg decoding it at the scale the chip needs.
void BigPhotoRows(const std::string& folder) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(320, 240);
    HDC target = GetDC(window);
    const std::string photo = folder + "\\photo-48mp.jpg";
    HostChip host("Time: <time>");
    const ChipSettings settings = PictureSettings(photo, 5);
    std::vector<double> times;
    double peakAbove = 0;
    bool shown = true;
    for (int i = 0; i < 5; ++i) {
        HLOCAL chip = nullptr;
        const double before = CommittedPrivateMegabytes();
        double took = 0;
        const double peak = PeakCommittedDuring([&] {
            const double t = Now();
            chip = MakeChip(window, host, settings);
            lib.DrawChip(chip, window, target, host.text.c_str());
            took = Now() - t;
        });
        const double after = CommittedPrivateMegabytes();
        times.push_back(took);
        peakAbove = std::max(peakAbove, peak - std::max(before, after));
        shown = shown && ShowsPicture(chip);
        lib.UnInitializeChip(chip);
    }
    const char* djpeg = std::getenv("BENCH_DJPEG_48_US");
    Row load{"48 MP JPEG load + first paint, 320x240 stretched", Median(times), djpeg ? std::atof(djpeg) : 0, 3.0,
             "us"};
    load.missed = !shown;
    rows.push_back(load);
    rows.push_back({"  peak committed above the state after it", peakAbove, 0, 64, "MB", true});
    ReleaseDC(window, target);
    std::fprintf(stderr, "  measured the 48 MP photo\n");
}

// A repaint that needs the picture after the cache dropped it, against
// the first load of the same chip.
void DroppedPhotoRows(const std::string& folder) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    HWND fillerWindow = MakeWindow(200, 150);
    HDC target = GetDC(window);
    const std::string photo = folder + "\\photo-12mp-again.jpg";
    const std::string filler = GradientPicture(1024, 1024, 33);
    HostChip host("again"), fillerHost("filler");
    std::vector<double> first, again;
    SetEnvironmentVariableA("BRIMSEL_PICTURE_CACHE_MB", "1");
    for (int i = 0; i < 5; ++i) {
        double t = Now();
        HLOCAL chip = MakeChip(window, host, PictureSettings(photo, 5));
        lib.DrawChip(chip, window, target, host.text.c_str());
        first.push_back(Now() - t);
        // A 4 MB picture at its own size: over the 1 MB budget, the
        // photo's decoded picture is dropped.
        HLOCAL other = MakeChip(fillerWindow, fillerHost, PictureSettings(filler, 0));
        lib.UnInitializeChip(other);
        t = Now();
        PaintAtNewSize(chip, window, target, host.text.c_str());
        again.push_back(Now() - t);
        lib.UnInitializeChip(chip);
    }
    SetEnvironmentVariableA("BRIMSEL_PICTURE_CACHE_MB", nullptr);
    rows.push_back({"Repaint after the cache dropped a 12 MP photo", Median(again), Median(first), 1.5, "us"});
    ReleaseDC(window, target);
}

// The five rows of a desktop of photos: `folder` (Windows path) holds
// photo-12mp-0.jpg .. photo-12mp-99.jpg (4000 x 3000, each another picture),
// photo-12mp-again.jpg and photo-48mp.jpg (8000 x 6000); BENCH_DJPEG_48_US is
// what djpeg took to decode the 48 MP one at 1/8 on this machine.
void PhotoRows(const std::string& folder) {
    const std::string plugins = NewFolder("bench-photo-plugin");
    CopyFileA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str(), (plugins + "\\ifbrimsel.spi").c_str(), FALSE);
    SusieFolder plugin(plugins);
    PhotoChipRows(folder);
    BigPhotoRows(folder);
    DroppedPhotoRows(folder);
}

// DrawChip of a 320 x 240 chip with a picture and a time field.
void DrawChipRow() {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(320, 240);
    HDC target = GetDC(window);
    const std::string path = GradientPicture(200, 150, 40);
    HostChip host("Time: <time>");
    const ChipSettings settings = PictureSettings(path, 0);
    HLOCAL chip = MakeChip(window, host, settings);
    auto picture = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    Compare("DrawChip 320x240, picture + time field", 400,
            [&] { lib.DrawChip(chip, window, target, host.text.c_str()); },
            [&] { BaselinePaint(window, target, picture, 200, 150, host.info.textFont); }, 1.5);
    DeleteObject(picture);
    lib.UnInitializeChip(chip);
    ReleaseDC(window, target);
}

// A camera photo stretched or fitted on the same chip, against the chip
// with a picture of its own size in the top left corner.
void StretchedPhotoRows(const std::string& photo) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(320, 240);
    HDC target = GetDC(window);
    HostChip small("Time: <time>");
    HLOCAL plain = MakeChip(window, small, PictureSettings(GradientPicture(320, 240, 60), 0));
    for (uint32_t placement : {5u, 6u}) {
        HostChip host("Time: <time>");
        HLOCAL chip = MakeChip(window, host, PictureSettings(photo, placement));
        Compare(std::string("DrawChip 320x240 + time, 4000x3000 ") + (placement == 5 ? "stretched" : "fitted"), 200,
                [&] { lib.DrawChip(chip, window, target, host.text.c_str()); },
                [&] { lib.DrawChip(plain, window, target, small.text.c_str()); }, 1.5);
        if (placement == 5) {
            // Each new drawn size scales the photo anew, as a drag of the
            // chip's border does.
            Compare("  first paint at a new size, 4000x3000 stretched", 10,
                    [&] { PaintAtNewSize(chip, window, target, host.text.c_str()); }, nullptr, 0);
        }
        lib.UnInitializeChip(chip);
    }
    lib.UnInitializeChip(plain);
    ReleaseDC(window, target);
}

// Ten chips with the same photo hold it once.
void SharedPhotoRows(const std::string& photo) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    std::vector<HostChip> hosts;
    hosts.reserve(10);
    std::vector<HLOCAL> chips;
    const double before = CommittedPrivateMegabytes();
    for (int i = 0; i < 10; ++i) {
        hosts.emplace_back("chip " + std::to_string(i));
        chips.push_back(MakeChip(window, hosts.back(), PictureSettings(photo, 0)));
        if (i == 0) rows.push_back({"Committed memory, 1 chip with a 4000x3000", CommittedPrivateMegabytes() - before,
                                    0, 0, "MB"});
    }
    rows.push_back({"  the same, 10 chips (growth against 1 chip)", CommittedPrivateMegabytes() - before,
                    rows.back().median, 1.2, "MB"});
    // Update of a chip whose picture the others hold, against one look at the file.
    Compare("Update, picture held by another chip", 100, [&] { lib.Update(chips[9], window, &hosts[9].info); },
            [&] { LookAtFile(photo.c_str()); }, 3);
    for (HLOCAL chip : chips) lib.UnInitializeChip(chip);
    std::fprintf(stderr, "  measured memory\n");
}

// The same for a picture a plug-in reads: the plug-in folder is looked at
// too, and is part of what the Update must look at.
void PluginPictureRows() {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    const std::string folder = NewFolder("bench-one-plugin");
    CopyFileA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str(), (folder + "\\ifbrimsel.spi").c_str(), FALSE);
    SusieFolder plugins(folder);
    const std::string png = ProgramDirectory() + "spi-data\\quadrants.png";
    HostChip first("first"), second("second");
    HLOCAL holder = MakeChip(window, first, PictureSettings(png, 0));
    HLOCAL chip = MakeChip(window, second, PictureSettings(png, 0));
    auto update = [&] { lib.Update(chip, window, &second.info); };
    Compare("  the same, a PNG, against one look at the file", 100, update, [&] { LookAtFile(png.c_str()); }, 0);
    Compare("  the same against the file and folder looks", 100, update,
            [&] {
                LookAtFile(png.c_str());
                char read[MAX_PATH];
                DWORD size = sizeof(read);
                HKEY key = nullptr;
                if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Takechin\\Susie\\Plug-in", 0, KEY_READ, &key) ==
                    ERROR_SUCCESS) {
                    RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(read), &size);
                    RegCloseKey(key);
                }
                WIN32_FILE_ATTRIBUTE_DATA data;
                GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &data);
            },
            3);
    lib.UnInitializeChip(chip);
    lib.UnInitializeChip(holder);
}

// A 48-megapixel photo fitted into a chip: its first paint at a new size
// against that of a picture of the screen's size, and what it holds.
void HugePhotoRows() {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(320, 240);
    HDC target = GetDC(window);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HostChip screenHost("Time: <time>");
    HLOCAL screenSized =
        MakeChip(window, screenHost, PictureSettings(GradientPicture(screenWidth, screenHeight, 70), 6));
    const std::string huge = GradientPicture(8000, 6000, 80);
    HostChip host("Time: <time>");
    const double before = CommittedPrivateMegabytes();
    HLOCAL chip = MakeChip(window, host, PictureSettings(huge, 6));
    lib.DrawChip(chip, window, target, host.text.c_str());
    rows.push_back({"Committed memory, 1 chip with an 8000x6000", CommittedPrivateMegabytes() - before, 0, 0, "MB"});
    Compare("First paint at a new size, 8000x6000 fitted", 10,
            [&] { PaintAtNewSize(chip, window, target, host.text.c_str()); },
            [&] { PaintAtNewSize(screenSized, window, target, screenHost.text.c_str()); }, 1.5);
    lib.UnInitializeChip(chip);
    lib.UnInitializeChip(screenSized);
    DeleteFileA(huge.c_str());
    ReleaseDC(window, target);
}

// Tiles and the warning pattern on a 1920 x 1080 client.
void TileAndWarningRows() {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(1920, 1080);
    HDC target = GetDC(window);
    HDC full = CreateCompatibleDC(target);
    HBITMAP fullBitmap = CreateCompatibleBitmap(target, 1920, 1080);
    HGDIOBJ old = SelectObject(full, fullBitmap);
    auto blit = [&] { BitBlt(target, 0, 0, 1920, 1080, full, 0, 0, SRCCOPY); };
    // What any paint of this client must do besides drawing: a new
    // off-screen bitmap, every pixel of it written once, one copy out.
    auto offscreen = [&] {
        HDC mem = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(target, 1920, 1080);
        HGDIOBJ kept = SelectObject(mem, bitmap);
        PatBlt(mem, 0, 0, 1920, 1080, WHITENESS);
        BitBlt(target, 0, 0, 1920, 1080, mem, 0, 0, SRCCOPY);
        SelectObject(mem, kept);
        DeleteObject(bitmap);
        DeleteDC(mem);
    };
    Compare("  new off-screen bitmap + one blit", 30, offscreen, blit, 0);
    // Against the off-screen work: one blit alone does not page in a fresh bitmap.
    for (int tile : {1, 4, 16, 64}) {
        const std::string path = GradientPicture(tile, tile, 77);
        HostChip host("");
        HLOCAL chip = MakeChip(window, host, PictureSettings(path, 4));
        Compare("Tiles of " + std::to_string(tile) + " px, 1920x1080", 30,
                [&] { lib.DrawChip(chip, window, target, ""); }, offscreen, 1.2);
        lib.UnInitializeChip(chip);
    }
    HostChip host("");
    HLOCAL chip = MakeChip(window, host, PictureSettings(TempDirectory() + "bench-missing.bmp", 0));
    Compare("Warning pattern, 1920x1080", 30, [&] { lib.DrawChip(chip, window, target, ""); }, offscreen, 2.0);
    lib.UnInitializeChip(chip);
    SelectObject(full, old);
    DeleteObject(fullBitmap);
    DeleteDC(full);
    ReleaseDC(window, target);
}

// Update with a bitmap picture, against loading the file alone. The chip
// switches between two copies of the picture, so that every Update reads
// a file: one it already holds would be kept.
void UpdateRows(std::unique_ptr<SusieFolder> noPlugins) {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    const std::string path = GradientPicture(160, 120, 90);
    const std::string copy = path + ".copy.bmp";
    CopyFileA(path.c_str(), copy.c_str(), FALSE);
    HostChip host("text");
    const ChipSettings settings[2] = {PictureSettings(path, 0), PictureSettings(copy, 0)};
    HLOCAL chip = MakeChip(window, host, settings[0]);
    int flips = 0;
    auto updateAnew = [&](HLOCAL c, HostChip& h, const ChipSettings* pair) {
        h.SetSettings(pair[++flips % 2]);
        lib.Update(c, window, &h.info);
    };
    Compare("Update with a bitmap, no plug-ins", 300,
            [&] { updateAnew(chip, host, settings); },
            [&] {
                DeleteObject(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
            },
            1.5);
    Compare("  plug-in list alone (skipped for bitmaps)", 300, [&] { FreeImagePluginList(BuildImagePluginList()); },
            nullptr, 0);
    // The same with eight plug-ins installed.
    noPlugins.reset();
    const std::string folder = NewFolder("bench-plugins");
    const std::string plugin = ProgramDirectory() + "spi\\ifbrimsel.spi";
    for (int i = 0; i < 8; ++i)
        CopyFileA(plugin.c_str(), (folder + "\\plugin" + std::to_string(i) + ".spi").c_str(), FALSE);
    SusieFolder eight(folder);
    Compare("Update with a bitmap, 8 plug-ins", 100, [&] { updateAnew(chip, host, settings); }, nullptr, 0);
    lib.UnInitializeChip(chip);
    // A picture only a plug-in reads: every Update searches the folder and
    // asks the plug-ins.
    const std::string png = ProgramDirectory() + "spi-data\\quadrants.png";
    const std::string pngCopy = folder + "\\copy.png";
    CopyFileA(png.c_str(), pngCopy.c_str(), FALSE);
    const ChipSettings pngSettings[2] = {PictureSettings(png, 0), PictureSettings(pngCopy, 0)};
    HostChip pngHost("text");
    HLOCAL pngChip = MakeChip(window, pngHost, pngSettings[0]);
    Compare("Update with a PNG, 8 plug-ins", 100, [&] { updateAnew(pngChip, pngHost, pngSettings); }, nullptr, 0);
    lib.UnInitializeChip(pngChip);
    // The same list and question with as many copies of the least plug-in
    // there is: one format row, every file refused.
    const std::string minimal = NewFolder("bench-minimal");
    for (int i = 0; i < 8; ++i)
        CopyFileA((ProgramDirectory() + "plugins\\minimal.spi").c_str(), (minimal + "\\plugin" + std::to_string(i) + ".spi").c_str(),
                  FALSE);
    SusieFolder susie(folder);
    auto listAndAskIn = [&](const std::string& plugins) {
        susie.Set(plugins);
        ListAndAsk(png);
    };
    Compare("Plug-in list, 8 x ifbrimsel.spi + IsSupported", 100, [&] { listAndAskIn(folder); },
            [&] { listAndAskIn(minimal); }, 1.5);
}

// Sizing a 10 KB text with fields, and a timer tick.
void TextRows() {
    const DrawExExports& lib = Library();
    HWND window = MakeWindow(200, 150);
    std::string text = "<date> and <time>\r\n";
    while (text.size() < 10 * 1024) text += "A line of chip text that goes on for a while.\r\n";
    HostChip host(text);
    HLOCAL chip = MakeChip(window, host, PictureSettings("", 0, 10009));
    int32_t size[2];
    Compare("CalcDefaultRect, 10 KB text with fields", 30,
            [&] { lib.CalcDefaultRect(chip, window, size, host.text.c_str()); }, nullptr, 0);
    Compare("DoTimer", 2000, [&] { lib.DoTimer(chip); }, nullptr, 0);
    lib.UnInitializeChip(chip);
}

// Prints the table; true when every target was met.
bool PrintTable() {
    std::printf("\n%-46s %12s %12s %4s %8s %8s  %s\n", "case", "median", "baseline", "", "ratio", "target", "");
    bool allMet = true;
    for (const Row& r : rows) {
        if (r.absolute) {
            const bool met = !r.missed && r.median <= r.target;
            allMet = allMet && met;
            std::printf("%-46s %12.1f %12s %4s %8s %8.1f  %s\n", r.name.c_str(), r.median, "-", r.unit, "-", r.target,
                        met ? "met" : "MISSED");
        } else if (r.baseline > 0) {
            const double ratio = r.median / r.baseline;
            const bool met = !r.missed && (r.target == 0 || ratio <= r.target);
            allMet = allMet && met;
            std::printf("%-46s %12.1f %12.1f %4s %8.2f %8s  %s\n", r.name.c_str(), r.median, r.baseline, r.unit, ratio,
                        r.target > 0 ? (std::to_string(r.target).substr(0, 3)).c_str() : "-",
                        r.target > 0 ? (met ? "met" : "MISSED") : "");
        } else {
            std::printf("%-46s %12.1f %12s %4s %8s %8s\n", r.name.c_str(), r.median, "-", r.unit, "-", "-");
        }
    }
    std::printf("\n%s\n", allMet ? "every target met" : "some targets missed");
    return allMet;
}
}  // namespace

int main() {
    if (GetACP() != 932) std::fprintf(stderr, "warning: ANSI code page is %u, not 932\n", GetACP());
    auto noPlugins = std::make_unique<SusieFolder>(NewFolder("bench-no-plugins"));
    DrawChipRow();
    const std::string photo = GradientPicture(4000, 3000, 50);
    StretchedPhotoRows(photo);
    SharedPhotoRows(photo);
    PluginPictureRows();
    HugePhotoRows();
    TileAndWarningRows();
    UpdateRows(std::move(noPlugins));
    TextRows();
    // Camera photos, made by bench.sh (JPEGs written at run time) and read
    // by our plug-in. Without BENCH_PHOTOS these rows are left out.
    if (const char* photos = std::getenv("BENCH_PHOTOS")) PhotoRows(photos);

    const bool allMet = PrintTable();
    RemoveTempDirectory();
    return allMet ? 0 : 1;
}
