#include "app/station.h"

#include <memory>

Station zan;

void ResetStation() {
    // The record is large: rebuild it in place instead of copying a zeroed temporary.
    std::destroy_at(&zan);
    std::construct_at(&zan);
}
