#include "fuzz/fuzz_station.h"

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "protocol/frame.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace {
// One folder for the whole process, removed when it ends normally; a crashed run leaves it for
// a look at the files the input produced.
struct ProcessFolder {
    std::filesystem::path path;

    ProcessFolder() {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            path = base / ("zan_fuzz_" + std::to_string(random()));
            if (std::filesystem::create_directory(path)) break;
        }
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::filesystem::path& Folder() {
    static ProcessFolder folder;
    return folder.path;
}

std::string Where(const HeadlessPanel& panel, int control) {
    const CatalogueEntry* entry = FindCatalogueEntry(panel.number, control);
    return entry != nullptr ? entry->name : "control " + std::to_string(control);
}
} // namespace

FuzzFolder::FuzzFolder() : previous(std::filesystem::current_path().string()) {
    std::filesystem::current_path(Folder());
}

FuzzFolder::~FuzzFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
}

void FuzzFolder::Write(const char* name, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void FuzzFolder::Remove(const char* name) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

FuzzStation::FuzzStation(const char* commandLine) {
    Use();
    engine.Device("COM1");
    started = Start(commandLine);
    FUZZ_EXPECT(started == 0, "the station did not start");
}

FuzzStation::~FuzzStation() {
    UseEngine(nullptr);
}

void SendFromCrank(HeadlessEngine& engine, const std::vector<std::uint8_t>& bytes) {
    auto& input = engine.Device("COM1").input;
    input.insert(input.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> PedallingFrames(int frames) {
    constexpr int framesPerTurn = 50;
    // 60 rpm: 1000 ms a turn, counted in half-milliseconds.
    constexpr int crankPeriod = 2000;
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < frames; ++i) {
        const double angle = 2.0 * 3.14159265 * (i % framesPerTurn) / framesPerTurn;
        const int right = 1000 + static_cast<int>(400.0 * std::max(0.0, std::sin(angle)));
        const int left = 1000 + static_cast<int>(400.0 * std::max(0.0, -std::sin(angle)));
        const CrankFrame frame{right, 1000 + (right - 1000) / 2,
                               left,  1000 + (left - 1000) / 2,
                               1345,  crankPeriod | (i % framesPerTurn == 0 ? revolutionMarker : 0),
                               420,   240,
                               154};
        unsigned char bytes[frameLength];
        EncodeFrame(frame, bytes);
        stream.insert(stream.end(), bytes, bytes + frameLength);
    }
    return stream;
}

void DisplayTick() {
    Station& zan = EngineStation();
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
}

void ExpectReadoutsFinite(HeadlessEngine& engine) {
    Station& zan = EngineStation();
    for (const int handle : {zan.setup.mainPanel, zan.setup.warmupPanel}) {
        if (handle <= 0) continue;
        const HeadlessPanel& panel = engine.Panel(handle);
        for (const auto& [number, control] : panel.controls) {
            // A read-out with nothing to show is blank (no value): the battery while the crank
            // is lost.
            const bool blank = handle == zan.setup.mainPanel && number == MAIN_BATTERY &&
                               zan.measure.crankLost && std::isnan(control.value);
            FUZZ_EXPECT(blank || std::isfinite(control.value),
                        Where(panel, number) + " shows " + std::to_string(control.value));
            for (const auto& [attribute, value] : control.doubleAttributes)
                FUZZ_EXPECT(std::isfinite(value), Where(panel, number) + " has attribute " +
                                                      std::to_string(attribute) + " at " +
                                                      std::to_string(value));
        }
    }
}

void ExpectPanelsFinite(HeadlessEngine& engine) {
    Station& zan = EngineStation();
    ExpectReadoutsFinite(engine);
    for (const int handle : {zan.setup.mainPanel, zan.setup.warmupPanel}) {
        if (handle <= 0) continue;
        const HeadlessPanel& panel = engine.Panel(handle);
        for (const auto& [number, control] : panel.controls) {
            for (std::size_t plot = 0; plot < control.plots.size(); ++plot) {
                const std::vector<float>& samples = control.plots[plot].samples;
                // The time plot's histories mark a lost link with a point of no value, where
                // the line breaks; nothing else has one.
                const bool history = !control.plots[plot].polar && !control.plots[plot].x.empty();
                for (std::size_t i = 0; i < samples.size(); ++i)
                    FUZZ_EXPECT(std::isfinite(samples[i]) || (history && std::isnan(samples[i])),
                                Where(panel, number) + " plot " + std::to_string(plot) +
                                    " sample " + std::to_string(i) + " of " +
                                    std::to_string(samples.size()) + " is " +
                                    std::to_string(samples[i]));
            }
        }
    }
}
