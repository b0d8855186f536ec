#include "station/session.h"

#include "measure/power.h"
#include "record/raw_stream_file.h"

void StampStationSession(StationCore& zan, const ClockReading& now) {
    zan.record.now = now;
    StampSession(zan.record);
    OfferRecordFolder(zan.record);
}

SessionStart OpenStationSession(StationCore& zan, const char* chosen, const ClockReading& now) {
    RecordState& record = zan.record;
    record.now = now;
    // A session kept in memory has no folder.
    if (record.sessionText == nullptr) TakeRecordFolder(record, chosen);
    const bool replaying = zan.core.replaying;
    if (StartSession(record, zan.setup, !replaying) == SessionStart::Refused)
        return SessionStart::Refused;
    // A session kept in memory has no folder for a raw stream to go beside.
    if (!replaying && record.sessionText == nullptr) StartRawStream(record, zan.setup, zan.link);
    RestartEnergy(zan.measure);
    return SessionStart::Started;
}

ClosedSession CloseStationSession(StationCore& zan, const ClockReading& now) {
    zan.record.now = now;
    ClosedSession closed{};
    closed.sessionFile = StopSession(zan.record, zan.measure, zan.setup);
    closed.rawStream = StopRawStream(zan.record);
    return closed;
}

void WriteRideFiles(const StationCore& zan, ClosedSession& closed) {
    const int serial =
        zan.link.crankIdentified != 0 ? zan.link.deviceSerial : zan.setup.setup.serialNumber;
    std::string reason;
    closed.rideFiles =
        ExportRide(zan.record.sessionPath, static_cast<unsigned>(serial > 0 ? serial : 0),
                   &zan.record.kept, RideZone{}, reason, &closed.files);
    if (!closed.rideFiles) closed.rideFilesFailure = "FIT and TCX files not written: " + reason;
}
