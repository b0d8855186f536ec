#include "platform/bounded_text.h"

#include <cstdarg>
#include <cstdio>

int FormatTextList(char* buffer, std::size_t size, const char* format, std::va_list arguments) {
    if (buffer == nullptr || size == 0) return -1;
    const int length = std::vsnprintf(buffer, size, format, arguments);
    if (length < 0) buffer[0] = '\0';
    return length;
}

int FormatText(char* buffer, std::size_t size, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int length = FormatTextList(buffer, size, format, arguments);
    va_end(arguments);
    return length;
}
