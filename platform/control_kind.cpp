#include "platform/control_kind.h"

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Numeric:
        return "numeric";
    case ControlKind::NumericInt:
        return "numeric_int";
    case ControlKind::Selector:
        return "selector";
    case ControlKind::Switch:
        return "switch";
    case ControlKind::Led:
        return "led";
    case ControlKind::Command:
        return "command";
    case ControlKind::TextMessage:
        return "text";
    case ControlKind::TextBox:
        return "textbox";
    case ControlKind::Graph:
        return "graph";
    case ControlKind::Decoration:
        return "decoration";
    case ControlKind::Timer:
        return "timer";
    }
    return "unknown";
}
