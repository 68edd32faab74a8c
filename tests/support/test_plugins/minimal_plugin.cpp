// The least an import plug-in can be: one format row, every file refused. The
// benchmark measures our own plug-in's load and answers against it.
#include <windows.h>

extern "C" {

int WINAPI GetPluginInfo(int number, LPSTR buffer, int size) {
    static const char* const texts[] = {"00IN", "Minimal import plug-in", "*.min", "Minimal picture"};
    if (number < 0 || number > 3 || size <= 0) return 0;
    const char* text = texts[number];
    int n = 0;
    for (; text[n] && n < size - 1; ++n) buffer[n] = text[n];
    buffer[n] = '\0';
    return n;
}

int WINAPI IsSupported(LPCSTR, DWORD) { return 0; }

int WINAPI GetPicture(LPCSTR, LONG, unsigned, HANDLE*, HANDLE*, FARPROC, LONG) { return 2; }

}  // extern "C"
