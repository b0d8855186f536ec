#pragma once
// The lines of a station text file as the station reads them, worked out independently of its
// reader: a UTF-8 byte-order mark at the start is skipped, lines end at '\n', carriage returns
// are dropped wherever they are, and only the first 10 characters of a line count.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

constexpr std::size_t countedChars = 10;

// The first maxLines lines of text with no byte-order mark before them.
inline std::size_t CountedLinesOf(const std::uint8_t* data, std::size_t size,
                                  char (*lines)[countedChars + 1], std::size_t maxLines) {
    std::size_t found = 0;
    const std::uint8_t* at = data;
    const std::uint8_t* end = data + size;
    // A last line without its '\n' still counts.
    while (at < end && found < maxLines) {
        const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        const std::uint8_t* lineEnd =
            newline != nullptr ? static_cast<const std::uint8_t*>(newline) : end;
        std::size_t length = 0;
        for (const std::uint8_t* c = at; c < lineEnd && length < countedChars; ++c)
            if (*c != '\r') lines[found][length++] = static_cast<char>(*c);
        lines[found++][length] = '\0';
        at = lineEnd == end ? end : lineEnd + 1;
    }
    return found;
}

// The first maxLines lines into lines (each countedChars + 1 long); the number of lines found.
// Only the file's start may carry the byte-order mark: one further on is text of its line.
inline std::size_t FirstCountedLines(const std::uint8_t* data, std::size_t size,
                                     char (*lines)[countedChars + 1], std::size_t maxLines) {
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
    }
    return CountedLinesOf(data, size, lines, maxLines);
}

inline std::vector<std::string> CountedLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> all;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
    }
    char line[1][countedChars + 1];
    // Line by line: each pass takes the first line of what is left.
    for (std::size_t at = 0; at < size;) {
        const std::uint8_t* end =
            static_cast<const std::uint8_t*>(std::memchr(data + at, '\n', size - at));
        const std::size_t next = end != nullptr ? static_cast<std::size_t>(end - data) + 1 : size;
        CountedLinesOf(data + at, next - at, line, 1);
        all.emplace_back(line[0]);
        at = next;
    }
    return all;
}
