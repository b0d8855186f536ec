#pragma once
// A session file converted into the files other tools read, written beside it under its name:
// FILE.csv gives FILE.fit and FILE.tcx.

#include "measure/measure_state.h"

#include <string>
#include <vector>

// serialNumber is the crank's, 0 when unknown. metrics holds each row's pedalling metrics when
// the session was recorded here; a past session read back from its file has none (nullptr).
// False, with a one-line reason, when the file is no session file or a file could not be
// written; nothing is written then.
bool ExportRide(const std::string& sessionPath, unsigned serialNumber,
                const std::vector<PedalMetrics>* metrics, std::string& error);
