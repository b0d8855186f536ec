#pragma once
// The access levels: the code the rider enters decides which controls are shown, dimmed or
// enabled; from the service level up the single-side selector drives the measurement.

// The values a start works with: no access code, both pedals measured.
void GiveAccessDefaults();
// The single side chosen on the panel becomes the one measured.
void TakePanelSingleSide();
