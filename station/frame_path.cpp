#include "station/frame_path.h"

#include "link/frame_reader.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "measure/pedal_forces.h"
#include "measure/readouts.h"
#include "record/multi_turn_file.h"
#include "record/raw_stream_file.h"

void HandOnRevolution(StationCore& zan, const FrameEvents& events) {
    LinkState& link = zan.link;
    if (events.stalled) {
        ClearPowerResults(zan.measure);
        ClearPeaks(zan.measure.pedals);
        MarkPowerUnmeasured(zan.measure, events.marksUnseen);
    }
    // The first mark after a start or a stall opens the first window: every window holds whole
    // revolutions.
    if (events.revolutionStarts && events.revolutionSpan == 0) {
        StartLinkWindow(link);
        StartWindowSums(zan.measure);
        zan.measure.windowKeptFrom = zan.measure.polar.keptTotal;
    }
    if (zan.record.captureState != CaptureState::Idle)
        CaptureFrame(zan.record, link.turnCount, CurrentPowerFrame(zan));
    // The window's result is made here, once: the crank's channels as they stand at its end
    // (the histories take them), then its powers and their shares.
    if (events.windowEnds) {
        TakeReadouts(zan.measure, CurrentChannels(zan));
        CalcWatt(zan.measure, CurrentPowerWindow(zan));
        TakeBalance(zan.measure);
        zan.measure.windowTurnsKept =
            static_cast<int>(zan.measure.polar.keptTotal - zan.measure.windowKeptFrom);
        zan.measure.windowKeptFrom = zan.measure.polar.keptTotal;
        EndLinkWindow(link);
        StartWindowSums(zan.measure);
        const Followers& followers = zan.core.followers;
        for (int i = 0; i < followers.windowCount; ++i)
            followers.windows[i].take(followers.windows[i].data, zan, zan.measure);
    }
}

namespace {
// A link tick under way: the station and what the tick brought so far.
struct TickPass {
    StationCore& zan;
    LinkTickResult result;
};

// What a frame does once the link has read it, real or simulated, in order.
void HandOnFrame(StationCore& zan, FrameEvents& events, LinkTickResult& result) {
    if (events.identified) result.identified = true;
    if (events.identityOnly) return;
    result.framesTaken = true;
    LinkState& link = zan.link;
    PedalForces& pedals = zan.measure.pedals;
    // The frame's counts are measured first: the revolution may be found from the forces.
    if (events.simulated) {
        const SimulatedForces& given = link.simulatedForces;
        TakeGivenForces(pedals,
                        GivenForces{given.right, given.left, given.rightAux, given.leftAux});
    } else {
        TakeCrankCounts(pedals, zan.setup, link.rawRightForce, link.rawRightAux, link.rawLeftForce,
                        link.rawLeftAux);
    }
    TrackRevolution(link, zan.setup.setup.turnDetection,
                    TurnForces{pedals.rightForce, pedals.leftForce, pedals.rightForceMax}, events);
    // The polar view keeps a revolution at its closing mark, before the window that ends there
    // counts the revolutions it kept.
    const PolarFrame polarFrame{pedals.rightForce,     pedals.leftForce,    events.revolutionStarts,
                                events.revolutionSpan, events.markRejected, link.framesLostBefore,
                                events.stalled};
    PolarFrameIn(zan.measure.polar, polarFrame);
    // Most frames bring no revolution's news, and no capture is under way.
    if (events.stalled || events.revolutionStarts || events.windowEnds ||
        zan.record.captureState != CaptureState::Idle)
        HandOnRevolution(zan, events);
    PowerFrame powerFrame = CurrentPowerFrame(zan);
    powerFrame.mended = events.mended;
    FramePower(zan.measure, powerFrame);
    const Followers& followers = zan.core.followers;
    for (int i = 0; i < followers.frameCount; ++i)
        followers.frames[i].take(followers.frames[i].data, zan, polarFrame);
    UpdateAuxRatios(pedals, zan.setup.setup);
}

void TakeFrameEvents(void* context, FrameEvents& events) {
    auto& pass = *static_cast<TickPass*>(context);
    HandOnFrame(pass.zan, events, pass.result);
}

// A recording session keeps the port's bytes as they came, each read a block of its own.
void KeepReceivedBytes(void* context, const unsigned char* bytes, int count) {
    KeepRawBytes(static_cast<TickPass*>(context)->zan.record, bytes, count);
}
} // namespace

LinkTickResult LinkTick(StationCore& zan, const ClockReading& now) {
    zan.record.now = now;
    CountRawTick(zan.record, zan.setup);
    const SetupParameters& setup = zan.setup.setup;
    const LinkSettings settings{CrankPortOf(zan), setup.serialNumber, setup.simulation,
                                CrankLimits(setup.rightForceGain, setup.leftForceGain,
                                            setup.rightForceOffset, setup.leftForceOffset)};
    TickPass pass{zan, LinkTickResult{}};
    ReadCrankLink(zan.link, settings, FrameSink{&pass, TakeFrameEvents, KeepReceivedBytes});
    return pass.result;
}

PowerFrame CurrentPowerFrame(const StationCore& zan) {
    const LinkState& link = zan.link;
    return PowerFrame{link.frameIndex,
                      zan.measure.pedals.rightForce,
                      zan.measure.pedals.leftForce,
                      zan.setup.setup.crankLength,
                      link.turnPeriod,
                      zan.record.sessionActive > 0 && zan.measure.cadence > 20.0f,
                      link.framesLostBefore,
                      link.frameCounter,
                      link.frameCounter - link.lastTurnFrame};
}

PowerWindow CurrentPowerWindow(const StationCore& zan) {
    const LinkState& link = zan.link;
    // The frame count restarts when the crank stalls: the window then spans the frames it holds.
    const int counted = link.frameCounter - link.windowFirstFrame;
    const int crankFrames = counted > 0 && counted <= maxWindowFrames ? counted : link.frameIndex;
    return PowerWindow{link.frameIndex,      crankFrames,           link.framesLostBefore,
                       zan.setup.singleSide, zan.measure.heartRate, zan.measure.cadence};
}

CrankChannels CurrentChannels(const StationCore& zan) {
    const LinkState& link = zan.link;
    return CrankChannels{link.turnPeriod, link.soundWheelWord, link.heartRateWord, link.batteryByte,
                         zan.setup.wheelCircumference};
}

void KeepResultCurrent(StationCore& zan) {
    KeepReadoutsCurrent(zan.measure, CurrentChannels(zan), LinkLost(zan.link));
    EvaluatePedalFigures(zan);
}

void EvaluatePedalFigures(StationCore& zan) {
    CoreState& core = zan.core;
    core.peakTicks += 1;
    if (core.peakTicks <= 1) return;
    TakePedalFigures(zan.measure,
                     PedalPeaks{zan.measure.pedals.rightForceMax, zan.measure.pedals.rightAuxAtMax,
                                zan.measure.pedals.leftForceMax, zan.measure.pedals.leftAuxAtMax,
                                zan.link.framesSinceTurn > stallFrames},
                     zan.setup.setup);
    core.peakTicks = 0;
    RestartPeakTrackers(zan.measure.pedals);
}
