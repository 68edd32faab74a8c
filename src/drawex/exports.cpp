// The DrawEx interface: nineteen cdecl exports, named in res/Brimsel.def. Each
// per-chip export locks the chip for the call and hands the work to one
// internal function; a handle that cannot be locked gives the neutral result.
#include <windows.h>
#include <cstring>
#include <type_traits>
#include "drawex/exports.h"
#include "drawex/chip_update.h"
#include "win/host_records.h"
#include "chip/placement.h"
#include "chip/saved_settings.h"
#include "render/chip_painting.h"
#include "render/chip_sizing.h"
#include "render/scaled_picture.h"
#include "text/date_time_fields.h"
#include "ui/chip_fonts.h"
#include "ui/chip_menu.h"
#include "ui/dialogs.h"

// Hosts call through the table in host_records.h: each export must have the
// type its slot there gives it.
#define CHECK_EXPORT(name) \
    static_assert(std::is_same_v<decltype(&name), decltype(DrawExExports::name)>, #name " as the table has it")
CHECK_EXPORT(DrawExSpecification); CHECK_EXPORT(DrawExConfigure); CHECK_EXPORT(DrawExAbout);
CHECK_EXPORT(InitializeChip); CHECK_EXPORT(UnInitializeChip); CHECK_EXPORT(CalcDefaultRect);
CHECK_EXPORT(DrawChip); CHECK_EXPORT(MouseClik); CHECK_EXPORT(Resize); CHECK_EXPORT(Zoom);
CHECK_EXPORT(Update); CHECK_EXPORT(ExchangeSendString); CHECK_EXPORT(GetMemoString);
CHECK_EXPORT(EditHelper); CHECK_EXPORT(GetDrawExMenu); CHECK_EXPORT(DoDrawExMenu);
CHECK_EXPORT(GetSaveData); CHECK_EXPORT(GetTimerSpan); CHECK_EXPORT(DoTimer);
#undef CHECK_EXPORT

extern "C" {

int DrawExSpecification(void* hostRecord) {
    auto* record = static_cast<PluginSpec*>(hostRecord);
    if (!record) return 0;
    static const char kDisplayName[] = "Plug-in 画像と文字";
    static_assert(sizeof(kDisplayName) == 19, "display name is 19 bytes with its terminator");
    record->firstValue = 256;
    record->secondValue = 256;
    std::memcpy(record->displayName, kDisplayName, sizeof(kDisplayName));
    record->thirdValue = 111;
    record->fourthValue = 2;
    record->fifthValue = 220;
    return 0;
}

int DrawExConfigure(HWND owner) {
    ShowConfigureNotice(owner);
    return 0;
}

int DrawExAbout(HWND owner) {
    ShowAboutDialog(owner);
    return 0;
}

int InitializeChip(HLOCAL* chip, HWND window, ChipInfo* info) {
    if (!chip) return 0;  // a chip nobody could reach would only leak
    HLOCAL handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(ChipState));
    *chip = handle;
    Update(handle, window, info);
    // The settings dialog is given no chip; it finds the chip through its
    // window. Marked once: a chip keeps its window, and a mark costs a round
    // to the window system that every Update would pay.
    if (handle) LinkChipWindow(handle, window);
    return 0;
}

int UnInitializeChip(HLOCAL chip) {
    if (!chip) return 0;
    UnlinkChipWindows(chip);
    // Declared first, so the block is freed after it is unlocked.
    const LocalMemory record(chip);
    ChipLock lock(chip);
    if (lock) ReleaseChipPicture(lock.get());
    return 0;
}

int CalcDefaultRect(HLOCAL chip, HWND window, int32_t* size, const char* text) {
    ChipLock lock(chip);
    if (!lock || !size) return 1;
    CalcChipDefaultSize(lock.get(), window, text ? text : "", &size[0], &size[1]);
    return 0;
}

int DrawChip(HLOCAL chip, HWND window, HDC dc, const char* text) {
    ChipLock lock(chip);
    if (!lock) return 1;
    TakePictureForPaint(lock.get(), window);
    PaintChip(lock.get(), window, dc, text ? text : "");
    return 1;
}

int MouseClik() { return 1; }

int Resize(HLOCAL chip, HWND window) {
    ChipLock lock(chip);
    if (!lock) return 1;
    return ResizeChip(lock.get(), window);
}

int Zoom(HLOCAL chip, int32_t, int32_t state) {
    if (state != 0) return 0;
    ChipLock lock(chip);
    if (!lock) return 0;
    ReleaseChipPicture(lock.get());
    return 0;
}

int Update(HLOCAL chip, HWND window, ChipInfo* info) {
    ChipLock lock(chip);
    if (!lock || !info) return 0;
    return RefreshChip(lock.get(), window, info);
}

int ExchangeSendString() { return 0; }

int GetMemoString(int32_t, char* buffer, int32_t size) {
    if (buffer && size >= 1) buffer[0] = '\0';
    return 0;
}

INT_PTR EditHelper(HWND owner, EditRequest* request) {
    return RunSettingsDialog(owner, request);
}

HMENU GetDrawExMenu(HLOCAL chip) {
    ChipLock lock(chip);
    if (!lock) return nullptr;
    return BuildChipMenu(lock.get());
}

int DoDrawExMenu(HLOCAL chip, HWND window, uint32_t command) {
    ChipLock lock(chip);
    if (!lock) return 0;
    const int32_t placement = lock->placement;
    const int result = RunChipMenuCommand(lock.get(), window, command);
    // The drawn copy holds what the old placement showed; one that cannot be
    // made anew is dropped, to be taken again at the next paint.
    if (lock->picture && lock->placement != placement && !RefitChipPicture(lock.get(), window, nullptr, true))
        ReleaseChipPicture(lock.get());
    return result;
}

int GetSaveData(HLOCAL chip, int32_t, HGLOBAL* block) {
    ChipLock lock(chip);
    if (lock && block) WriteSaveData(lock.get(), block);
    return 1;
}

int GetTimerSpan(HLOCAL chip) {
    ChipLock lock(chip);
    return lock ? lock->timerSpan : -1;
}

int DoTimer(HLOCAL chip) {
    ChipLock lock(chip);
    if (!lock) return 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    return CheckChipTimer(lock.get(), now);
}

}  // extern "C"
