#pragma once
// A TCX file checked as training tools check it: xmllint against Garmin's TrainingCenterDatabase
// v2 schema (put into the build folder by scripts/tcx-schema.sh) and the activity extension v2
// (tests/export/tcx_check), both at once.

#include <filesystem>

// Fails the calling test (ADD_FAILURE) with xmllint's words when the file is not valid.
void ExpectValidTcx(const std::filesystem::path& file);
