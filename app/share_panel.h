#pragma once
// The panel's sharing with training apps: the switch, kept across runs in the sharing file, and
// the line that says what is shared, where and with how many apps.

#include "app/station.h"

// At start: the switch from the sharing file, or on for this run (zan_pc --share-power), and
// sharing started when it is on. A sharing file that could not be read is told and kept.
void StartSharingAtStart(Station& zan);
// The line under the switch (each display tick).
void ShowSharing(const Station& zan);
