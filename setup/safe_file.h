#pragma once
// Saving a small file so that a crash or a full disk never leaves half of it: the lines go to a
// new file beside it, which replaces the old one only once it is complete.

#include <cstddef>

struct SafeFile {
    // The name the file is saved under.
    char finalPath[512];
    // Where its bytes go: the same name, or the file a symbolic link of that name leads to. The
    // link stays a link.
    char targetPath[1024];
    char tempPath[1032];
    int handle;
    bool failed;
    bool throughLink;
};

// Every change keeps the file it replaces as "<path>.bak" and as
// "<path>.YYYY-MM-DD_hh-mm-ss.bak", named by the local date and time of the change, so the names
// sort by time; the newest this many dated ones are kept.
constexpr int keptDatedBackups = 10;

// Opens the new file for the given path; returns its handle, or -1 (the failure is kept).
int OpenSafeFile(SafeFile* file, const char* path);
// Writes one line; a failure is kept and reported at close.
void WriteSafeLine(SafeFile* file, const char* text);
// Why a save failed, in words for the rider: the file could not be saved and the previous one is
// kept.
struct SaveProblem {
    char text[1800];
};

// Closes the new file and puts it in place of the old one, which is kept as the backups say.
// A file that already holds the same bytes is left as it is, and so are its backups. Returns 0;
// or -1 with the problem told.
int CloseSafeFile(SafeFile* file, SaveProblem* problem);
// Whether name is one of the dated backups of the file called fileName (names without folder).
bool IsDatedBackupOf(const char* name, const char* fileName);
