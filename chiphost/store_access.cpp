#include "store_access.h"
#include "chip_store.h"
#include "ini_file.h"
#include "safe_file.h"
#include "system_error.h"
#include "text_codec.h"

namespace {
// The longest companion a run needs: ".lock" (".new" is shorter).
constexpr size_t kCompanionLength = 5;
}  // namespace

std::string StorePathProblem(const std::string& storePath, const std::string& target) {
    const size_t length = Utf8ToWide(target).size();
    if (length + kCompanionLength < MAX_PATH) return std::string();
    return "the store " + storePath + " cannot be used: its full path (" + target + ") is " +
           std::to_string(length) + " characters long, and the files saved beside it (" + target + ".new, " +
           target + ".lock) would need " + std::to_string(length + kCompanionLength) + ", more than the " +
           std::to_string(MAX_PATH - 1) + " the system takes; move the store to a shorter path";
}

StoreLock::Result StoreLock::Take(const std::string& target, std::string* why) {
    // Shared with no one: a second opener is refused by the system itself.
    file_.Reset(CreateFileW(Utf8ToWide(target + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file_) return kTaken;
    const DWORD code = GetLastError();
    *why = SystemErrorText(code);
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ? kInUse : kUnavailable;
}

LeftOverSave FindLeftOverSave(const std::string& target) {
    const std::string temp = target + ".new";
    if (!PathExists(temp)) return LeftOverSave::kNone;
    IniFile file;
    std::string text;
    FileHandle h(CreateFileW(Utf8ToWide(temp).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return LeftOverSave::kStale;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    h.Close();
    // Whole: it ends as every store written here ends, and reads without a mistake.
    ParseIniText(temp, text, &file);
    if (!IsWholeStoreText(text) || !file.problems.empty()) return LeftOverSave::kStale;
    if (PathExists(target) && FileWriteTime(temp) <= FileWriteTime(target)) return LeftOverSave::kStale;
    return LeftOverSave::kNewer;
}
