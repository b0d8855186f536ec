#include "tools/crank_model.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double fullTurn = 6.283185307179586;
constexpr double halfTurn = fullTurn / 2.0;

double Revolutions(const StrokeSettings& stroke, long long frameNumber) {
    // Multiplying first keeps whole revolutions exact (9000 / 3000 is 3, not 2.999...).
    return static_cast<double>(frameNumber) * stroke.cadenceRpm / (60.0 * stroke.framesPerSecond);
}

} // namespace

double PedalForce(double pedalAngle, double peakForce, double peakedness) {
    double lift = std::sin(pedalAngle);
    if (lift >= 0.0) return peakForce * (peakedness == 1.0 ? lift : std::pow(lift, peakedness));
    return peakForce * upstrokeShare * lift;
}

CrankSample SampleCrank(const StrokeSettings& stroke, long long frameNumber) {
    CrankSample sample{};
    if (!(stroke.cadenceRpm > 0.0) || !(stroke.framesPerSecond > 0.0) || frameNumber < 0) {
        // A standing crank, right pedal at the top: no revolution ever starts.
        sample.rightForce = PedalForce(0.0, stroke.rightPeak, stroke.peakedness);
        sample.leftForce = PedalForce(halfTurn, stroke.leftPeak, stroke.peakedness);
        return sample;
    }
    double turns = Revolutions(stroke, frameNumber);
    double whole = std::floor(turns);
    sample.rightAngle = (turns - whole) * fullTurn;
    sample.revolutionStart =
        frameNumber == 0 || whole > std::floor(Revolutions(stroke, frameNumber - 1));
    sample.rightForce = PedalForce(sample.rightAngle, stroke.rightPeak, stroke.peakedness);
    sample.leftForce = PedalForce(sample.rightAngle - halfTurn, stroke.leftPeak, stroke.peakedness);
    return sample;
}

void StaticForces(const StaticLoads& loads, double seconds, double& rightForce, double& leftForce) {
    rightForce = 0.0;
    leftForce = 0.0;
    if (loads.count <= 0) return;
    int hung = 0;
    if (loads.phaseSeconds > 0.0) {
        const long long phase = static_cast<long long>(std::floor(seconds / loads.phaseSeconds));
        if (phase % 2 == 0) return;
        hung = static_cast<int>((phase / 2) % loads.count);
    }
    const double weight = loads.load[hung].kg * 9.80665;
    (loads.load[hung].left ? leftForce : rightForce) = weight;
}

bool AddStaticLoad(StaticLoads& loads, const char* text) {
    if (text == nullptr || loads.count >= mostStaticLoads) return false;
    char* end = nullptr;
    const double kg = std::strtod(text, &end);
    if (end == text || !(kg >= 0.0 && kg <= 500.0)) return false;
    bool left = false;
    if (std::strcmp(end, ":left") == 0)
        left = true;
    else if (*end != '\0' && std::strcmp(end, ":right") != 0)
        return false;
    loads.load[loads.count++] = StaticLoad{kg, left};
    return true;
}

void StartFirmware(CrankFirmware& firmware, int serial, int version) {
    firmware = CrankFirmware{};
    firmware.serial = serial;
    firmware.version = version;
    firmware.lastKeepAlive = -1.0;
    firmware.keepAliveGap = -1.0;
    firmware.previousSerial = serial;
}

namespace {

bool InRange(unsigned char byte, int low) {
    return byte >= low && byte <= low + 9;
}

// The programming bytes arrive half a second apart; a keep-alive or a handshake byte may fall
// between them and does not break the sequence, only a programming byte out of order does.
CrankHeard HearProgramByte(CrankFirmware& firmware, unsigned char byte) {
    if (InRange(byte, programHundredsTag)) {
        firmware.programDigits[0] = byte - programHundredsTag;
        firmware.programStep = 1;
        return CrankHeard::ProgramStep;
    }
    bool expected = (firmware.programStep == 1 && InRange(byte, programTensTag)) ||
                    (firmware.programStep == 2 && InRange(byte, programUnitsTag)) ||
                    (firmware.programStep == 3 && byte == programCloseByte) ||
                    (firmware.programStep == 4 && byte == programEndByte);
    if (!expected) {
        bool wasRunning = firmware.programStep > 0;
        firmware.programStep = 0;
        return wasRunning ? CrankHeard::ProgramBroken : CrankHeard::Unknown;
    }
    if (firmware.programStep == 1) firmware.programDigits[1] = byte - programTensTag;
    if (firmware.programStep == 2) firmware.programDigits[2] = byte - programUnitsTag;
    if (firmware.programStep < 4) {
        ++firmware.programStep;
        return CrankHeard::ProgramStep;
    }
    firmware.programStep = 0;
    firmware.previousSerial = firmware.serial;
    firmware.serial = 100 * firmware.programDigits[0] + 10 * firmware.programDigits[1] +
                      firmware.programDigits[2];
    return CrankHeard::SerialProgrammed;
}

void Wake(CrankFirmware& firmware) {
    firmware.silent = false;
    firmware.quits = 0;
}

} // namespace

CrankHeard HearByte(CrankFirmware& firmware, unsigned char byte, double now) {
    switch (byte) {
    case identityStartByte:
        Wake(firmware);
        if (firmware.identityFrames) return CrankHeard::Nothing;
        firmware.identityFrames = true;
        return CrankHeard::IdentityStart;
    case identityEndByte:
        if (!firmware.identityFrames) return CrankHeard::Nothing;
        firmware.identityFrames = false;
        return CrankHeard::IdentityEnd;
    case keepAliveByte:
        Wake(firmware);
        firmware.keepAliveGap = firmware.lastKeepAlive < 0.0 ? -1.0 : now - firmware.lastKeepAlive;
        firmware.lastKeepAlive = now;
        return CrankHeard::KeepAlive;
    case quitByte:
        if (firmware.silent) return CrankHeard::Quit;
        if (++firmware.quits < quitsToSilence) return CrankHeard::Quit;
        firmware.silent = true;
        return CrankHeard::Silenced;
    case markerOnlyByte:
        firmware.markerOnly = true;
        return CrankHeard::MarkerOnly;
    case debugByte:
        firmware.debug = true;
        return CrankHeard::Debug;
    default:
        return HearProgramByte(firmware, byte);
    }
}

void StartStream(StreamState& state, const StreamSettings& settings, double now) {
    state = StreamState{};
    state.answerAt = now + settings.answerDelay;
}

void StationOpened(StreamState& state, const StreamSettings& settings, double now) {
    state.linkDropped = false;
    state.answerAt = now + settings.answerDelay;
}

void IdentityRequested(StreamState& state, const StreamSettings& settings, double now) {
    state.answerAt = now + settings.answerDelay;
}

OnAir StreamNow(StreamState& state, const StreamSettings& settings, double now) {
    if (settings.dropLinkAfter >= 0.0 && now >= settings.dropLinkAfter && !state.dropDone) {
        state.dropDone = true;
        state.linkDropped = true;
    }
    if (state.linkDropped) return OnAir::Dropped;
    if (settings.silentAfter >= 0.0 && now >= settings.silentAfter &&
        (settings.silentFor < 0.0 || now < settings.silentAfter + settings.silentFor))
        return OnAir::Silent;
    if (now < state.answerAt) return OnAir::Answering;
    return OnAir::Streaming;
}
