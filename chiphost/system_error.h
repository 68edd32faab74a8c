// System error codes as the words the system has for them.
#pragma once
#include <windows.h>
#include <string>

// "the system's message (error N)", UTF-8; "error N" when the system has no text.
std::string SystemErrorText(DWORD code);
// SystemErrorText(GetLastError()).
std::string LastErrorText();
