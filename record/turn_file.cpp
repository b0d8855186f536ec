// The single-turn file: the last two-revolution window, frame by frame, with its crank angle.
#include "measure/measure_state.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "record/data_file.h"
#include "record/record_callbacks.h"
#include "record/record_state.h"
#include "setup/catalogue.h"
#include "setup/setup_state.h"

namespace {
constexpr char comma = ',';
// A window spans two revolutions.
constexpr int windowDegrees = 720;
} // namespace

int SAVET(int, int, int event, void*, int, int) {
    RecordState& record = PartOf<RecordState>();
    const MeasureState& measure = ViewOf<MeasureState>();
    const SetupState& setup = ViewOf<SetupState>();
    if (event != EVENT_COMMIT || record.sessionActive <= 0) return 0;
    // The session clock turns yellow for four display ticks to show the capture.
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_YELLOW);
    record.ledFlashTimer = -4;
    if (!StartTurnFile("T", "ZAN_Single_Turn_file", "INDEX,DEGREE,POWT,FORCE L (N),FORCE R (N)",
                       "Single-turn file"))
        return 0;
    const int frames = measure.snapshotFrames;
    // Whole-degree steps: above 720 frames the step is 0.
    const int step = frames > 0 ? windowDegrees / frames : 0;
    bool written = true;
    for (int i = 1; i < frames; ++i) {
        written &= WriteDataLine(record.turnFile, "%4d%c%.1f%c%.1f%c%.1f%c%.1f", i, comma,
                                 static_cast<double>(static_cast<float>((i - 1) * step)), comma,
                                 static_cast<double>(measure.snapshotPower[i]), comma,
                                 static_cast<double>(measure.snapshotLeft[i]), comma,
                                 static_cast<double>(measure.snapshotRight[i]));
    }
    FinishTurnFile(written, "Single-turn file");
    return 0;
}
