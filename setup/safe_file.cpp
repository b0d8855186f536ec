#include "setup/safe_file.h"

#include "platform/files.h"

#include <cstdio>
#include <cstring>

int OpenSafeFile(SafeFile* file, const char* path) {
    *file = SafeFile{};
    const std::size_t length = std::strlen(path);
    if (length == 0 || length >= sizeof file->finalPath) {
        file->failed = true;
        file->handle = -1;
        return -1;
    }
    std::memcpy(file->finalPath, path, length + 1);
    std::snprintf(file->tempPath, sizeof file->tempPath, "%s.new", path);
    file->handle = CVI_OpenFile(file->tempPath, VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    file->failed = file->handle <= 0;
    return file->handle;
}

void WriteSafeLine(SafeFile* file, const char* text) {
    if (file->failed) return;
    const int length = static_cast<int>(std::strlen(text));
    if (WriteLine(file->handle, text, length) != length) file->failed = true;
}

namespace {
// The file about to be replaced stays beside it as "<path>.bak", the one before the last save.
// It is copied whole under another name first, so a crash never leaves half a copy either.
bool KeepPreviousFile(const char* path) {
    if (!FileExists(path)) return true;
    char backup[528];
    char backupTemp[536];
    std::snprintf(backup, sizeof backup, "%s.bak", path);
    std::snprintf(backupTemp, sizeof backupTemp, "%s.new", backup);
    if (CopyRegularFile(path, backupTemp) == 0 && RenameFile(backupTemp, backup) == 0) return true;
    RemoveFile(backupTemp);
    return false;
}
} // namespace

int CloseSafeFile(SafeFile* file, SaveProblem* problem) {
    // On disk before it takes the old file's place: after a power cut the calibration is the old
    // one or the new one, never an empty file.
    if (file->handle > 0 && !file->failed && SyncFile(file->handle) != 0) file->failed = true;
    if (file->handle > 0 && CVI_CloseFile(file->handle) < 0) file->failed = true;
    file->handle = -1;
    const bool kept = file->failed || KeepPreviousFile(file->finalPath);
    if (!kept) file->failed = true;
    if (!file->failed && RenameFile(file->tempPath, file->finalPath) != 0) file->failed = true;
    if (!file->failed) return 0;
    if (file->tempPath[0] != '\0') RemoveFile(file->tempPath);
    const char* name = file->finalPath[0] != '\0' ? file->finalPath : "(no name)";
    if (!kept)
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved: no copy of it could be kept as \"%s.bak\".\n"
                      "The previous file is kept unchanged.",
                      name, name);
    else
        std::snprintf(problem->text, sizeof problem->text,
                      "\"%s\" could not be saved (folder not writable or disk full).\n"
                      "The previous file is kept unchanged.",
                      name);
    return -1;
}
