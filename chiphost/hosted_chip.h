// One chip as chiphost holds it: the records handed to the library, the text
// that Update last received, and the handle the library gave back.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "drawex_library.h"
#include "win/host_records.h"
#include "win/kernel_guards.h"

// The window style CalcDefaultRect's sizes are meant for.
constexpr DWORD kChipStyle = WS_POPUP | WS_VISIBLE | WS_BORDER;
constexpr DWORD kChipExStyle = WS_EX_TOOLWINDOW;
// Run mode's chips can also be resized with the mouse and minimised; the
// system menu gives them the window manager's usual commands.
constexpr DWORD kRunChipStyle = kChipStyle | WS_THICKFRAME | WS_MINIMIZEBOX | WS_SYSMENU;

struct HostedChip {
    std::string text;                  // code page 932
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    LOGFONTA font{};
    std::vector<uint8_t> saved;        // SavedChipData: size tag, settings; at least 416 bytes
    ChipInfo info{};                   // points into text and saved
    HLOCAL handle = nullptr;           // from InitializeChip until UnInitializeChip
    HWND window = nullptr;             // not owned
    GlobalMemory saveBlock{nullptr};   // the block GetSaveData re-allocates

    HostedChip();
    HostedChip(const HostedChip&) = delete;
    HostedChip& operator=(const HostedChip&) = delete;
};

// Replaces the stored settings with size tag and the first size bytes of block.
void SetSavedBytes(HostedChip* chip, uint32_t tag, const void* block, size_t size);
void SetSavedSettings(HostedChip* chip, const ChipSettings& settings);
uint32_t SavedTag(const HostedChip& chip);
ChipSettings SavedSettings(const HostedChip& chip);

// InitializeChip for chip's window; the library reads text, colours, font and
// saved settings at once.
void StartChip(const DrawExLibrary& library, HostedChip* chip, HWND window);
// Update after a change of text, colours, font or settings; returns its result.
int UpdateChip(const DrawExLibrary& library, HostedChip* chip);
// UnInitializeChip; the handle is dropped.
void EndChip(const DrawExLibrary& library, HostedChip* chip);
// GetSaveData into chip->saveBlock, copied into chip->saved. False when the
// library gave no 416-byte block with size tag 408.
bool FetchSaveData(const DrawExLibrary& library, HostedChip* chip);

// CalcDefaultRect: the chip's default outer window size, for a window of style
// (the library's sizes are meant for kChipStyle). The window's present size
// when the library gives none.
SIZE DefaultOuterSize(const DrawExLibrary& library, HostedChip* chip, DWORD style = kChipStyle);
// Outer size of a chip window of style (kChipStyle by default) with the given
// client size.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style = kChipStyle);
// An outer size meant for kChipStyle, for a window of style with the same client.
SIZE OuterSizeForStyle(SIZE outer, DWORD style);
