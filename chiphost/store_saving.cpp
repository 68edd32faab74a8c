#include "store_saving.h"
#include <cstdio>
#include <windows.h>
#include "safe_file.h"
#include "store_access.h"
#include "system_error.h"
#include "text_codec.h"

void Say(const std::string& line) {
    std::fprintf(stderr, "chiphost: %s\n", line.c_str());
    std::fflush(stderr);
}

bool StoreSaving::Save(const std::string& text) {
    endText_ = text;
    if (!refusal_.empty()) return false;
    std::string error;
    if (ReplaceFileContents(storePath_, endText_.data(), endText_.size(), &error)) {
        if (!saveProblem_.empty()) Say("the store " + storePath_ + " is saved again; every change is saved at once");
        saveProblem_.clear();
        savedText_ = endText_;
        return true;
    }
    // Said once for each new reason, not at every change.
    if (error != saveProblem_)
        Say("cannot save the store " + storePath_ + ": " + error +
            ". Changes are not being saved; each change tries again.");
    saveProblem_ = error;
    return false;
}

std::string StoreSaving::EndProblem() const {
    // Saves that failed lost nothing when the store already holds what they meant to write.
    if (problem().empty() || endText_ == savedText_) return std::string();
    return refusal_.empty() ? "the last changes were not saved: " + saveProblem_
                            : refusal_ + ": the changes made in this run were not saved";
}

bool SettleLeftOverSave(const std::string& storePath, const std::string& target, bool recover, std::string* error) {
    const std::string temp = target + ".new";
    switch (FindLeftOverSave(target)) {
    case LeftOverSave::kNone: return true;
    case LeftOverSave::kStale:
        Say(temp + " was left by an earlier run, cut short or older than the store; the next save replaces it");
        return true;
    case LeftOverSave::kNewer: break;
    }
    if (!recover) {
        *error = temp + " is a whole store saved after " + storePath +
                 " by a run that ended before it could replace the store; both were left untouched. Start with "
                 "--recover to take " + temp + " (the store it replaces is kept as " + target +
                 ".old), or delete it to go on with " + storePath;
        return false;
    }
    std::string backup;
    if (PathExists(target) && (backup = BackUpFile(target, ".old")).empty()) {
        *error = "cannot keep a copy of " + storePath + " before taking " + temp + ": " + LastErrorText() +
                 "; both were left untouched";
        return false;
    }
    if (!MoveFileExW(Utf8ToWide(temp).c_str(), Utf8ToWide(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = "cannot take " + temp + ": " + LastErrorText() + "; both files were left as they were";
        return false;
    }
    Say("took " + temp + ", a whole store saved after the store" +
        (backup.empty() ? std::string() : "; the store it replaced is kept as " + backup));
    return true;
}

bool LoadStoreForRun(const std::string& storePath, bool recover, ChipStore* store, std::string* error) {
    switch (LoadChipStore(storePath, recover, store, error)) {
    case StoreLoad::kLoaded: break;
    case StoreLoad::kMissing: break;
    case StoreLoad::kUnreadable: return false;
    case StoreLoad::kNewer: return false;
    case StoreLoad::kDamaged: {
        if (!recover) {
            *error += "the store is damaged and was left untouched; start with --recover to back it up and go on "
                      "with what it still holds";
            return false;
        }
        const std::string backup = BackUpFile(storePath);
        if (backup.empty()) {
            *error += "cannot back up the damaged store " + storePath + "; it was left untouched";
            return false;
        }
        std::fprintf(stderr, "chiphost: %schiphost: damaged store backed up to %s\n", error->c_str(), backup.c_str());
        break;
    }
    }
    error->clear();
    return true;
}
