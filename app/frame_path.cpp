#include "app/frame_path.h"

#include "app/calibration_walk.h"
#include "app/session_panel.h"
#include "app/setup_panel.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
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
        TakeReadouts(zan.measure, CurrentChannels(link, zan.setup));
        CalcWatt(zan.measure, CurrentPowerWindow(zan));
        TakeBalance(zan.measure);
        EndLinkWindow(link);
        StartWindowSums(zan.measure);
        ShowWarmup(zan.setup, AdvanceWarmup(zan.setup, zan.measure.powerTotal));
    }
}

namespace {
// What a frame does once the link has read it, real or simulated, in order.
void HandOnFrame(Station& zan, const FrameEvents& events) {
    if (events.identified) ShowConnectedTitle(zan, nullptr);
    if (events.identityOnly) return;
    HandOnRevolution(zan, events);
    // The lamp changes twice a revolution; telling the panel at every frame would cost a call to
    // the screen fifty times a second for nothing.
    LinkState& link = zan.link;
    if (link.turnLed != link.turnLedShown) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_TURN_LED, link.turnLed);
        link.turnLedShown = link.turnLed;
    }
    PowerFrame powerFrame = CurrentPowerFrame(zan);
    powerFrame.mended = events.mended;
    FramePower(zan.measure, powerFrame);
    TakeCalibrationFrame(zan);
    const PolarFrame polarFrame{link.rightForce,       link.leftForce,      events.revolutionStarts,
                                events.revolutionSpan, events.markRejected, link.framesLostBefore,
                                events.stalled};
    PolarFrameIn(zan.measure.polar, polarFrame);
    if (zan.app.frameWatch.take != nullptr)
        zan.app.frameWatch.take(zan.app.frameWatch.data, zan, polarFrame);
}

void TakeFrameEvents(void* station, const FrameEvents& events) {
    HandOnFrame(*static_cast<Station*>(station), events);
}

// A recording session keeps the port's bytes as they came, each read a block of its own.
void KeepReceivedBytes(void* station, const unsigned char* bytes, int count) {
    KeepRawBytes(static_cast<Station*>(station)->record, bytes, count);
}
} // namespace

void ReadZAN(Station& zan) {
    CountRawTick(zan.record, zan.setup);
    ReadCrankLink(zan.link, zan.setup, FrameSink{&zan, TakeFrameEvents, KeepReceivedBytes});
    // A capture the frames completed has its file written, or its failure, to tell.
    ShowRecordNotices(zan);
}

PowerFrame CurrentPowerFrame(const Station& zan) {
    return CurrentPowerFrame(zan.link, zan.setup, zan.measure, zan.record);
}

PowerWindow CurrentPowerWindow(const Station& zan) {
    return CurrentPowerWindow(zan.link, zan.setup, zan.measure);
}

void KeepResultCurrent(Station& zan) {
    KeepReadoutsCurrent(zan.measure, CurrentChannels(zan.link, zan.setup), LinkLost(zan.link));
    EvaluatePedalFigures(zan);
}

void EvaluatePedalFigures(Station& zan) {
    AppState& app = zan.app;
    app.peakTicks += 1;
    if (app.peakTicks <= 1) return;
    TakePedalFigures(zan.measure,
                     PedalPeaks{zan.link.rightForceMax, zan.link.rightAuxAtMax,
                                zan.link.leftForceMax, zan.link.leftAuxAtMax,
                                zan.link.framesSinceTurn > stallFrames},
                     zan.setup.setup);
    app.peakTicks = 0;
    RestartPeakTrackers(zan.link);
}
