#include "text_dialog.h"
#include <vector>
#include "host_resources.h"

namespace {
INT_PTR CALLBACK TextDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemTextA(dialog, kTextDialogEdit, reinterpret_cast<std::string*>(lParam)->c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* text = reinterpret_cast<std::string*>(GetWindowLongPtrA(dialog, DWLP_USER));
            HWND edit = GetDlgItem(dialog, kTextDialogEdit);
            std::vector<char> buffer(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
            GetWindowTextA(edit, buffer.data(), static_cast<int>(buffer.size()));
            *text = buffer.data();
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
}  // namespace

bool EditChipText(HWND owner, std::string* text) {
    std::string working = *text;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTextDialog), owner, TextDialogProc,
                        reinterpret_cast<LPARAM>(&working)) != IDOK)
        return false;
    *text = working;
    return true;
}
