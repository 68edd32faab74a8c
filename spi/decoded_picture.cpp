#include "decoded_picture.h"
#include "picture/susie_interface.h"

int DecodedPicture::Allocate(uint64_t w, uint64_t h) {
    if (!WithinBudget(w, h)) return kSpiOutOfMemory;
    pixels = static_cast<uint32_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<size_t>(w * h * 4)));
    if (!pixels) return kSpiOutOfMemory;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return kSpiSuccess;
}
