#pragma once
// The emulator's command line.

#include "tools/crank_model.h"

#include <cstdio>
#include <string>

struct CrankOptions {
    int port = 5;
    double rate = 50.0;
    double cadence = 90.0;
    double rightForce = 300.0;
    double leftForce = 300.0;
    double peakedness = 1.0;
    double offset = 1000.0;
    double gain = 0.5;
    double auxRatio = 0.4;
    double speed = 30.0;
    double wheelMm = 2096.0;
    double heartRate = 120.0;
    double battery = 80.0;
    int serial = 123;
    int version = 4;
    double drop = 0.0;
    double corrupt = 0.0;
    double answerDelay = 0.0;
    // Negative: never (silentFor: for good).
    double silentAfter = -1.0;
    double silentFor = -1.0;
    double dropLinkAfter = -1.0;
    double disconnectAfter = -1.0;
    unsigned long long seed = 1;
    // A standing crank with masses on its pedals in turn.
    StaticLoads staticLoads{};
    // Where the totals go at exit, for a test to compare with what the station received.
    std::string totalsPath;
    bool quiet = false;
    bool help = false;
};

// Reads "--name value" or "--name=value" options. False, with the reason in error, for an unknown
// option, a missing or malformed value or one out of range.
bool ParseCrankOptions(int argc, char** argv, CrankOptions& options, std::string& error);
void PrintCrankHelp(std::FILE* out);
