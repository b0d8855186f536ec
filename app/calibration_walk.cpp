#include "app/calibration_walk.h"

#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "platform/bounded_text.h"
#include "platform/panel.h"
#include "setup/access_codes.h"

#include <cmath>
#include <cstring>

namespace {
constexpr const char* walkTitle = "Calibrate with a mass";
constexpr int popupOk = 1;

const char* PedalName(bool left) {
    return left ? "Left" : "Right";
}

float& OffsetOf(SetupParameters& setup, bool left) {
    return left ? setup.leftForceOffset : setup.rightForceOffset;
}

float& GainOf(SetupParameters& setup, bool left) {
    return left ? setup.leftForceGain : setup.rightForceGain;
}

void StopWalk(Station& zan, const char* why) {
    CalibrationWalk& walk = zan.app.calibration;
    char text[400];
    FormatText(text, sizeof text, "%s pedal: %s. Nothing was changed.", PedalName(walk.left), why);
    walk.step = CalibrationStep::Idle;
    MessagePopup(walkTitle, text);
}

// A step waits for its frames; the frame path gathers them.
void Gather(Station& zan, CalibrationStep step, int frames) {
    CalibrationWalk& walk = zan.app.calibration;
    StartCounts(walk.counts, frames);
    walk.step = step;
}

void AskForOffset(Station& zan, bool left) {
    CalibrationWalk& walk = zan.app.calibration;
    walk.left = left;
    char text[400];
    FormatText(text, sizeof text,
               "%s pedal: put the crank horizontal, the %s pedal forward, with nothing on it.\n"
               "OK measures its offset over 2 s of frames.",
               PedalName(left), left ? "left" : "right");
    if (ConfirmPopup(walkTitle, text) != 1) {
        walk.step = CalibrationStep::Idle;
        return;
    }
    Gather(zan, CalibrationStep::Offset, calibrationOffsetFrames);
}

void AskForMass(Station& zan) {
    CalibrationWalk& walk = zan.app.calibration;
    char text[400];
    FormatText(text, sizeof text,
               "%s pedal: hang the mass on the pedal (crank arm %.1f mm) and enter it in kg.\n"
               "OK measures the gain over 5 s of frames.",
               PedalName(walk.left), static_cast<double>(zan.setup.setup.crankLength));
    char response[16] = "";
    if (GenericMessagePopup(walkTitle, text, "OK", "Cancel", "", response,
                            static_cast<int>(sizeof response) - 1) != popupOk) {
        walk.step = CalibrationStep::Idle;
        return;
    }
    if (ReadMass(response, &walk.massKg) != CalibrationStop::None) {
        StopWalk(zan, "the mass must be more than 0 kg");
        return;
    }
    Gather(zan, CalibrationStep::Load, calibrationLoadFrames);
}

// The counts of the step have a crank that stood still, or the walk stops.
bool Steady(Station& zan, const CountMean& counts) {
    const double gain = GainOf(zan.setup.setup, zan.app.calibration.left);
    if (CheckSteady(counts, gain) == CalibrationStop::None) return true;
    char why[200];
    FormatText(why, sizeof why, "the crank moved (forces varied by %.1f N, more than %.0f N)",
               counts.span * std::fabs(gain), calibrationSteadyNewtons);
    StopWalk(zan, why);
    return false;
}

void AppendPedal(char* text, std::size_t size, const SetupParameters& setup,
                 const CalibrationResult& result, bool left) {
    char line[400];
    FormatText(
        line, sizeof line,
        "%s pedal: offset %.1f -> %.1f counts; gain %.5f -> %.5f N/count (%+.2f %%, "
        "uncertainty %.5f N/count)\n",
        PedalName(left), static_cast<double>(left ? setup.leftForceOffset : setup.rightForceOffset),
        result.offset, static_cast<double>(left ? setup.leftForceGain : setup.rightForceGain),
        result.gain, result.change, result.uncertainty);
    const std::size_t used = std::strlen(text);
    FormatText(text + used, size - used, "%s", line);
}

void ShowLastPage(Station& zan) {
    CalibrationWalk& walk = zan.app.calibration;
    walk.step = CalibrationStep::Idle;
    char text[1200] = "";
    for (int side = 0; side < 2; ++side)
        if (walk.result[side].taken)
            AppendPedal(text, sizeof text, zan.setup.setup, walk.result[side], side == 1);
    const std::size_t used = std::strlen(text);
    FormatText(text + used, sizeof text - used, "Keep the new values?");
    if (ConfirmPopup(walkTitle, text) != 1) return;
    for (int side = 0; side < 2; ++side) {
        if (!walk.result[side].taken) continue;
        OffsetOf(zan.setup.setup, side == 1) = static_cast<float>(walk.result[side].offset);
        GainOf(zan.setup.setup, side == 1) = static_cast<float>(walk.result[side].gain);
    }
    ShowSetupParameters(zan);
    SaveDefaultSetup(zan);
}

void FinishLoad(Station& zan, const CountMean& loaded) {
    CalibrationWalk& walk = zan.app.calibration;
    const GainResult gain =
        ComputeGain(walk.offset, loaded, walk.massKg, GainOf(zan.setup.setup, walk.left));
    if (gain.stop == CalibrationStop::NoCounts) {
        StopWalk(zan, "the mass moved the counts by less than one");
        return;
    }
    if (gain.stop == CalibrationStop::GainChange) {
        char why[200];
        FormatText(why, sizeof why, "the gain would change by %+.1f %%, more than %.0f %%",
                   gain.change, 100.0 * calibrationLargestChange);
        StopWalk(zan, why);
        return;
    }
    walk.result[walk.left ? 1 : 0] =
        CalibrationResult{true, walk.offset.mean, gain.gain, gain.uncertainty, gain.change};
    walk.step = CalibrationStep::Idle;
    if (!walk.left &&
        ConfirmPopup(walkTitle, "Right pedal done. Calibrate the left pedal the same way?") == 1) {
        AskForOffset(zan, true);
        return;
    }
    ShowLastPage(zan);
}

// Runs from the event loop once a step has its frames.
void AdvanceWalk(void* station) {
    Station& zan = *static_cast<Station*>(station);
    CalibrationWalk& walk = zan.app.calibration;
    const CountMean counts = AverageCounts(walk.counts.counts, walk.counts.frames);
    const CalibrationStep done = walk.step;
    if (!Steady(zan, counts)) return;
    if (done == CalibrationStep::OffsetGathered) {
        walk.offset = counts;
        AskForMass(zan);
    } else {
        FinishLoad(zan, counts);
    }
}
} // namespace

void TakeCalibrationFrame(Station& zan) {
    CalibrationWalk& walk = zan.app.calibration;
    if (walk.step != CalibrationStep::Offset && walk.step != CalibrationStep::Load) return;
    const int count =
        walk.left ? zan.measure.pedals.counts.leftForce : zan.measure.pedals.counts.rightForce;
    if (!TakeCount(walk.counts, count)) return;
    // The popups wait in the event loop, not inside the frame under way.
    walk.step = walk.step == CalibrationStep::Offset ? CalibrationStep::OffsetGathered
                                                     : CalibrationStep::LoadGathered;
    PostDeferredCall(AdvanceWalk, &zan);
}

int CALM(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    if (!ShowsRawCounts(AccessLevelOf(zan.setup.accessCode))) return 0;
    if (zan.app.calibration.step != CalibrationStep::Idle) return 0;
    zan.app.calibration.result[0] = CalibrationResult{};
    zan.app.calibration.result[1] = CalibrationResult{};
    AskForOffset(zan, false);
    return 0;
}
