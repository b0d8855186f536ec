#pragma once
// The program's state is made of parts, one per subsystem, each owned and changed by its own
// folder. The program attaches its parts to the engine it runs on, and a routine finds a part by
// its type: PartOf<LinkState>() in link/, ViewOf<SetupState>() to read the setup from anywhere.

#include "platform/engine.h"

#include <cassert>

template <class Part> struct ProgramPartKey {
    // One key per part type: its address, not its value, tells the parts apart.
    static constexpr char key = 0;
};

template <class Part> void AttachPart(Part& part) {
    AttachProgramPart(&ProgramPartKey<Part>::key, &part);
}

// The part to change: its owner's folder alone calls this.
template <class Part> Part& PartOf() {
    void* part = ProgramPart(&ProgramPartKey<Part>::key);
    assert(part != nullptr && "a program part used before it was attached");
    return *static_cast<Part*>(part);
}

// The part to read, for everyone.
template <class Part> const Part& ViewOf() {
    return PartOf<Part>();
}
