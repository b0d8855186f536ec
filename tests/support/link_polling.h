#pragma once
// Polling the frame reader in real time, for the end-to-end tests on pseudo-terminals.

#include <functional>

// Calls the frame reader as the link timer does, every 20 ms, until the condition holds or the
// given real time has passed. False when it never held.
bool ReadUntil(const std::function<bool()>& condition, double seconds);
