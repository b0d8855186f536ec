#pragma once
// What a control is; the resource gives each control its kind, and the engines treat the value
// of each kind the same way.

enum class ControlKind {
    Numeric,    // single-precision number, shown or entered
    NumericInt, // integer number, shown or entered
    Selector,   // ring of small codes 0, 1, 2, ...
    Switch,     // two-state switch, 0 or 1
    Led,        // lamp, 0 or 1
    Command,    // command button
    TextMessage,
    TextBox,
    Graph,
    Decoration,
    Timer,
};

// The kind's name, as the panel resource writes it ("numeric", "led", ...).
const char* ControlKindName(ControlKind kind);

// The program's own words for a control of its resource, for screen readers: the label the
// rider reads (with its unit) and the name the code uses. False for a control it does not name.
bool DescribeControl(int panel, int control, const char** label, const char** name);
