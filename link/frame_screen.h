#pragma once
// The frame screen: the crank's frames carry no checksum, so a byte corrupted on the link reaches
// the station as a frame that looks whole. A pedalling crank cannot move a word further in one
// frame (20 ms) than its limit; a frame with a word that does, against the frame before it, is
// held until the next one tells. A force or auxiliary word on the line through its neighbours is
// a steep stroke; off it, it was corrupted and the line's middle stands in for it. Any other word
// that the next frame brings back was corrupted and the frame before's stands in; one the next
// frame keeps was a real jump. A frame with a word replaced is counted as rejected, and every
// frame keeps its place in time.

#include "protocol/frame.h"

// How far each word may move in one frame, in its own counts.
struct ScreenLimits {
    int forceStep[2]; // right, left
    int auxStep[2];   // right, left
    int crankPeriodStep;
    int wheelStep;
    int heartRateStep;
    int batteryStep;
    // The force words a pedal can give at all, in counts: a jump beyond them is no jump.
    int forceLowest[2];
    int forceHighest[2];
    // The force words of no force.
    int forceNone[2];
};

// The words the screen judges: the four forces, the crank and wheel periods, the heart rate and
// the battery.
constexpr int screenedWordCount = 8;

struct FrameScreen {
    CrankFrame passed;       // the last frame let through
    CrankFrame held;         // a frame that jumped, waiting for the next
    ScreenLimits heldLimits; // the limits it was judged by
    bool hasPassed;
    bool holding;
    // The held frame came without its start byte: a word of it that jumped says the frame is
    // shifted by a byte, and none of its words is the crank's.
    bool heldUnstarted;
    // Frames in a row in which each word was replaced.
    int replacedInRow[screenedWordCount];
    long long rejectedFrames;
};

// What the screen lets through for one frame received: none, one or two frames, in order.
struct ScreenedFrames {
    CrankFrame frames[2];
    bool rejected[2]; // a word of the frame was corrupted and has been replaced
    int count;
};

// The largest period words mean a crank or a wheel standing still: any word may follow them.
constexpr int crankStanding = crankPeriodMask - 1;
constexpr int wheelStanding = 0xFEFE;

// No step is negative (the least is 0, no move at all): to lies within it of from when to - from +
// step falls in 0..2 * step, which one unsigned comparison tells.
inline bool Within(int from, int to, int step) {
    return static_cast<unsigned>(to) - static_cast<unsigned>(from) + static_cast<unsigned>(step) <=
           2u * static_cast<unsigned>(step);
}

// A crank's period may halve or double from one revolution to the next, not more, except to or
// from standing still. A wheel carries the bicycle and its rider: from one frame to the next its
// period moves by a sixteenth of itself at most, and a larger step is judged with the frame after.
inline bool PeriodWithin(int from, int to, int minStep, int standing, int share = 2) {
    const int larger = from > to ? from : to;
    const int step = larger / share > minStep ? larger / share : minStep;
    return (larger >= standing) | Within(from, to, step);
}
constexpr int wheelShare = 16;
constexpr int minWheelStep = 4;

// Two wheel period words a rolling wheel can give one after the other.
inline bool WheelPeriodsAgree(int from, int to) {
    return PeriodWithin(from, to, minWheelStep, wheelStanding, wheelShare);
}

// The forces and auxiliaries, side by side in the frame's order, each within its step: the four
// distances are told together.
inline bool ForcesWithin(const CrankFrame& from, const CrankFrame& to, const ScreenLimits& limits) {
    const int steps[4] = {limits.forceStep[0], limits.auxStep[0], limits.forceStep[1],
                          limits.auxStep[1]};
    const int fromWords[4] = {from.rightForce, from.rightAux, from.leftForce, from.leftAux};
    const int toWords[4] = {to.rightForce, to.rightAux, to.leftForce, to.leftAux};
    unsigned beyond = 0;
    for (int i = 0; i < 4; ++i) beyond |= !Within(fromWords[i], toWords[i], steps[i]);
    return beyond == 0;
}

// True when a pedalling crank can go from one frame to the next. Every word is judged, the
// answers joined without a branch between them: almost every frame passes, and the checks then
// run side by side.
inline bool FramePlausible(const CrankFrame& from, const CrankFrame& to,
                           const ScreenLimits& limits) {
    const int passes =
        static_cast<int>(ForcesWithin(from, to, limits)) &
        static_cast<int>(PeriodWithin(from.crankWord & crankPeriodMask,
                                      to.crankWord & crankPeriodMask, limits.crankPeriodStep,
                                      crankStanding)) &
        static_cast<int>(PeriodWithin(from.wheelWord, to.wheelWord, limits.wheelStep, wheelStanding,
                                      wheelShare)) &
        static_cast<int>(Within(from.heartRateWord, to.heartRateWord, limits.heartRateStep)) &
        static_cast<int>(Within(from.battery, to.battery, limits.batteryStep));
    return passes != 0;
}

// The common case at once: nothing held, and every word within reach of the frame before. True
// when the frame goes on as it came; otherwise ScreenFrame decides.
inline bool PassesAtOnce(FrameScreen& screen, const CrankFrame& frame, const ScreenLimits& limits) {
    if (screen.holding || !screen.hasPassed || !FramePlausible(screen.passed, frame, limits))
        return false;
    screen.passed = frame;
    for (int& inRow : screen.replacedInRow) inRow = 0;
    return true;
}

// The limits across frames the link lost between two frames received: a force moves as far in
// each frame lost as in a frame received. Made in room.
const ScreenLimits& WidenedLimits(const ScreenLimits& limits, int framesLost, ScreenLimits& room);
// Most frames come with none lost: the limits themselves then, at once.
inline const ScreenLimits& AcrossLostFrames(const ScreenLimits& limits, int framesLost,
                                            ScreenLimits& room) {
    return framesLost <= 0 ? limits : WidenedLimits(limits, framesLost, room);
}
// The limits of a pedalling crank for the setup's force gains (newtons per count) and offsets
// (the counts of no force).
ScreenLimits CrankLimits(float rightForceGain, float leftForceGain, float rightForceOffset,
                         float leftForceOffset);
ScreenedFrames ScreenFrame(FrameScreen& screen, const CrankFrame& frame, const ScreenLimits& limits,
                           bool started = true);
// After a gap in the stream (a restart, a handshake, a lost link) the next frame is judged
// against nothing: a held frame is let through as it came, but for the words no crank can give.
ScreenedFrames ReleaseHeldFrame(FrameScreen& screen);
