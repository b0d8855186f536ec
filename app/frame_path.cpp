#include "app/frame_path.h"

#include "app/calibration_walk.h"
#include "app/session_panel.h"
#include "app/setup_panel.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "measure/pedal_forces.h"
#include "measure/readouts.h"
#include "platform/panel.h"
#include "record/multi_turn_file.h"
#include "record/raw_stream_file.h"
#include "setup/catalogue.h"
#include "setup/warmup.h"

void HandOnRevolution(Station& zan, const FrameEvents& events) {
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
    }
    if (zan.record.captureState != CaptureState::Idle)
        CaptureFrame(zan.record, link.turnCount, CurrentPowerFrame(zan));
    // The window's result is made here, once: the crank's channels as they stand at its end
    // (the histories take them), then its powers and their shares.
    if (events.windowEnds) {
        TakeReadouts(zan.measure, CurrentChannels(zan));
        CalcWatt(zan.measure, CurrentPowerWindow(zan));
        TakeBalance(zan.measure);
        EndLinkWindow(link);
        StartWindowSums(zan.measure);
        ShowWarmup(zan.setup, AdvanceWarmup(zan.setup, zan.measure.powerTotal));
    }
}

namespace {
// What a frame does once the link has read it, real or simulated, in order.
void HandOnFrame(Station& zan, FrameEvents& events) {
    if (events.identified) ShowConnectedTitle(zan, nullptr);
    if (events.identityOnly) return;
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
    // Most frames bring no revolution's news, and no capture is under way.
    if (events.stalled || events.revolutionStarts || events.windowEnds ||
        zan.record.captureState != CaptureState::Idle)
        HandOnRevolution(zan, events);
    // The lamp changes twice a revolution; telling the panel at every frame would cost a call to
    // the screen fifty times a second for nothing.
    if (link.turnLed != link.turnLedShown) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_TURN_LED, link.turnLed);
        link.turnLedShown = link.turnLed;
    }
    PowerFrame powerFrame = CurrentPowerFrame(zan);
    powerFrame.mended = events.mended;
    FramePower(zan.measure, powerFrame);
    if (zan.app.calibration.step != CalibrationStep::Idle) TakeCalibrationFrame(zan);
    const PolarFrame polarFrame{pedals.rightForce,     pedals.leftForce,    events.revolutionStarts,
                                events.revolutionSpan, events.markRejected, link.framesLostBefore,
                                events.stalled};
    PolarFrameIn(zan.measure.polar, polarFrame);
    if (zan.app.frameWatch.take != nullptr)
        zan.app.frameWatch.take(zan.app.frameWatch.data, zan, polarFrame);
    UpdateAuxRatios(pedals, zan.setup.setup);
}

void TakeFrameEvents(void* station, FrameEvents& events) {
    HandOnFrame(*static_cast<Station*>(station), events);
}

// A recording session keeps the port's bytes as they came, each read a block of its own.
void KeepReceivedBytes(void* station, const unsigned char* bytes, int count) {
    KeepRawBytes(static_cast<Station*>(station)->record, bytes, count);
}
} // namespace

void ReadZAN(Station& zan) {
    CountRawTick(zan.record, zan.setup);
    const SetupParameters& setup = zan.setup.setup;
    const LinkSettings settings{zan.setup.comPort, setup.serialNumber, setup.simulation,
                                CrankLimits(setup.rightForceGain, setup.leftForceGain,
                                            setup.rightForceOffset, setup.leftForceOffset)};
    ReadCrankLink(zan.link, settings, FrameSink{&zan, TakeFrameEvents, KeepReceivedBytes});
    // A capture the frames completed has its file written, or its failure, to tell.
    ShowRecordNotices(zan);
}

PowerFrame CurrentPowerFrame(const Station& zan) {
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

PowerWindow CurrentPowerWindow(const Station& zan) {
    const LinkState& link = zan.link;
    // The frame count restarts when the crank stalls: the window then spans the frames it holds.
    const int counted = link.frameCounter - link.windowFirstFrame;
    const int crankFrames = counted > 0 && counted <= maxWindowFrames ? counted : link.frameIndex;
    return PowerWindow{link.frameIndex,      crankFrames,           link.framesLostBefore,
                       zan.setup.singleSide, zan.measure.heartRate, zan.measure.cadence};
}

CrankChannels CurrentChannels(const Station& zan) {
    const LinkState& link = zan.link;
    return CrankChannels{link.turnPeriod, link.soundWheelWord, link.heartRateWord, link.batteryByte,
                         zan.setup.wheelCircumference};
}

void KeepResultCurrent(Station& zan) {
    KeepReadoutsCurrent(zan.measure, CurrentChannels(zan), LinkLost(zan.link));
    EvaluatePedalFigures(zan);
}

void EvaluatePedalFigures(Station& zan) {
    AppState& app = zan.app;
    app.peakTicks += 1;
    if (app.peakTicks <= 1) return;
    TakePedalFigures(zan.measure,
                     PedalPeaks{zan.measure.pedals.rightForceMax, zan.measure.pedals.rightAuxAtMax,
                                zan.measure.pedals.leftForceMax, zan.measure.pedals.leftAuxAtMax,
                                zan.link.framesSinceTurn > stallFrames},
                     zan.setup.setup);
    app.peakTicks = 0;
    RestartPeakTrackers(zan.measure.pedals);
}
