#include "app/station.h"

#include "platform/engine.h"

#include <cassert>
#include <memory>

void AttachStation(Station& station) {
    CurrentEngine().programState = &station;
}

Station& CurrentStation() {
    void* station = ProgramState();
    assert(station != nullptr);
    return *static_cast<Station*>(station);
}

void ResetStation() {
    // The record is large: rebuild it in place instead of copying a zeroed temporary.
    Station& station = CurrentStation();
    std::destroy_at(&station);
    std::construct_at(&station);
}
