#include "link/frame_reader.h"

#include "app/station.h"
#include "app/window_title.h"
#include "link/frame_assembler.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "protocol/frame.h"
#include "protocol/identity.h"
#include "protocol/station_bytes.h"
#include "setup/catalogue.h"
#include "setup/correction.h"

#include <algorithm>
#include <cmath>

namespace {
// Bytes taken from the port per read: a second of the link's full rate fits in one.
constexpr int readBlockSize = 4096;

// The station asks for identity frames during the first frames after a (re)start, reads the
// identity from one of them, and then ends them.
constexpr int handshakeRequestFrames = 15;
constexpr int handshakeIdentityFrame = 50;
constexpr int handshakeEndFrame = 65;
constexpr int handshakeSaturation = 100;

void DecodeChannels(Station& zan, const unsigned char* frame) {
    zan.rawRightForce = FrameWord(frame, rightForceAt);
    zan.rightForce =
        static_cast<float>((zan.rawRightForce - static_cast<double>(zan.setup.rightForceOffset)) *
                           zan.setup.rightForceGain);
    zan.rightForce =
        static_cast<float>(zan.rightForce * ForceCorrection(zan.setup.rightCorrectionCoeff,
                                                            zan.setup.correctionReference));
    zan.rawRightAux = FrameWord(frame, rightAuxAt);
    zan.rightAux =
        static_cast<float>(1.0 * (zan.rawRightAux - static_cast<double>(zan.setup.rightAuxOffset)));
    zan.rawLeftForce = FrameWord(frame, leftForceAt);
    zan.leftForce =
        static_cast<float>((zan.rawLeftForce - static_cast<double>(zan.setup.leftForceOffset)) *
                           zan.setup.leftForceGain);
    zan.leftForce =
        static_cast<float>(zan.leftForce * ForceCorrection(zan.setup.leftCorrectionCoeff,
                                                           zan.setup.correctionReference));
    zan.rawLeftAux = FrameWord(frame, leftAuxAt);
    zan.leftAux =
        static_cast<float>(1.0 * (zan.rawLeftAux - static_cast<double>(zan.setup.leftAuxOffset)));
}

// During the first frames after a (re)start the crank answers ':' with identity frames.
void RunHandshake(Station& zan, const unsigned char* frame) {
    const int frames = zan.handshakeFrames;
    if (frames < handshakeRequestFrames) ComWrtByte(zan.comPort, identityStartByte);
    if (frames == handshakeIdentityFrame) {
        const CrankIdentity identity = ReadIdentity(DecodeFrame(frame));
        zan.deviceVersion = identity.version;
        zan.deviceSerial = identity.serial;
        ShowConnectedTitle(nullptr);
        if (zan.deviceSerial != zan.setup.serialNumber) zan.serialMismatch = 1;
    }
    if (frames > handshakeIdentityFrame && frames < handshakeEndFrame)
        ComWrtByte(zan.comPort, identityEndByte);
    zan.handshakeFrames = std::min(frames + 1, handshakeSaturation);
}

// With one pedal measured, the other carries a fixed force that depends on the warm-up mode, and
// its raw counts are those that force would give.
void SubstituteMissingSide(Station& zan) {
    if (zan.warmupMode == 0) zan.substituteForce = 100.0f;
    if (WarmupForce(zan.warmupMode) > 0.0f) zan.substituteForce = WarmupForce(zan.warmupMode);
    if (zan.singleSide == SingleSide::RightOnly) {
        zan.leftForce = zan.substituteForce;
        zan.leftAux = 0.0f;
        zan.rawLeftForce = TruncToInt(static_cast<double>(zan.leftForce) / zan.setup.leftForceGain +
                                      zan.setup.leftForceOffset);
        zan.rawLeftAux = TruncToInt(zan.setup.leftAuxOffset);
    } else if (zan.singleSide == SingleSide::LeftOnly) {
        zan.rightForce = zan.substituteForce;
        zan.rightAux = 0.0f;
        zan.rawRightForce =
            TruncToInt(static_cast<double>(zan.rightForce) / zan.setup.rightForceGain +
                       zan.setup.rightForceOffset);
        zan.rawRightAux = TruncToInt(zan.setup.rightAuxOffset);
    }
}

void TrackPeaks(Station& zan) {
    if (zan.rightForce > zan.rightForceMax) {
        zan.rightForceMax = zan.rightForce;
        zan.rightAuxAtMax = zan.rightAux;
        zan.leftForceAtRightMax = zan.leftForce;
    }
    if (zan.leftForce > zan.leftForceMax) {
        zan.leftForceMax = zan.leftForce;
        zan.leftAuxAtMax = zan.leftAux;
        zan.rightForceAtLeftMax = zan.rightForce;
    }
    if (zan.rightForce < zan.rightForceMin) zan.rightForceMin = zan.rightForce;
    if (zan.leftForce < zan.leftForceMin) zan.leftForceMin = zan.leftForce;
}

void UpdateAuxRatios(Station& zan) {
    const int slot = zan.ratioRingIndex;
    zan.rightRatioRing[slot] = static_cast<float>(static_cast<double>(zan.rightAux) /
                                                  zan.rightForce * zan.setup.rightRatioScale);
    zan.leftRatioRing[slot] = static_cast<float>(static_cast<double>(zan.leftAux) / zan.leftForce *
                                                 zan.setup.leftRatioScale);
    zan.ratioRingIndex = slot >= 7 ? 0 : slot + 1;
    float rightSum = 0.0f;
    float leftSum = 0.0f;
    for (int i = 0; i < 8; ++i) {
        rightSum += zan.rightRatioRing[i];
        leftSum += zan.leftRatioRing[i];
    }
    zan.rightAuxRatio = static_cast<float>(rightSum / 8.0);
    zan.leftAuxRatio = static_cast<float>(leftSum / 8.0);
}

// What every frame goes through once decoded, real or simulated.
void HandOnFrame(Station& zan) {
    TrackRevolution(zan);
    SetCtrlVal(zan.mainPanel, MAIN_TURN_LED, zan.turnLed);
    zan.ticksSinceFrame = 0;
    FramePower(zan, CurrentPowerFrame(zan));
    UpdateAuxRatios(zan);
    zan.frameIndex = std::min(zan.frameIndex + 1, maxWindowFrames);
}

// What a whole frame from the crank does.
void ProcessFrame(Station& zan, const unsigned char* frame) {
    zan.frameCounter += 1;
    DecodeChannels(zan, frame);
    RunHandshake(zan, frame);
    SubstituteMissingSide(zan);
    TrackPeaks(zan);
    zan.rawSpareWord = FrameWord(frame, spareAt);
    zan.crankPeriodWord = FrameWord(frame, crankWordAt);
    zan.wheelPeriodWord = FrameWord(frame, wheelWordAt);
    zan.heartRateWord = FrameWord(frame, heartRateAt);
    zan.batteryByte = frame[batteryAt];
    HandOnFrame(zan);
}

// Two pedals half a turn apart swinging ±200 N about a mean near 200 N, with a slow saw-tooth
// drift that moves their means apart and changes the auxiliary ratios.
void SimulateFrame(Station& zan) {
    zan.simPhase += 0.05;
    zan.simDrift += 0.003;
    if (zan.simDrift > 19.99) zan.simDrift = 0.0;
    zan.rightForce = static_cast<float>(std::sin(zan.simPhase) * 200.0 + 195.0 + zan.simDrift);
    zan.leftForce =
        static_cast<float>(std::sin(zan.simPhase + 3.1415926) * 200.0 + 205.0 - zan.simDrift);
    zan.rightAux = static_cast<float>(zan.rightForce / (2.45 - zan.simDrift / 50.0));
    zan.leftAux = static_cast<float>(zan.leftForce / (zan.simDrift / 50.0 + 2.25));
    TrackPeaks(zan);
    zan.simFrameClock += 0.3;
    zan.frameCounter = TruncToInt(zan.simFrameClock);
    zan.rawSpareWord = 1345;
    zan.wheelPeriodWord = 420;
    zan.heartRateWord = 240;
    zan.batteryByte = 154;
    HandOnFrame(zan);
}
} // namespace

void ReadZAN() {
    Station& zan = CurrentStation();
    zan.ticksSinceFrame += 1;
    if (zan.setup.simulation >= 1) SimulateFrame(zan);
    unsigned char block[readBlockSize];
    for (;;) {
        const int waiting = GetInQLen(zan.comPort);
        if (waiting <= 0) return;
        const int wanted = std::min(waiting, readBlockSize);
        const int received = ComRdBlock(zan.comPort, block, wanted);
        // A port that reports bytes but cannot give them has failed: try again at the next tick
        // rather than spin here.
        if (received <= 0) return;
        AssembleFrames(zan.assembler, block, std::min(received, wanted),
                       [&zan](const unsigned char* frame) { ProcessFrame(zan, frame); });
        if (received < wanted) return;
    }
}

void RestartPeakTrackers() {
    Station& zan = CurrentStation();
    zan.rightForceMax = zan.rightAuxAtMax = zan.leftForceMax = zan.leftAuxAtMax = -99999.0f;
    zan.leftForceAtRightMax = zan.rightForceAtLeftMax = -99999.0f;
    zan.rightForceMin = zan.leftForceMin = 99999.0f;
}

PowerFrame CurrentPowerFrame() {
    return CurrentPowerFrame(CurrentStation());
}

PowerFrame CurrentPowerFrame(const Station& zan) {
    return PowerFrame{zan.frameIndex, zan.rightForce,
                      zan.leftForce,  zan.setup.crankLength,
                      zan.turnPeriod, zan.sessionActive > 0 && zan.cadence > 20.0f};
}
