#include "setup/safe_file.h"

#include "platform/clock.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {
// The date and time in a dated backup's name: "YYYY-MM-DD_hh-mm-ss", no ':' (Windows refuses
// it), then "_02" to "_99" for more changes within the same second.
constexpr const char* datedPattern = "0000-00-00_00-00-00";
constexpr std::size_t datedLength = 19;
constexpr std::size_t countLength = 3;
constexpr const char* backupEnd = ".bak";
constexpr int mostChangesASecond = 99;

bool MatchesDate(const char* text, std::size_t length) {
    if (length != datedLength && length != datedLength + countLength) return false;
    for (std::size_t i = 0; i < datedLength; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (datedPattern[i] == '0' ? !digit : text[i] != datedPattern[i]) return false;
    }
    if (length == datedLength) return true;
    const char* count = text + datedLength;
    return count[0] == '_' && count[1] >= '0' && count[1] <= '9' && count[2] >= '0' &&
           count[2] <= '9';
}

std::filesystem::path FolderOf(const char* path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The dated backups of path, oldest first: their names sort by time.
std::vector<std::filesystem::path> DatedBackups(const char* path) {
    std::vector<std::filesystem::path> found;
    const std::string fileName = std::filesystem::path(path).filename().string();
    std::error_code error;
    for (std::filesystem::directory_iterator entry(FolderOf(path), error), end;
         !error && entry != end; entry.increment(error)) {
        if (IsDatedBackupOf(entry->path().filename().string().c_str(), fileName.c_str()))
            found.push_back(entry->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Copies the file whole under another name first, so a crash never leaves half a copy either.
bool CopyWhole(const char* source, const std::string& target) {
    const std::string temp = target + ".new";
    if (CopyRegularFile(source, temp.c_str()) == 0 && RenameFile(temp.c_str(), target.c_str()) == 0)
        return true;
    RemoveFile(temp.c_str());
    return false;
}

// A dated copy of path, unless the newest one holds the same bytes already; then the oldest go
// beyond the number kept.
bool KeepDatedCopy(const char* path) {
    std::vector<std::filesystem::path> backups = DatedBackups(path);
    if (!backups.empty() && SameFileBytes(backups.back().string().c_str(), path)) return true;
    double now = 0.0;
    GetCurrentDateTime(&now);
    char stamp[32];
    if (FormatDateTimeString(now, "%Y-%m-%d_%H-%M-%S", stamp, sizeof stamp) != 0) return false;
    // Numbered after every backup of the same second, the oldest of them pruned already or not,
    // so the new one sorts last.
    const std::string stamped = std::string(path) + "." + stamp;
    const std::string stampedName = std::filesystem::path(stamped).filename().string();
    int highest = 0;
    for (const std::filesystem::path& backup : backups) {
        const std::string name = backup.filename().string();
        if (name.compare(0, stampedName.size(), stampedName) != 0) continue;
        const char* number = name.c_str() + stampedName.size();
        highest = std::max(highest, number[0] == '_' ? std::atoi(number + 1) : 1);
    }
    std::string name;
    for (int count = highest + 1;; ++count) {
        if (count > mostChangesASecond) return false;
        char suffix[8] = "";
        if (count > 1) std::snprintf(suffix, sizeof suffix, "_%02d", count);
        name = stamped + suffix + backupEnd;
        if (!NameTaken(name.c_str())) break;
    }
    if (!CopyWhole(path, name)) return false;
    backups = DatedBackups(path);
    const std::size_t kept = static_cast<std::size_t>(keptDatedBackups);
    for (std::size_t i = 0; i + kept < backups.size(); ++i) {
        std::error_code error;
        std::filesystem::remove(backups[i], error);
    }
    return true;
}

// The file about to be replaced is kept: dated, among the last calibrations, and as
// "<path>.bak", the one before the last change.
bool KeepPreviousFile(const char* path) {
    if (!FileExists(path)) return true;
    return KeepDatedCopy(path) && CopyWhole(path, std::string(path) + backupEnd);
}
} // namespace

bool IsDatedBackupOf(const char* name, const char* fileName) {
    const std::size_t nameLength = std::strlen(name);
    const std::size_t fileLength = std::strlen(fileName);
    const std::size_t endLength = std::strlen(backupEnd);
    if (nameLength < fileLength + 1 + endLength) return false;
    if (std::strncmp(name, fileName, fileLength) != 0 || name[fileLength] != '.') return false;
    if (std::strcmp(name + nameLength - endLength, backupEnd) != 0) return false;
    return MatchesDate(name + fileLength + 1, nameLength - fileLength - 1 - endLength);
}

int OpenSafeFile(SafeFile* file, const char* path) {
    *file = SafeFile{};
    file->failed = true;
    file->handle = -1;
    const std::size_t length = std::strlen(path);
    if (length == 0 || length >= sizeof file->finalPath) return -1;
    std::memcpy(file->finalPath, path, length + 1);
    // A link is written through: the new file is made beside its target and replaces the target.
    const int link = LinkTarget(path, file->targetPath, sizeof file->targetPath);
    file->throughLink = link != 0;
    if (link < 0) return -1;
    if (link == 0) std::memcpy(file->targetPath, path, length + 1);
    std::snprintf(file->tempPath, sizeof file->tempPath, "%s.new", file->targetPath);
    file->handle = CVI_OpenFile(file->tempPath, VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    file->failed = file->handle <= 0;
    return file->handle;
}

void WriteSafeLine(SafeFile* file, const char* text) {
    if (file->failed) return;
    const int length = static_cast<int>(std::strlen(text));
    if (WriteLine(file->handle, text, length) != length) file->failed = true;
}

int CloseSafeFile(SafeFile* file, SaveProblem* problem) {
    // On disk before it takes the old file's place: after a power cut the calibration is the old
    // one or the new one, never an empty file.
    if (file->handle > 0 && !file->failed && SyncFile(file->handle) != 0) file->failed = true;
    if (file->handle > 0 && CVI_CloseFile(file->handle) < 0) file->failed = true;
    file->handle = -1;
    // The same bytes again (a quit after a save) change nothing: the backups keep the files
    // before the last change.
    if (!file->failed && SameFileBytes(file->tempPath, file->finalPath)) {
        RemoveFile(file->tempPath);
        return 0;
    }
    const bool kept = file->failed || KeepPreviousFile(file->finalPath);
    if (!kept) file->failed = true;
    if (!file->failed && RenameFile(file->tempPath, file->targetPath) != 0) file->failed = true;
    if (!file->failed) return 0;
    if (file->tempPath[0] != '\0') RemoveFile(file->tempPath);
    const char* name = file->finalPath[0] != '\0' ? file->finalPath : "(no name)";
    if (!kept)
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved: no copy of it could be kept as \"%s.bak\".\n"
                      "The previous file is kept unchanged.",
                      name, name);
    else if (file->throughLink && file->targetPath[0] != '\0')
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved: it is a link to \"%s\", which cannot be "
                      "written (folder missing or not writable, or disk full).\n"
                      "The link and the previous file are kept unchanged.",
                      name, file->targetPath);
    else if (file->throughLink)
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved: it is a link that cannot be followed.\n"
                      "The link is kept unchanged.",
                      name);
    else
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved (folder not writable or disk full).\n"
                      "The previous file is kept unchanged.",
                      name);
    return -1;
}
