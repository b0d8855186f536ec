#pragma once
// The callback table of the GUI tests: every callback the resource names records its calls.

#include <functional>
#include <string>
#include <vector>

struct RecordedCall {
    std::string name;
    int panel;
    int control;
    int event;
};

// Calls in order since the last ClearRecordedCalls.
std::vector<RecordedCall>& RecordedCalls();
void ClearRecordedCalls();
// How many calls of the named callback were recorded.
int CallsOf(const std::string& name);
// Runs after each recorded call, so a test can act inside a callback.
extern std::function<void(const RecordedCall&)> afterCall;
