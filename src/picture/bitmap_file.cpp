#include "picture/bitmap_file.h"
#include "win/plugin_call_guard.h"

HBITMAP LoadBitmapFile(const char* path, BitmapFileHead* head) {
    BitmapFileHead own{};
    if (!head) head = &own;
    head->size = 0;
    uint64_t fileSize = 0;
    if (!ReadBitmapHead(path, head->bytes, &head->size, &fileSize) ||
        !BitmapHeadersFit(head->bytes, head->size, fileSize))
        return nullptr;
    // The file may change between the check and the load; a fault in the
    // system's loader then costs the picture, not the host.
    const uint32_t arguments[] = {0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(path)), IMAGE_BITMAP, 0, 0,
                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE};
    int result = 0;
    if (!CallGuardedWords(reinterpret_cast<const void*>(&LoadImageA), arguments, 6, &result)) return nullptr;
    return reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(static_cast<uint32_t>(result)));
}
