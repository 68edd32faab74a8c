// Placeholder until the dialogs land.
#include "ui/dialogs.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return 1;
    if (message == WM_COMMAND && wParam == IDCANCEL) { EndDialog(dialog, 2); return 1; }
    return 0;
}
INT_PTR RunSettingsDialog(HWND owner, EditRequest* request) {
    return DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(kSettingsDialogId), owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(request));
}
