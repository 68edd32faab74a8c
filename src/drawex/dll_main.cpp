#include <windows.h>
#include "ui/module_instance.h"

// Keeps the module handle: the dialogs' templates live in this module.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
    return TRUE;
}
