// The DrawEx exports, cdecl with undecorated names. InitializeChip runs Update;
// no other export calls another.
#pragma once
#include <windows.h>
#include <cstdint>
#include "win/host_records.h"

extern "C" {
int DrawExSpecification(void* record);
int DrawExConfigure(HWND owner);
int DrawExAbout(HWND owner);
int InitializeChip(HLOCAL* chip, HWND window, ChipInfo* info);
int UnInitializeChip(HLOCAL chip);
int CalcDefaultRect(HLOCAL chip, HWND window, int32_t* size, const char* text);
int DrawChip(HLOCAL chip, HWND window, HDC dc, const char* text);
int MouseClik();
int Resize(HLOCAL chip, HWND window);
int Zoom(HLOCAL chip, int32_t unused, int32_t state);
int Update(HLOCAL chip, HWND window, ChipInfo* info);
int ExchangeSendString();
int GetMemoString(int32_t unused, char* buffer, int32_t size);
INT_PTR EditHelper(HWND owner, EditRequest* request);
HMENU GetDrawExMenu(HLOCAL chip);
int DoDrawExMenu(HLOCAL chip, HWND window, uint32_t command);
int GetSaveData(HLOCAL chip, int32_t unused, HGLOBAL* block);
int GetTimerSpan(HLOCAL chip);
int DoTimer(HLOCAL chip);
}
