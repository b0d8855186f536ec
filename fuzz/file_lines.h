#pragma once
// The lines of a station text file as the station reads them, worked out independently of its
// reader: lines end at '\n', carriage returns are dropped wherever they are, and only the first
// 10 characters of a line count.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> CountedLines(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t counted = 10;
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < size; ++i) {
        open = true;
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
        } else if (c != '\r' && line.size() < counted) {
            line.push_back(c);
        }
    }
    // A last line without its '\n' still counts.
    if (open) lines.push_back(line);
    return lines;
}
