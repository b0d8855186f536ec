#pragma once
// Saving a small file so that a crash or a full disk never leaves half of it: the lines go to a
// new file beside it, which replaces the old one only once it is complete.

struct SafeFile {
    char finalPath[512];
    char tempPath[520];
    int handle;
    bool failed;
};

// Opens the new file for the given path; returns its handle, or -1 (the failure is kept).
int OpenSafeFile(SafeFile* file, const char* path);
// Writes one line; a failure is kept and reported at close.
void WriteSafeLine(SafeFile* file, const char* text);
// Why a save failed, in words for the rider: the file could not be saved and the previous one is
// kept.
struct SaveProblem {
    char text[1300];
};

// Closes the new file and puts it in place of the old one, which is kept as "<path>.bak".
// Returns 0; or -1 with the problem told.
int CloseSafeFile(SafeFile* file, SaveProblem* problem);
