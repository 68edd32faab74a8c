// The library's own module: the resource module of its dialogs.
#pragma once
#include <windows.h>

// Set by the entry point when the library is loaded; null in a program that
// links the library's code statically.
extern HINSTANCE moduleInstance;
