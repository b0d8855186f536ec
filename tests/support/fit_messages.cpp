#include "tests/support/fit_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#ifndef ZAN_FIT_CHECK_DIR
#define ZAN_FIT_CHECK_DIR "tests/export/fit_check"
#endif

FitMessages DecodeFitFile(const std::filesystem::path& file) {
    FitMessages messages;
    const std::filesystem::path check = ZAN_FIT_CHECK_DIR;
    if (!std::filesystem::exists(check / "node_modules" / "@garmin" / "fitsdk")) {
        ADD_FAILURE() << "Garmin's FIT SDK is missing: run npm ci --prefix tests/export/fit_check";
        return messages;
    }
    const std::string command =
        "node \"" + (check / "check.mjs").string() + "\" \"" + file.string() + "\" 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "node could not be started";
        return messages;
    }
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    if (pclose(pipe) != 0) {
        ADD_FAILURE() << "node (nodejs) could not read the file:\n" << output;
        return messages;
    }
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, index, field;
        double value = 0;
        words >> kind >> index;
        if (kind == "isFIT" || kind == "integrity") {
            EXPECT_EQ(index, "true") << kind;
        } else if (kind.ends_with("Mesgs") && words >> field >> value) {
            auto& list = messages[kind];
            const std::size_t at = std::stoul(index);
            list.resize(std::max(list.size(), at + 1));
            list[at][field] = value;
        } else {
            ADD_FAILURE() << "the decoder said: " << line;
        }
    }
    return messages;
}
