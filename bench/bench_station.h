#pragma once
// What the benchmarks share: the station past its start-up, calibrated for the emulator's default
// crank (1000 counts at rest, 0.5 N a count), its panels loaded on the engine in use, and a
// pedalling stream to feed it.

#include "app/startup.h"
#include "app/station.h"
#include "platform/engine.h"
#include "protocol/frame.h"
#include "setup/catalogue.h"
#include "tests/support/session_command.h"
#include "tests/support/station_harness.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// 90 rpm at 50 frames a second: a revolution every 33 frames.
constexpr int benchFramesPerRevolution = 33;

// The benchmarks' station, one for the whole program, made on first use.
inline Station& BenchStation() {
    static const auto station = std::make_unique<Station>();
    return *station;
}

// The benchmarks read and set their station by the station's own name.
inline Station& zan = BenchStation();

// Attaches the benchmarks' station, back at zero, to the engine in use and starts it.
inline void StartBenchStation(const char* resource) {
    UseStation(BenchStation());
    StartCalibratedStation(zan, resource);
}

// Frames as the crank sends them: both pedals pushing on their downstroke, the revolution marker
// on every 33rd frame.
inline std::vector<unsigned char> PedallingStream(int frames) {
    std::vector<unsigned char> stream;
    for (int frame = 0; frame < frames; ++frame) {
        const double angle =
            2.0 * 3.14159265 * (frame % benchFramesPerRevolution) / benchFramesPerRevolution;
        const int right = 1000 + static_cast<int>(300.0 * std::max(0.0, std::sin(angle)));
        const int left = 1000 + static_cast<int>(300.0 * std::max(0.0, -std::sin(angle)));
        const int marker = frame % benchFramesPerRevolution == 0 ? revolutionMarker : 0;
        const CrankFrame words{right, 1000 + (right - 1000) / 3,
                               left,  1000 + (left - 1000) / 3,
                               0,     marker | 1333,
                               500,   240,
                               154};
        unsigned char bytes[frameLength];
        LayOutFrame(words, bytes);
        stream.insert(stream.end(), bytes, bytes + frameLength);
    }
    return stream;
}
