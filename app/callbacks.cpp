#include "app/callbacks.h"

#include "platform/engine.h"

#include <cstring>

namespace {
struct NamedCallback {
    const char* name;
    CtrlCallbackPtr callback;
};

const NamedCallback callbackTable[] = {
    {"TIMER", TIMER},   {"DISPLAY", DISPLAY}, {"FINE", FINE},     {"HOLD", HOLD},
    {"CLR", CLR},       {"RTEXT", RTEXT},     {"PRINT", PRINT},   {"ONLINE", ONLINE},
    {"SRCH", SRCH},     {"CADI", CADI},       {"DEBU", DEBU},     {"SERIAL", SERIAL},
    {"LOAD", LOAD},     {"SAVS", SAVS},       {"DEF", DEF},       {"DEFM", DEFM},
    {"DEFX", DEFX},     {"ZERO", ZERO},       {"RESET", RESET},   {"SKIP", SKIP},
    {"PWD", PWD},       {"OFT", OFT},         {"SAVE", SESSION},  {"SAVET", SAVET},
    {"SAVE10", SAVE10}, {"CALM", CALM},       {"REVIEW", REVIEW}, {"SHARE", SHARE},
};
} // namespace

CtrlCallbackPtr FindCallback(const char* name) {
    if (name == nullptr) return nullptr;
    for (const NamedCallback& entry : callbackTable)
        if (std::strcmp(entry.name, name) == 0) return entry.callback;
    return nullptr;
}
