#pragma once
// Formatting into the station's fixed text buffers. Text that does not fit is cut at the buffer's
// end, never written past it.

#include <cstdarg>
#include <cstddef>

#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
int FormatText(char* buffer, std::size_t size, const char* format, ...);
// The same with the arguments already taken.
int FormatTextList(char* buffer, std::size_t size, const char* format, std::va_list arguments);
