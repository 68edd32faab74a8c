// The about dialog (DrawExAbout) and the configuration notice (DrawExConfigure).
// Neither needs a chip; both are modal and leave nothing behind.
#include "ui/dialogs.h"

// OK, Enter, Esc and the close box all arrive as IDOK or IDCANCEL and end the
// dialog alike. Returns 0 throughout: the dialog manager keeps its defaults.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) EndDialog(dialog, 1);
    return 0;
}

void ShowAboutDialog(HWND owner) {
    DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

void ShowConfigureNotice(HWND owner) {
    MessageBoxA(owner, "設定項目は有りません", "Brimsel", MB_OK | MB_ICONINFORMATION);
}
