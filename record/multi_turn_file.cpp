#include "record/multi_turn_file.h"

#include "record/data_file.h"
#include "record/session_clock.h"

namespace {
constexpr char comma = ',';
}

void ArmCapture(RecordState& record) {
    // Armed or capturing already: the press changes nothing.
    if (record.captureState != CaptureState::Idle) return;
    record.captureState = CaptureState::Armed;
    record.captureFrames = 0;
    record.captureCount = 0;
}

void CaptureFrame(RecordState& record, int turnCount, const PowerFrame& frame) {
    if (record.captureState == CaptureState::Armed && turnCount == 2) {
        record.captureState = CaptureState::Recording;
        record.captureFrames = 0;
        record.captureCount = 0;
        FlashSessionClock(record);
    }
    if (record.captureState != CaptureState::Recording) return;
    record.captureFrames += 1;
    if (record.captureFrames < 1001 && record.captureCount < captureCapacity) {
        record.captureRight[record.captureCount] = frame.rightForce;
        record.captureLeft[record.captureCount] = frame.leftForce;
        // The frame's own power, as the power calculation will give it for this frame.
        record.capturePower[record.captureCount] =
            PedalPower(frame.rightForce, frame.crankLength, frame.turnPeriod) +
            PedalPower(frame.leftForce, frame.crankLength, frame.turnPeriod);
        record.captureCount += 1;
    }
    if (record.captureFrames > 1000) {
        record.captureState = CaptureState::Idle;
        record.captureFrames = 0;
        Save10(record);
    }
}

void Save10(RecordState& record) {
    if (record.sessionActive <= 0) return;
    if (!StartTurnFile(record, "X", "ZAN_Multi_Turn_file",
                       "INDEX,TIME,POWT,FORCE L (N),FORCE R (N)", "Multi-turn file"))
        return;
    bool written = true;
    // Single precision on purpose: 0.01 added a thousand times prints 0.010 to 10.000.
    float time = 0.0f;
    for (int i = 0; i < record.captureCount && i < captureCapacity; ++i) {
        time += 0.01f;
        written &= WriteDataLine(record.turnFile, "%4d%c%.3f%c%.1f%c%.1f%c%.1f", i, comma,
                                 static_cast<double>(time), comma,
                                 static_cast<double>(record.capturePower[i]), comma,
                                 static_cast<double>(record.captureLeft[i]), comma,
                                 static_cast<double>(record.captureRight[i]));
    }
    FinishTurnFile(record, written, "Multi-turn file");
}
