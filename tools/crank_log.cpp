#include "tools/crank_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>

namespace {

const std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();
bool logQuiet = false;

void WriteLine(const char* kind, const char* format, std::va_list arguments) {
    std::fprintf(stderr, "zan_crank [%9.3f] %s", CrankSeconds(), kind);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

double CrankSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
}

void SetCrankLogQuiet(bool quiet) {
    logQuiet = quiet;
}

void CrankLog(const char* format, ...) {
    if (logQuiet) return;
    std::va_list arguments;
    va_start(arguments, format);
    WriteLine("", format, arguments);
    va_end(arguments);
}

void CrankError(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    WriteLine("error: ", format, arguments);
    va_end(arguments);
}
