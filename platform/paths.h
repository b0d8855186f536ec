#pragma once
// File names are joined with the platform's own separator.

#ifdef _WIN32
constexpr char pathSeparator = '\\';
#else
constexpr char pathSeparator = '/';
#endif
