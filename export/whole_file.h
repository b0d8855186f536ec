#pragma once
// An export file is written whole or not at all: the bytes go to a new file beside it, which
// replaces the old one only once every byte is written, so a full disk or a crash leaves the last
// complete file (or none), never half of one.

#include <cstddef>
#include <string>

// False with the reason in error; the new file is then removed.
bool WriteWholeFile(const std::string& path, const char* bytes, std::size_t size,
                    std::string& error);
