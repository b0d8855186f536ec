#include "app/station.h"

#include "platform/engine.h"

#include <cassert>
#include <memory>

void UseStation(Station& station) {
    CurrentEngine().program = &station;
}

Station& EngineStation() {
    void* program = CurrentEngine().program;
    assert(program != nullptr && "a callback ran before its station was handed to the engine");
    return *static_cast<Station*>(program);
}

void ResetStation(Station& station) {
    // The record is large: rebuild it in place instead of copying a zeroed temporary.
    std::destroy_at(&station);
    std::construct_at(&station);
}
