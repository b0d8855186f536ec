#include "record/multi_turn_file.h"

#include "app/station.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "record/data_file.h"
#include "record/record_callbacks.h"

namespace {
constexpr char comma = ',';
}

int SAVE10(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    // Armed or capturing already: the press changes nothing.
    if (zan.captureState != CaptureState::Idle) return 0;
    zan.captureState = CaptureState::Armed;
    zan.captureFrames = 0;
    zan.captureCount = 0;
    return 0;
}

void Save10() {
    Station& zan = CurrentStation();
    if (zan.sessionActive <= 0) return;
    if (!StartTurnFile("X", "ZAN_Multi_Turn_file", "INDEX,TIME,POWT,FORCE L (N),FORCE R (N)",
                       "Multi-turn file"))
        return;
    bool written = true;
    // Single precision on purpose: 0.01 added a thousand times prints 0.010 to 10.000.
    float time = 0.0f;
    for (int i = 0; i < zan.captureCount && i < captureCapacity; ++i) {
        time += 0.01f;
        written &= WriteDataLine(zan.turnFile, "%4d%c%.3f%c%.1f%c%.1f%c%.1f", i, comma,
                                 static_cast<double>(time), comma,
                                 static_cast<double>(zan.capturePower[i]), comma,
                                 static_cast<double>(zan.captureLeft[i]), comma,
                                 static_cast<double>(zan.captureRight[i]));
    }
    FinishTurnFile(written, "Multi-turn file");
}
