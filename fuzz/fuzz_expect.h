#pragma once
// A checked expectation for the fuzz targets.

#include <string>

// A broken expectation is a finding: say what broke and abort, so libFuzzer keeps the input and
// the corpus replay fails.
#define FUZZ_EXPECT(condition, detail)                                                             \
    do {                                                                                           \
        if (!(condition)) FuzzFailure(__FILE__, __LINE__, #condition, (detail));                   \
    } while (false)

[[noreturn]] void FuzzFailure(const char* file, int line, const char* condition,
                              const std::string& detail);
