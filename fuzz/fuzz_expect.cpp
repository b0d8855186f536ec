#include "fuzz/fuzz_expect.h"

#include <cstdio>
#include <cstdlib>

void FuzzFailure(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: expected %s: %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}
