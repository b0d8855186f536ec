#pragma once
// How the station reads a line of its small text files, from a file or from memory alike: a line
// ends at '\n' or at the end of the text, carriage returns are dropped wherever they are, and only
// the first maxChars characters count; the rest of a long line is skipped, so it never spills
// into the next value.

#include <cstddef>
#include <cstring>

// nextChar() gives the next character as an unsigned char value, or a negative value at the end.
// The line goes into buffer (maxChars + 1 characters); the result is its length, or -2 when the
// text had already ended.
template <typename NextChar> int ReadLineFrom(NextChar&& nextChar, char* buffer, int maxChars) {
    int kept = 0;
    int c = nextChar();
    if (c < 0) {
        buffer[0] = '\0';
        return -2;
    }
    while (c >= 0 && c != '\n') {
        if (c != '\r' && kept < maxChars) buffer[kept++] = static_cast<char>(c);
        c = nextChar();
    }
    buffer[kept] = '\0';
    return kept;
}

// A text held in memory, read line by line as from a file.
struct TextCursor {
    const char* at;
    const char* end;

    int operator()() {
        if (at == end) return -1;
        return static_cast<unsigned char>(*at++);
    }
};

// The same on a text in memory, a line at a time: the line's end is found by memchr, and only
// the characters that count are looked at one by one.
inline int ReadLineFrom(TextCursor& cursor, char* buffer, int maxChars) {
    if (cursor.at == cursor.end) {
        buffer[0] = '\0';
        return -2;
    }
    const auto left = static_cast<std::size_t>(cursor.end - cursor.at);
    const char* lineEnd = static_cast<const char*>(std::memchr(cursor.at, '\n', left));
    if (lineEnd == nullptr) lineEnd = cursor.end;
    int kept = 0;
    for (const char* c = cursor.at; c < lineEnd && kept < maxChars; ++c)
        if (*c != '\r') buffer[kept++] = *c;
    buffer[kept] = '\0';
    cursor.at = lineEnd == cursor.end ? cursor.end : lineEnd + 1;
    return kept;
}

// A file of one value a line: its first `count` lines go to setLine(index, text) as
// readLine(buffer, maxChars) gives them, until the file has no more lines.
template <int maxChars, typename ReadLineInto, typename SetLine>
void ReadValueLines(int count, ReadLineInto&& readLine, SetLine&& setLine) {
    char text[maxChars + 1];
    for (int line = 0; line < count; ++line) {
        if (readLine(text, maxChars) < 0) return;
        setLine(line, static_cast<const char*>(text));
    }
}

// The same from a file's bytes held in memory. The UTF-8 byte-order mark an editor may put at the
// start is no part of the first value.
template <int maxChars, typename SetLine>
void ReadValueText(int count, const char* bytes, std::size_t size, SetLine&& setLine) {
    TextCursor cursor{bytes, bytes + size};
    if (size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) cursor.at += 3;
    ReadValueLines<maxChars>(
        count, [&cursor](char* text, int chars) { return ReadLineFrom(cursor, text, chars); },
        setLine);
}
