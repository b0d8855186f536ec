#include "link/frame_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// A pedal stroke moves a force by some 60 N in a frame at 90 rpm; a word that moves more than
// 150 N from the frame before is judged with the frame after it. A steeper stroke goes on in a
// straight line through the three frames; a corrupted word stands off that line.
constexpr double forceStepNewtons = 150.0;
// No rider pushes or pulls a pedal with 5000 N.
constexpr double largestForceNewtons = 5000.0;
// The crank and the wheel measure their periods once a revolution: a period may halve or double
// from one revolution to the next, not more, except to or from standing still (the largest
// words).
constexpr int minPeriodStep = 100;
// Heart rate in half beats: 10 beats a minute in 20 ms is no heart. The battery drains by codes.
constexpr int heartRateStep = 20;
constexpr int batteryStep = 2;

int CountsFor(double newtons, float gain) {
    const double perCount = std::fabs(static_cast<double>(gain));
    // A gain of 0 makes every count the same force: no step can be told from another.
    if (!(perCount > 1e-6)) return 65535;
    const double counts = newtons / perCount;
    return counts >= 65535.0 ? 65535 : static_cast<int>(counts);
}

// One word of the frame with how far it may move in a frame.
struct ScreenedWord {
    int CrankFrame::*word;
    bool (*within)(int from, int to, const ScreenLimits& limits);
    // A channel that moves smoothly (the forces): judged against the line through its neighbours.
    bool smooth;
    // Whether a pedalling crank can give the word at all; nullptr: any word.
    bool (*possible)(int value, const ScreenLimits& limits);
};

bool Between(int value, int lowest, int highest) {
    return value >= lowest && value <= highest;
}

const ScreenedWord screenedWords[] = {
    {&CrankFrame::rightForce,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.forceStep[0]); }, true,
     [](int value, const ScreenLimits& l) {
         return Between(value, l.forceLowest[0], l.forceHighest[0]);
     }},
    {&CrankFrame::leftForce,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.forceStep[1]); }, true,
     [](int value, const ScreenLimits& l) {
         return Between(value, l.forceLowest[1], l.forceHighest[1]);
     }},
    {&CrankFrame::rightAux,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.auxStep[0]); }, true,
     nullptr},
    {&CrankFrame::leftAux,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.auxStep[1]); }, true,
     nullptr},
    // The marker bit comes and goes with every revolution; only the period is judged.
    {&CrankFrame::crankWord,
     [](int from, int to, const ScreenLimits& l) {
         return PeriodWithin(from & crankPeriodMask, to & crankPeriodMask, l.crankPeriodStep,
                             crankStanding);
     },
     false, nullptr},
    {&CrankFrame::wheelWord,
     [](int from, int to, const ScreenLimits& l) {
         return PeriodWithin(from, to, l.wheelStep, wheelStanding);
     },
     false, nullptr},
    {&CrankFrame::heartRateWord,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.heartRateStep); },
     false, nullptr},
    {&CrankFrame::battery,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.batteryStep); }, false,
     nullptr},
};

void Pass(FrameScreen& screen, ScreenedFrames& out, const CrankFrame& frame, bool mended) {
    out.frames[out.count] = frame;
    out.rejected[out.count] = mended;
    out.count += 1;
    screen.passed = frame;
    screen.hasPassed = true;
}

// The next frame tells about each word of the held one that jumped: back where it was, the word
// was corrupted and the frame before's stands in; staying near the jump, the jump was real.
// Neither, the word is taken as corrupted too. The frame's other words are its own, so a
// revolution mark in a frame with a corrupted heart rate is kept.
void Decide(FrameScreen& screen, ScreenedFrames& out, const CrankFrame& next,
            const ScreenLimits& limits) {
    CrankFrame mended = screen.held;
    bool replaced = false;
    for (const ScreenedWord& screened : screenedWords) {
        const int before = screen.passed.*screened.word;
        const int held = screen.held.*screened.word;
        const int after = next.*screened.word;
        const bool afterSound = screened.within(before, after, limits);
        const int middle = before + (after - before) / 2;
        if (screen.heldUnstarted) {
            mended.*screened.word = screened.smooth && afterSound ? middle : before;
            replaced = true;
            continue;
        }
        if (screened.within(before, held, limits)) continue;
        // A steep stroke keeps the three frames near one line, and moves at most twice the
        // limit in each frame: a frame after that was corrupted too draws no line.
        if (screened.smooth && screened.within(middle, held, limits) &&
            screened.within(before, before + (held - before) / 2, limits) &&
            screened.within(held, held + (after - held) / 2, limits))
            continue;
        const bool jumpHolds = !afterSound && screened.within(held, after, limits) &&
                               (screened.possible == nullptr || screened.possible(held, limits));
        if (jumpHolds) continue;
        // Corrupted: a smooth channel takes the middle of its neighbours when the frame after is
        // sound, any other word the frame before's.
        mended.*screened.word = screened.smooth && afterSound ? middle : before;
        replaced = true;
    }
    screen.holding = false;
    if (replaced) screen.rejectedFrames += 1;
    Pass(screen, out, mended, replaced);
}
} // namespace

ScreenLimits CrankLimits(float rightForceGain, float leftForceGain, float rightForceOffset,
                         float leftForceOffset) {
    const int right = CountsFor(forceStepNewtons, rightForceGain);
    const int left = CountsFor(forceStepNewtons, leftForceGain);
    const double rightRange = CountsFor(largestForceNewtons, rightForceGain);
    const double leftRange = CountsFor(largestForceNewtons, leftForceGain);
    const auto word = [](double counts) {
        return static_cast<int>(std::clamp(counts, -1.0, 65536.0));
    };
    return ScreenLimits{{right, left},
                        {right, left},
                        minPeriodStep,
                        minPeriodStep,
                        heartRateStep,
                        batteryStep,
                        {word(rightForceOffset - rightRange), word(leftForceOffset - leftRange)},
                        {word(rightForceOffset + rightRange), word(leftForceOffset + leftRange)}};
}

ScreenedFrames ScreenFrame(FrameScreen& screen, const CrankFrame& frame, const ScreenLimits& limits,
                           bool started) {
    ScreenedFrames out{};
    if (screen.holding) Decide(screen, out, frame, limits);
    if (!screen.hasPassed || FramePlausible(screen.passed, frame, limits)) {
        Pass(screen, out, frame, false);
    } else {
        screen.held = frame;
        screen.holding = true;
        screen.heldUnstarted = !started;
    }
    return out;
}

ScreenedFrames ReleaseHeldFrame(FrameScreen& screen) {
    ScreenedFrames out{};
    if (screen.holding) {
        screen.holding = false;
        Pass(screen, out, screen.held, false);
    }
    screen.hasPassed = false;
    return out;
}
