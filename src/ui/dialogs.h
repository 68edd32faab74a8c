#pragma once
#include <windows.h>
#include "win/host_records.h"
#include "ui/resource_ids.h"
#include "ui/module_instance.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the about dialog modally; its result is ignored.
void ShowAboutDialog(HWND owner);
// Shows the notice that the library has no settings of its own.
void ShowConfigureNotice(HWND owner);
// Runs the settings dialog on the request; returns DialogBoxParamA's result.
INT_PTR RunSettingsDialog(HWND owner, EditRequest* request);
