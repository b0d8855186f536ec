#pragma once
// The files a rider names (a session file, a raw stream) are read only when they are regular
// files: a folder cannot be read, a device such as /dev/zero never ends and a pipe may never
// give a byte, so each is refused at once instead of failing, filling the memory or waiting.

#include <string>

enum class FileKind { Regular, Missing, Folder, Other };
FileKind KindOfFile(const std::string& path);
// Why a file of that kind is not read, as the rest of a sentence naming it ("is a folder"); empty
// for a regular file.
const char* NotReadBecause(FileKind kind);
