#pragma once
// The multi-turn file: 1000 consecutive frames captured from a window end.

// Writes the completed capture into the session's folder; without an open session the capture
// is dropped.
void Save10();
