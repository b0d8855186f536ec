#include "link/frame_reader.h"

#include "link/frame_assembler.h"
#include "link/frame_events.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "platform/numbers.h"
#include "platform/port.h"
#include "protocol/frame.h"
#include "protocol/identity.h"
#include "protocol/station_bytes.h"
#include "setup/correction.h"
#include "setup/warmup.h"

#include <algorithm>
#include <cmath>

namespace {
// Bytes taken from the port per read: a second of the link's full rate fits in one.
constexpr int readBlockSize = 4096;

// The station asks for identity frames during the first frames after a (re)start, reads the
// identity from those that agree, and then ends them.
constexpr int handshakeRequestFrames = 15;
constexpr int handshakeIdentityFrame = 50;
constexpr int handshakeEndFrame = 65;
constexpr int handshakeSaturation = 100;

// What a read works with: the link's own state, the setup it reads, and where each frame's events
// go.
struct FramePass {
    LinkState& link;
    const SetupState& setup;
    const FrameSink& sink;
};

void DecodeChannels(LinkState& link, const SetupParameters& setup, const CrankFrame& frame) {
    link.rawRightForce = frame.rightForce;
    link.rightForce = static_cast<float>(
        (link.rawRightForce - static_cast<double>(setup.rightForceOffset)) * setup.rightForceGain);
    link.rightForce = static_cast<float>(
        link.rightForce * ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference));
    link.rawRightAux = frame.rightAux;
    link.rightAux =
        static_cast<float>(1.0 * (link.rawRightAux - static_cast<double>(setup.rightAuxOffset)));
    link.rawLeftForce = frame.leftForce;
    link.leftForce = static_cast<float>(
        (link.rawLeftForce - static_cast<double>(setup.leftForceOffset)) * setup.leftForceGain);
    link.leftForce = static_cast<float>(
        link.leftForce * ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference));
    link.rawLeftAux = frame.leftAux;
    link.leftAux =
        static_cast<float>(1.0 * (link.rawLeftAux - static_cast<double>(setup.leftAuxOffset)));
}

// sent tells whether the crank sent its identity or has software too old to send one.
void TakeIdentity(LinkState& link, int serialNumber, const CrankIdentity& identity, bool sent,
                  FrameEvents& events) {
    link.identityTaken = true;
    link.deviceVersion = identity.version;
    link.deviceSerial = identity.serial;
    events.identified = true;
    // Another crank's number goes into the setup file only once the rider says Yes to it.
    const bool fileCrank = link.deviceSerial == serialNumber;
    link.crankIdentified = sent && fileCrank ? 1 : 0;
    if (!fileCrank) link.serialMismatch = 1;
}

// During the first frames after a (re)start the crank answers ':' with identity frames. The
// identity is taken from the 51st frame on, once two identity frames in a row agree on it:
// frames that never agree name no crank and raise no question.
void RunHandshake(LinkState& link, int serialNumber, const CrankFrame& frame, FrameEvents& events) {
    const int frames = link.handshakeFrames;
    // Past the handshake a frame changes nothing of it.
    if (frames >= handshakeSaturation) return;
    if (frames == 0) {
        link.identityHeard = IdentityAgreement{};
        link.identityTaken = false;
    }
    if (frames < handshakeRequestFrames) events.handshakeByte = identityStartByte;
    if (frames < handshakeEndFrame) HearIdentity(link.identityHeard, frame);
    if (frames >= handshakeIdentityFrame && frames < handshakeEndFrame && !link.identityTaken &&
        link.identityHeard.agreedHeard)
        TakeIdentity(link, serialNumber, link.identityHeard.agreed, true, events);
    if (frames == handshakeEndFrame - 1 && !link.identityTaken &&
        HeardCrankWithoutIdentity(link.identityHeard))
        TakeIdentity(link, serialNumber, CrankIdentity{}, false, events);
    if (frames > handshakeIdentityFrame && frames < handshakeEndFrame)
        events.handshakeByte = identityEndByte;
    link.handshakeFrames = std::min(frames + 1, handshakeSaturation);
}

// With one pedal measured, the other carries a fixed force that depends on the warm-up mode, and
// its raw counts are those that force would give.
void SubstituteMissingSide(LinkState& link, const SetupState& setup) {
    const SetupParameters& parameters = setup.setup;
    if (setup.warmupMode == 0) link.substituteForce = 100.0f;
    if (WarmupForce(setup.warmupMode) > 0.0f) link.substituteForce = WarmupForce(setup.warmupMode);
    if (setup.singleSide == SingleSide::RightOnly) {
        link.leftForce = link.substituteForce;
        link.leftAux = 0.0f;
        link.rawLeftForce =
            TruncToInt(static_cast<double>(link.leftForce) / parameters.leftForceGain +
                       parameters.leftForceOffset);
        link.rawLeftAux = TruncToInt(parameters.leftAuxOffset);
    } else if (setup.singleSide == SingleSide::LeftOnly) {
        link.rightForce = link.substituteForce;
        link.rightAux = 0.0f;
        link.rawRightForce =
            TruncToInt(static_cast<double>(link.rightForce) / parameters.rightForceGain +
                       parameters.rightForceOffset);
        link.rawRightAux = TruncToInt(parameters.rightAuxOffset);
    }
}

void TrackPeaks(LinkState& link) {
    if (link.rightForce > link.rightForceMax) {
        link.rightForceMax = link.rightForce;
        link.rightAuxAtMax = link.rightAux;
        link.leftForceAtRightMax = link.leftForce;
    }
    if (link.leftForce > link.leftForceMax) {
        link.leftForceMax = link.leftForce;
        link.leftAuxAtMax = link.leftAux;
        link.rightForceAtLeftMax = link.rightForce;
    }
    if (link.rightForce < link.rightForceMin) link.rightForceMin = link.rightForce;
    if (link.leftForce < link.leftForceMin) link.leftForceMin = link.leftForce;
}

void UpdateAuxRatios(LinkState& link, const SetupParameters& setup) {
    const int slot = link.ratioRingIndex;
    link.rightRatioRing[slot] = static_cast<float>(static_cast<double>(link.rightAux) /
                                                   link.rightForce * setup.rightRatioScale);
    link.leftRatioRing[slot] = static_cast<float>(static_cast<double>(link.leftAux) /
                                                  link.leftForce * setup.leftRatioScale);
    link.ratioRingIndex = slot >= 7 ? 0 : slot + 1;
    float rightSum = 0.0f;
    float leftSum = 0.0f;
    for (int i = 0; i < 8; ++i) {
        rightSum += link.rightRatioRing[i];
        leftSum += link.leftRatioRing[i];
    }
    link.rightAuxRatio = static_cast<float>(rightSum / 8.0);
    link.leftAuxRatio = static_cast<float>(leftSum / 8.0);
}

// The link's reading of a whole frame from the crank: its values, the handshake and the
// revolution.
// A frame the screen mended carries words of the frame before it.
FrameEvents TakeFrame(LinkState& link, const SetupState& setup, const CrankFrame& frame,
                      bool mended = false) {
    FrameEvents events{};
    events.mended = mended;
    link.frameCounter += 1;
    DecodeChannels(link, setup.setup, frame);
    RunHandshake(link, setup.setup.serialNumber, frame, events);
    SubstituteMissingSide(link, setup);
    TrackPeaks(link);
    link.rawSpareWord = frame.spare;
    link.crankPeriodWord = frame.crankWord;
    link.wheelPeriodWord = frame.wheelWord;
    if (!mended) {
        if (WheelPeriodsAgree(link.lastWheelWord, frame.wheelWord))
            link.soundWheelWord = frame.wheelWord;
        link.lastWheelWord = frame.wheelWord;
    }
    link.heartRateWord = frame.heartRateWord;
    link.batteryByte = frame.battery;
    TrackRevolution(link, setup.setup.turnDetection, events);
    return events;
}

// Two pedals half a turn apart swinging ±200 N about a mean near 200 N, with a slow saw-tooth
// drift that moves their means apart and changes the auxiliary ratios.
FrameEvents TakeSimulatedFrame(LinkState& link, const SetupState& setup) {
    FrameEvents events{};
    link.simPhase += 0.05;
    link.simDrift += 0.003;
    if (link.simDrift > 19.99) link.simDrift = 0.0;
    link.rightForce = static_cast<float>(std::sin(link.simPhase) * 200.0 + 195.0 + link.simDrift);
    link.leftForce =
        static_cast<float>(std::sin(link.simPhase + 3.1415926) * 200.0 + 205.0 - link.simDrift);
    link.rightAux = static_cast<float>(link.rightForce / (2.45 - link.simDrift / 50.0));
    link.leftAux = static_cast<float>(link.leftForce / (link.simDrift / 50.0 + 2.25));
    TrackPeaks(link);
    link.simFrameClock += 0.3;
    link.frameCounter = TruncToInt(link.simFrameClock);
    link.rawSpareWord = 1345;
    link.wheelPeriodWord = 420;
    link.soundWheelWord = 420;
    link.heartRateWord = 240;
    link.batteryByte = 154;
    TrackRevolution(link, setup.setup.turnDetection, events);
    return events;
}

// What a frame does to the link once the rest of the station has taken it.
void FinishFrame(LinkState& link, const SetupParameters& setup) {
    link.ticksSinceFrame = 0;
    link.linkLost = 0;
    link.frameSeen = true;
    link.framesLostBefore = 0;
    UpdateAuxRatios(link, setup);
    link.frameIndex = std::min(link.frameIndex + 1, maxWindowFrames);
}

// A frame the link has read: its handshake byte goes to the crank, the rest of the station takes
// it, and the link finishes it.
void HandOn(const FramePass& pass, const FrameEvents& events) {
    if (events.handshakeByte != 0) ComWrtByte(pass.setup.comPort, events.handshakeByte);
    pass.sink.take(pass.sink.context, events);
    FinishFrame(pass.link, pass.setup.setup);
}

// The identity frames of the handshake carry digits in place of forces: they run the handshake
// and keep their 20 ms, and nothing measures them.
void TakeHandshakeFrame(const FramePass& pass, const CrankFrame& frame) {
    LinkState& link = pass.link;
    FrameEvents events{};
    events.identityOnly = true;
    link.frameCounter += 1;
    RunHandshake(link, pass.setup.setup.serialNumber, frame, events);
    link.ticksSinceFrame = 0;
    link.linkLost = 0;
    link.frameSeen = true;
    if (events.handshakeByte != 0) ComWrtByte(pass.setup.comPort, events.handshakeByte);
    if (events.identified) pass.sink.take(pass.sink.context, events);
    // The forces after the handshake are judged afresh.
    const ScreenedFrames released = ReleaseHeldFrame(link.screen);
    for (int i = 0; i < released.count; ++i)
        HandOn(pass, TakeFrame(link, pass.setup, released.frames[i]));
}

// A whole frame from the crank, in order: the bytes the assembler skipped before it count as the
// frames of crank time they took, so a lost frame does not shorten the revolution; an identity
// frame runs the handshake; any other goes through the screen, and what the screen lets through
// is read and handed on.
void TakeReceivedFrame(const FramePass& pass, const ScreenLimits& limits, const CrankFrame& frame) {
    LinkState& link = pass.link;
    // Counted in bytes, not in cut frames: any piece of a frame is one frame, and so is a frame
    // a stray 0xFF cut in two. The single byte left over when a frame's start byte was corrupted
    // (the frame went on without it, one byte late, and already counted) is no frame of its own.
    const long long skipped = link.assembler.linkSkippedBytes - link.skippedBytesCounted;
    link.skippedBytesCounted = link.assembler.linkSkippedBytes;
    const int lost = static_cast<int>((skipped + frameLength - 2) / frameLength);
    link.framesLostBefore += lost;
    link.frameCounter += lost;
    if (lost > 0) link.lostSinceTurn = true;
    if (link.handshakeFrames < handshakeSaturation && IsIdentityFrame(frame)) {
        TakeHandshakeFrame(pass, frame);
        return;
    }
    if (link.handshakeFrames < handshakeEndFrame) HearMeasuringFrame(link.identityHeard, frame);
    // A force moves on while frames are lost: it is judged against the frame before the gap.
    const ScreenLimits across = AcrossLostFrames(limits, link.framesLostBefore);
    if (PassesAtOnce(link.screen, frame, across)) {
        HandOn(pass, TakeFrame(link, pass.setup, frame));
        return;
    }
    // A held frame goes on with the frames lost before it; the frame after it with its own.
    const bool wasHolding = link.screen.holding;
    const int lostBeforeThis = link.framesLostBefore - (wasHolding ? link.heldLostBefore : 0);
    const ScreenedFrames screened =
        ScreenFrame(link.screen, frame, across, link.assembler.frameStarted);
    for (int i = 0; i < screened.count; ++i) {
        link.framesLostBefore = wasHolding && i == 0 ? link.heldLostBefore : lostBeforeThis;
        HandOn(pass, TakeFrame(link, pass.setup, screened.frames[i], screened.rejected[i]));
    }
    if (link.screen.holding) {
        link.heldLostBefore = lostBeforeThis;
        link.framesLostBefore = lostBeforeThis;
    }
}

} // namespace

void ReadCrankLink(LinkState& link, const SetupState& setup, const FrameSink& sink) {
    const FramePass pass{link, setup, sink};
    link.ticksSinceFrame += 1;
    if (link.ticksSinceFrame > lostAfterTicks) link.linkLost = 1;
    if (setup.setup.simulation >= 1) HandOn(pass, TakeSimulatedFrame(link, setup));
    const ScreenLimits limits =
        CrankLimits(setup.setup.rightForceGain, setup.setup.leftForceGain,
                    setup.setup.rightForceOffset, setup.setup.leftForceOffset);
    unsigned char block[readBlockSize];
    for (;;) {
        const int waiting = GetInQLen(setup.comPort);
        if (waiting <= 0) return;
        const int wanted = std::min(waiting, readBlockSize);
        const int received = ComRdBlock(setup.comPort, block, wanted);
        // A port that reports bytes but cannot give them has failed: try again at the next tick
        // rather than spin here.
        if (received <= 0) return;
        if (sink.received != nullptr)
            sink.received(sink.context, block, std::min(received, wanted));
        AssembleFrames(link.assembler, block, std::min(received, wanted),
                       [&pass, &limits](const unsigned char* frame) {
                           TakeReceivedFrame(pass, limits, DecodeFrame(frame));
                       });
        if (received < wanted) return;
    }
}

void RestartPeakTrackers(LinkState& link) {
    link.rightForceMax = link.rightAuxAtMax = link.leftForceMax = link.leftAuxAtMax = -99999.0f;
    link.leftForceAtRightMax = link.rightForceAtLeftMax = -99999.0f;
    link.rightForceMin = link.leftForceMin = 99999.0f;
}

PowerFrame CurrentPowerFrame(const LinkState& link, const SetupState& setup,
                             const MeasureState& measure, const RecordState& record) {
    return PowerFrame{link.frameIndex,
                      link.rightForce,
                      link.leftForce,
                      setup.setup.crankLength,
                      link.turnPeriod,
                      record.sessionActive > 0 && measure.cadence > 20.0f,
                      link.framesLostBefore,
                      link.frameCounter,
                      link.frameCounter - link.lastTurnFrame};
}

PowerWindow CurrentPowerWindow(const LinkState& link, const SetupState& setup,
                               const MeasureState& measure) {
    // The frame count restarts when the crank stalls: the window then spans the frames it holds.
    const int counted = link.frameCounter - link.windowFirstFrame;
    const int crankFrames = counted > 0 && counted <= maxWindowFrames ? counted : link.frameIndex;
    return PowerWindow{link.frameIndex,  crankFrames,       link.framesLostBefore,
                       setup.singleSide, measure.heartRate, measure.cadence};
}

CrankChannels CurrentChannels(const LinkState& link, const SetupState& setup) {
    return CrankChannels{link.turnPeriod, link.soundWheelWord, link.heartRateWord, link.batteryByte,
                         setup.wheelCircumference};
}

int TakeWindowToPlot(LinkState& link) {
    const int frames = link.lastWindowFrames;
    link.lastWindowFrames = 0;
    return frames;
}
