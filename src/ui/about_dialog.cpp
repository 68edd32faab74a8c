// Placeholder until the dialogs land.
#include "ui/dialogs.h"

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) EndDialog(dialog, 1);
    return 0;
}
void ShowAboutDialog(HWND owner) {
    DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(kAboutDialogId), owner, AboutDialogProc, 0);
}
void ShowConfigureNotice(HWND owner) {
    MessageBoxA(owner, "設定項目は有りません", "Brimsel", MB_OK | MB_ICONINFORMATION);
}
