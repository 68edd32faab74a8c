// Run mode's saving of its store: every change is written at once through
// ReplaceFileContents, a failed save is said once per reason and tried again
// at the next change, a read-only store is never written, and at the end the
// run knows whether anything it meant to write is missing from the store.
// Also the store's settling at start: a whole save left over by an earlier
// run, and a damaged store.
#pragma once
#include <string>
#include "chip_store.h"

// A line on the console for the user of run mode, after "chiphost: ".
void Say(const std::string& line);

class StoreSaving {
public:
    explicit StoreSaving(const std::string& storePath) : storePath_(storePath) {}
    // Writes `text` as the store; false when it was not written (problem() says why).
    bool Save(const std::string& text);
    // A read-only store: nothing is written; reason is told wherever saves are.
    void Refuse(const std::string& reason) { refusal_ = reason; }
    // Why changes are not saved now; empty while they are.
    const std::string& problem() const { return refusal_.empty() ? saveProblem_ : refusal_; }
    // What the store holds at start, as far as its chips go: written by the
    // first save, or as read when that failed.
    void MarkStart(const std::string& text) { savedText_ = text; }
    // Empty when the run ended with its changes saved; else what was lost.
    std::string EndProblem() const;

private:
    std::string storePath_;
    std::string refusal_;      // non-empty: the store is not to be written
    std::string saveProblem_;  // why the last save failed; empty after a good one
    std::string savedText_;    // what the store holds, as far as its chips go
    std::string endText_;      // what the last save meant to write
};

// Takes a whole save that an earlier run left in "TARGET.new", when asked to
// (recover); otherwise says so and stops (false, *error says why). Stale ones
// are left for the next save to replace.
bool SettleLeftOverSave(const std::string& storePath, const std::string& target, bool recover, std::string* error);

// Reads the store for a run, a damaged one backed up and read as far as it
// goes when recover is set; false, with *error saying why, when the store
// cannot be used as it is. A missing store is an empty one.
bool LoadStoreForRun(const std::string& storePath, bool recover, ChipStore* store, std::string* error);
