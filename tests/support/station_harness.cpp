#include "tests/support/station_harness.h"

#include "app/startup.h"
#include "platform/engine.h"
#include "record/session_file.h"
#include "setup/catalogue.h"

void StationHarness::Use() {
    UseEngine(&engine);
    UseStation(*station);
}

int StationHarness::Start(const std::string& commandLine) {
    return StartStation(*station, nullptr, commandLine.c_str());
}

void StartCalibratedStation(Station& zan, const char* resource) {
    ResetStation(zan);
    zan.setup.mainPanel = LoadPanel(0, resource, MAIN);
    zan.setup.warmupPanel = LoadPanel(0, resource, WARMUP);
    SetupParameters& setup = zan.setup.setup;
    setup.rightForceOffset = setup.leftForceOffset = 1000.0f;
    setup.rightAuxOffset = setup.leftAuxOffset = 1000.0f;
    setup.rightForceGain = setup.leftForceGain = 0.5f;
    setup.rightRatioScale = setup.leftRatioScale = 1.0f;
    setup.correctionReference = 55.0f;
    setup.crankLength = 172.5f;
    setup.displayFilter = 1;
    setup.recordInterval = 1;
    zan.setup.wheelCircumference = 2096.0f;
    GiveWorkingDefaults(zan);
    zan.link.handshakeFrames = 100;
}

void SaveRowNow(Station& zan) {
    zan.record.now = ReadClock();
    SaveDat(zan.record, zan.measure, zan.setup, zan.link);
}
