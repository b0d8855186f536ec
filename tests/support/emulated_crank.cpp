#include "tests/support/emulated_crank.h"

#include <cmath>
#include <memory>

namespace {
// A uniform number in [0, 1), the same on every platform for a given seed.
double Chance(std::mt19937_64& random) {
    return static_cast<double>(random() >> 11) * (1.0 / 9007199254740992.0);
}

void Feed(HeadlessEngine& engine, EmulatedCrank& crank, HeadlessDevice& device) {
    const double elapsed = engine.now - crank.startTime;
    for (; crank.bytesHeard < device.sent.size(); ++crank.bytesHeard)
        HearByte(crank.firmware, device.sent[crank.bytesHeard], elapsed);
    const long long due =
        static_cast<long long>(std::floor(elapsed * crank.settings.framesPerSecond));
    const StrokeSettings stroke{crank.settings.cadence, crank.settings.framesPerSecond,
                                crank.settings.rightPeak, crank.settings.leftPeak,
                                crank.settings.peakedness};
    for (; crank.framesSent < due; ++crank.framesSent) {
        if (crank.firmware.silent) continue;
        const CrankSample sample = SampleCrank(stroke, crank.framesSent);
        CrankFrame frame{};
        SetForceWords(frame, sample.rightForce, sample.leftForce, crank.settings.scales);
        if (crank.firmware.identityFrames)
            SetIdentityWords(frame, crank.firmware.serial, crank.firmware.version);
        frame.crankWord = CrankWord(crank.settings.cadence, sample.revolutionStart);
        frame.wheelWord = WheelWord(crank.settings.speed, crank.settings.wheelMm);
        frame.heartRateWord = HeartRateWord(crank.settings.heartRate);
        frame.battery = BatteryCode(crank.settings.battery);
        unsigned char bytes[frameLength];
        EncodeFrame(frame, bytes);
        const long long burstPeriod = static_cast<long long>(
            crank.settings.burstEvery * crank.settings.framesPerSecond * frameLength);
        for (int i = 0; i < frameLength; ++i) {
            unsigned char byte = bytes[i];
            const long long sent = crank.framesSent * frameLength + i;
            if (burstPeriod > 0 && sent % burstPeriod < crank.settings.burstBytes) continue;
            if (Chance(crank.random) < crank.settings.dropShare) continue;
            if (Chance(crank.random) < crank.settings.corruptShare)
                byte = static_cast<unsigned char>(crank.random() & 0xFF);
            device.input.push_back(byte);
        }
    }
}
} // namespace

EmulatedCrank& PlayEmulatedCrank(HeadlessEngine& engine, const char* deviceName,
                                 const EmulatedCrankSettings& settings) {
    auto crank = std::make_shared<EmulatedCrank>();
    crank->settings = settings;
    crank->startTime = engine.now;
    crank->random.seed(settings.seed);
    StartFirmware(crank->firmware, settings.serial, settings.version);
    HeadlessDevice& device = engine.Device(deviceName);
    device.feed = [&engine, crank](HeadlessDevice& self) { Feed(engine, *crank, self); };
    return *crank;
}

const char* MatchingSetupFile() {
    return "1000\n0.5\n1000\n137.5\n1000\n0.5\n1000\n137.5\n667.18\n0\n55\n172.5\n1234."
           "5\n0\n0\n1\n1\n"
           "0\n0\n0\n0\n0\n123\n";
}
