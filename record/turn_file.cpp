#include "record/turn_file.h"

#include "record/data_file.h"
#include "record/session_clock.h"

namespace {
constexpr char comma = ',';
// A window spans two revolutions.
constexpr int windowDegrees = 720;
} // namespace

void SaveTurnFile(RecordState& record, const MeasureState& measure) {
    if (record.sessionActive <= 0) return;
    // The session clock turns yellow for four display ticks to show the capture.
    FlashSessionClock(record);
    if (!StartTurnFile(record, "T", "ZAN_Single_Turn_file",
                       "INDEX,DEGREE,POWT,FORCE L (N),FORCE R (N)", "Single-turn file"))
        return;
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
    FinishTurnFile(record, written, "Single-turn file");
}
