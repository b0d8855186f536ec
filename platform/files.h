#pragma once
// Files, as the station calls them: real files in every engine.

#include <cstddef>

// File modes of CVI_OpenFile.
constexpr int VAL_READ_WRITE = 0;
constexpr int VAL_READ_ONLY = 1;
constexpr int VAL_WRITE_ONLY = 2;
constexpr int VAL_TRUNCATE = 0;
constexpr int VAL_ASCII = 1;

// Handles are small positive numbers; -1 on failure.
int CVI_OpenFile(const char* path, int mode, int action, int fileType);
// Closes the file; negative if anything written could not be stored.
int CVI_CloseFile(int handle);
// Reads the next line; keeps at most maxChars characters of it, skips the rest of the line.
// Returns the characters kept, -2 at the end of the file, -1 on a bad handle.
int ReadLine(int handle, char* buffer, int maxChars);
// Writes the text and a line end; returns the characters written, -1 on failure.
int WriteLine(int handle, const char* text, int length);
// Bytes free for the station on the disk that holds path; -1 when it cannot be told.
long long FreeDiskBytes(const char* path);
// Writes the bytes as they are, all or none of them; 0 on success, -1 on failure.
int WriteBytes(int handle, const void* bytes, std::size_t size);
// Flushes the file and has the system store it on disk; 0 on success.
int SyncFile(int handle);
// True while path names the file open under handle; false once that file was deleted or moved
// away, or another file took its name.
bool FileIsAt(int handle, const char* path);
// Writes all that the file open for reading and writing under source holds, from its start, to
// the file open under target; source then writes on at its end. 0 on success.
int CopyOpenFile(int source, int target);
bool FileExists(const char* path);
// Whether anything has this name, a link to nothing included.
bool NameTaken(const char* path);
// When path is a symbolic link, the file it leads to in the end (links followed, each relative to
// its own folder) into target: 1. 0 when path is no link; -1 when the chain cannot be followed or
// its end does not fit in size.
int LinkTarget(const char* path, char* target, std::size_t size);
// Whether both name regular files of the same bytes.
bool SameFileBytes(const char* first, const char* second);
int MakeDir(const char* name);
int GetDir(char* buffer, std::size_t size);
// Replaces target by source in one step; 0 on success.
int RenameFile(const char* source, const char* target);
// Copies a regular file's bytes over target; 0 on success, -1 for anything else it names.
int CopyRegularFile(const char* source, const char* target);

// What reading a small text file whole came to.
enum class SmallFileRead { Read, Missing, Folder, NotAFile, CannotRead };
// Reads at most capacity bytes of a small text file (the rest is left unread) into buffer, with
// their number in size. Only a regular file is opened: a folder, a device or a pipe is refused
// at once, so no read ever waits or runs on without end.
SmallFileRead ReadSmallFile(const char* path, char* buffer, std::size_t capacity,
                            std::size_t* size);
int RemoveFile(const char* path);
