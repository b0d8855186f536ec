#pragma once
// The crank emulator's own model and firmware playing a crank on a headless serial device, on the
// engine's virtual clock: frames arrive at their rate as virtual time passes, and the crank hears
// every byte the station sends (identity requests, keep-alive, quit, service bytes).

#include "protocol/frame.h"
#include "protocol/identity.h"
#include "tests/support/headless_engine.h"
#include "tools/crank_model.h"

#include <random>

struct EmulatedCrankSettings {
    double cadence = 90.0;
    double rightPeak = 300.0;
    double leftPeak = 300.0;
    // 1: an even sine on the downstroke; more: a rider's short high peak (sin^peakedness).
    double peakedness = 1.0;
    double framesPerSecond = 50.0;
    double speed = 30.0;
    double wheelMm = 2096.0;
    double heartRate = 120.0;
    double battery = 80.0;
    int serial = 123;
    int version = 4;
    // The emulator's default scales: 1000 counts at zero force, 0.5 N per count, 0.4 auxiliary
    // counts per newton.
    FrameScales scales{1000.0, 0.5, 0.4};
    // Faults of the link, as shares of the bytes: dropped, or replaced by a random byte.
    double dropShare = 0.0;
    double corruptShare = 0.0;
    // A burst of this many bytes lost at every multiple of burstEvery seconds of the crank's own
    // time (0: none), as a crank that loses its signal at one pedal angle gives.
    double burstEvery = 0.0;
    int burstBytes = 0;
    unsigned long long seed = 1;
};

struct EmulatedCrank {
    EmulatedCrankSettings settings;
    CrankFirmware firmware{};
    long long framesSent = 0;
    std::size_t bytesHeard = 0;
    double startTime = 0.0;
    std::mt19937_64 random;
};

// Makes the named device play the crank from the engine's current virtual time on. The crank
// lives as long as the engine's device.
EmulatedCrank& PlayEmulatedCrank(HeadlessEngine& engine, const char* deviceName,
                                 const EmulatedCrankSettings& settings);
// The setup file lines that match the crank's scales (offsets, gains, ratio scales, geometry).
const char* MatchingSetupFile();
