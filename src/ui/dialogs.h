#pragma once
#include <windows.h>
#include "chip/host_records.h"

enum { kAboutDialogId = 101, kSettingsDialogId = 103 };

// Module handle of the library; the dialogs' resource module.
extern HINSTANCE moduleInstance;

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the about dialog modally; its result is ignored.
void ShowAboutDialog(HWND owner);
// Shows the notice that the library has no settings of its own.
void ShowConfigureNotice(HWND owner);
// Runs the settings dialog on the request; returns DialogBoxParamA's result.
INT_PTR RunSettingsDialog(HWND owner, EditRequest* request);
