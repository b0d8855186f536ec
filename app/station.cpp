#include "app/station.h"

#include "platform/program_part.h"

#include <memory>

void AttachStation(Station& station) {
    AttachPart<Station>(station);
    AttachPart<AppState>(station);
    AttachPart<LinkState>(station);
    AttachPart<MeasureState>(station);
    AttachPart<SetupState>(station);
    AttachPart<RecordState>(station);
}

Station& CurrentStation() {
    return PartOf<Station>();
}

const Station& StationView() {
    return ViewOf<Station>();
}

void ResetStation() {
    // The record is large: rebuild it in place instead of copying a zeroed temporary.
    Station& station = CurrentStation();
    std::destroy_at(&station);
    std::construct_at(&station);
}
