// The store of run mode: one [chip] section per desktop chip, holding what
// the host keeps for it between runs.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct StoredChip {
    int line = 0;                   // of its [chip] header when read
    std::string text;               // code page 932
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 224);
    LOGFONTA font{};
    bool hasPosition = false;
    int x = 0, y = 0;               // window position on the screen
    bool hasSize = false;
    int width = 0, height = 0;      // outer window size
    std::vector<uint8_t> saved;     // SavedChipData as GetSaveData gave it; empty: none
};

struct ChipStore {
    std::vector<StoredChip> chips;
};

enum class StoreLoad { kLoaded, kMissing, kUnreadable, kNewer, kDamaged };

// Reads the store at path (UTF-8); an empty file is a store without chips. kDamaged:
// *error lists every problem with its line, and store->chips holds every chip
// whose text could be read, a bad value replaced by its default (with
// recovering, each message says what became of it). kNewer: a later version
// of the store, not read.
StoreLoad LoadChipStore(const std::string& path, bool recovering, ChipStore* store, std::string* error);
// The store's text, as LoadChipStore reads it. It ends with a comment line
// that marks it as whole.
std::string WriteChipStoreText(const ChipStore& store);
// True when text ends as WriteChipStoreText ends every store: not cut short.
bool IsWholeStoreText(const std::string& text);
// A chip for an empty store.
StoredChip NewStoredChip();
