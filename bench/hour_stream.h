#pragma once
// A raw stream of the emulator's pedal strokes, written into a folder of its own, for the
// benchmarks of the replay and of the review.
#include "protocol/frame.h"
#include "record/raw_stream_format.h"
#include "tools/crank_model.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// An hour (or the given seconds) of frames, one frame a 20 ms link tick, and a display tick every
// 500 ms, on the setup the emulator's scales match.
inline std::filesystem::path HourStream(long long seconds, long long& frames) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zan_replay_bench_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    RawStreamHeader header{};
    header.version = rawStreamVersion;
    std::strcpy(header.stationVersion, "1.6 (110126)");
    header.crankSerial = 123;
    header.crankVersion = 4;
    header.startDateTime = 1796634000.0; // 2026-12-07 09:00 on the station's clock
    SetupParameters& setup = header.setup.parameters;
    setup = SetupParameters{1000.0f, 0.5f, 1000.0f, 137.5f, 1000.0f, 0.5f, 1000.0f, 137.5f,
                            667.18f, 0,    55.0f,   172.5f, 1234.5f, 0.0f, 0.0f,    1,
                            1,       0.0f, 0.0f,    0.0f,   0,       0,    123};
    std::strcpy(header.portName, "COM5");
    header.baud = 38400;
    header.dataBits = 8;
    header.stopBits = 1;
    const std::filesystem::path path = folder / "S_071226_09-00.zanraw";
    std::ofstream file(path, std::ios::binary);
    const std::vector<unsigned char> head = EncodeRawHeader(header);
    file.write(reinterpret_cast<const char*>(head.data()),
               static_cast<std::streamsize>(head.size()));
    const StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    const FrameScales scales{1000.0, 0.5, 0.4};
    frames = seconds * 50;
    for (long long n = 0; n < frames; ++n) {
        const CrankSample sample = SampleCrank(stroke, n);
        CrankFrame frame{};
        SetForceWords(frame, sample.rightForce, sample.leftForce, scales);
        frame.crankWord = CrankWord(90.0, sample.revolutionStart);
        frame.wheelWord = WheelWord(30.0, 2096.0);
        frame.heartRateWord = HeartRateWord(120.0);
        frame.battery = BatteryCode(80.0);
        unsigned char payload[frameLength];
        EncodeFrame(frame, payload);
        std::vector<unsigned char> blocks;
        const auto tick = static_cast<std::uint32_t>(n + 1);
        AppendRawBlock(blocks, rawStreamVersion,
                       RawBlockHead{RawBlockKind::Port, tick, frameLength}, tick - 1, payload);
        // The display timer's tick every 25 link ticks, with its instant and date-time, as the
        // station marks it.
        if (tick % 25 == 0) {
            const std::uint32_t milliseconds = tick * 20;
            const double dateTime = header.startDateTime + milliseconds / 1000.0;
            unsigned char instant[rawDisplayLength];
            std::memcpy(instant, &milliseconds, 4);
            std::memcpy(instant + 4, &dateTime, 8);
            AppendRawBlock(blocks, rawStreamVersion,
                           RawBlockHead{RawBlockKind::Display, tick, rawDisplayLength}, tick,
                           instant);
        }
        file.write(reinterpret_cast<const char*>(blocks.data()),
                   static_cast<std::streamsize>(blocks.size()));
    }
    return path;
}
