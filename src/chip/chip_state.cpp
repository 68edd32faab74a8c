#include "chip/chip_state.h"
#include <cstdlib>
#include <cstring>

char* CopyText(const char* text, size_t length, size_t minimumSize) {
    const size_t size = length + 1 > minimumSize ? length + 1 : minimumSize;
    auto* copy = static_cast<char*>(std::calloc(size, 1));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

void CopyBoundedText(char* dest, const char* source, size_t size) {
    if (size == 0) return;
    size_t n = 0;
    while (n + 1 < size && source[n]) {
        dest[n] = source[n];
        ++n;
    }
    dest[n] = '\0';
}
