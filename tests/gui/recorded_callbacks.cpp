#include "tests/gui/recorded_callbacks.h"

#include "platform/engine.h"

#include <algorithm>
#include <cstring>

std::function<void(const RecordedCall&)> afterCall;

std::vector<RecordedCall>& RecordedCalls() {
    static std::vector<RecordedCall> calls;
    return calls;
}

void ClearRecordedCalls() {
    RecordedCalls().clear();
}

int CallsOf(const std::string& name) {
    const auto& calls = RecordedCalls();
    return static_cast<int>(std::count_if(
        calls.begin(), calls.end(), [&name](const RecordedCall& c) { return c.name == name; }));
}

namespace {
template <const char* Name> int Record(int panel, int control, int event, void*, int, int) {
    RecordedCalls().push_back({Name, panel, control, event});
    if (afterCall) afterCall(RecordedCalls().back());
    return 0;
}

// Every callback name the panel resource uses.
// clang-format off
#define ZAN_CALLBACKS(X)                                                                           \
    X(TIMER) X(DISPLAY) X(FINE) X(HOLD) X(CLR) X(RTEXT) X(PRINT) X(ONLINE) X(SRCH) X(CADI) X(DEBU) \
    X(SERIAL) X(LOAD) X(SAVS) X(DEF) X(DEFM) X(DEFX) X(ZERO) X(RESET) X(SKIP) X(PWD) X(OFT)       \
    X(SAVE) X(SAVET) X(SAVE10) X(CALM) X(REVIEW)
// clang-format on

#define ZAN_NAME(name) constexpr char name##Name[] = #name;
ZAN_CALLBACKS(ZAN_NAME)

struct NamedCallback {
    const char* name;
    CtrlCallbackPtr callback;
};

#define ZAN_ENTRY(name) {#name, Record<name##Name>},
const NamedCallback table[] = {ZAN_CALLBACKS(ZAN_ENTRY)};
} // namespace

CtrlCallbackPtr FindCallback(const char* name) {
    if (name == nullptr) return nullptr;
    for (const NamedCallback& entry : table)
        if (std::strcmp(entry.name, name) == 0) return entry.callback;
    return nullptr;
}
