#include "link/frame_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {
// An even pedal stroke moves a force by some 60 N in a frame at 90 rpm; a word that moves more
// than 150 N from the frame before is judged with the frame after it. A steeper stroke goes on in
// a straight line through the three frames; a corrupted word stands off that line.
constexpr double forceStepNewtons = 150.0;
// No rider pushes or pulls a pedal with 5000 N.
constexpr double largestForceNewtons = 5000.0;
// The crank and the wheel measure their periods once a revolution: a period may halve or double
// from one revolution to the next, not more, except to or from standing still (the largest
// words). A wheel's period moves less (PeriodWithin).
constexpr int minPeriodStep = 100;
// A sprinter's stroke, a 2000 N peak pushed in a sixth of a turn at 120 rpm, moves a force by some
// 800 N in a frame: steps up to this many times the limit pass when the three frames lie on a line.
constexpr int steepestStroke = 6;
// Heart rate in half beats: 10 beats a minute in 20 ms is no heart. No strap gives 0, and a
// rider's heart beats 25 to 250 times a minute. The battery drains by codes.
constexpr int heartRateStep = 20;
constexpr int lowestHeartRateWord = 50;
constexpr int highestHeartRateWord = 500;
constexpr int batteryStep = 2;
// A word replaced in this many frames in a row is no longer the crank's (bytes at random, no
// crank at all): it says nothing rather than keep the last sound one for good.
constexpr int replacedForGood = 10;

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
    // The word that says nothing (no force, no heart rate, no revolution mark), for a word no
    // crank can give, from the word before it; nullptr: the word before stands.
    int (*nothing)(int before, const ScreenLimits& limits);
};

bool Between(int value, int lowest, int highest) {
    return value >= lowest && value <= highest;
}

const ScreenedWord screenedWords[] = {
    {&CrankFrame::rightForce,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.forceStep[0]); }, true,
     [](int value, const ScreenLimits& l) {
         return Between(value, l.forceLowest[0], l.forceHighest[0]);
     },
     [](int, const ScreenLimits& l) { return l.forceNone[0]; }},
    {&CrankFrame::leftForce,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.forceStep[1]); }, true,
     [](int value, const ScreenLimits& l) {
         return Between(value, l.forceLowest[1], l.forceHighest[1]);
     },
     [](int, const ScreenLimits& l) { return l.forceNone[1]; }},
    {&CrankFrame::rightAux,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.auxStep[0]); }, true,
     nullptr, nullptr},
    {&CrankFrame::leftAux,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.auxStep[1]); }, true,
     nullptr, nullptr},
    // The marker bit comes and goes with every revolution; only the period is judged.
    {&CrankFrame::crankWord,
     [](int from, int to, const ScreenLimits& l) {
         return PeriodWithin(from & crankPeriodMask, to & crankPeriodMask, l.crankPeriodStep,
                             crankStanding);
     },
     false, nullptr, [](int before, const ScreenLimits&) { return before & crankPeriodMask; }},
    {&CrankFrame::wheelWord,
     [](int from, int to, const ScreenLimits& l) {
         return PeriodWithin(from, to, l.wheelStep, wheelStanding, wheelShare);
     },
     false, nullptr, nullptr},
    {&CrankFrame::heartRateWord,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.heartRateStep); },
     false,
     [](int value, const ScreenLimits&) {
         return value == 0 || Between(value, lowestHeartRateWord, highestHeartRateWord);
     },
     [](int, const ScreenLimits&) { return 0; }},
    {&CrankFrame::battery,
     [](int from, int to, const ScreenLimits& l) { return Within(from, to, l.batteryStep); }, false,
     nullptr, nullptr},
};

static_assert(std::size(screenedWords) == screenedWordCount);

// A frame judged against nothing: a word no crank can give says nothing instead, and the frame
// counts as rejected. True when a word was replaced.
bool SayNothingImpossible(FrameScreen& screen, CrankFrame& frame, const ScreenLimits& limits) {
    bool replaced = false;
    for (const ScreenedWord& screened : screenedWords) {
        if (screened.possible == nullptr || screened.possible(frame.*screened.word, limits))
            continue;
        frame.*screened.word = screened.nothing(frame.*screened.word, limits);
        replaced = true;
    }
    if (replaced) screen.rejectedFrames += 1;
    return replaced;
}

void Pass(FrameScreen& screen, ScreenedFrames& out, const CrankFrame& frame, bool mended) {
    out.frames[out.count] = frame;
    out.rejected[out.count] = mended;
    out.count += 1;
    if (!mended) std::fill(std::begin(screen.replacedInRow), std::end(screen.replacedInRow), 0);
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
    // A real jump leaves the frame after it near the held one in every word; frames that lost
    // bytes on the link go on shifted, each its own way.
    const bool heldRepeated = FramePlausible(screen.held, next, limits);
    int index = 0;
    for (const ScreenedWord& screened : screenedWords) {
        int& inRow = screen.replacedInRow[index++];
        const int before = screen.passed.*screened.word;
        const int held = screen.held.*screened.word;
        const int after = next.*screened.word;
        const bool afterSound = screened.within(before, after, limits);
        const int middle = before + (after - before) / 2;
        // Corrupted: a smooth channel takes the middle of its neighbours when the frame after is
        // sound, any other word the frame before's.
        const int standIn = screened.smooth && afterSound ? middle : before;
        const auto replace = [&] {
            inRow += 1;
            mended.*screened.word = inRow >= replacedForGood && screened.nothing != nullptr
                                        ? screened.nothing(before, limits)
                                        : standIn;
            replaced = true;
        };
        if (screen.heldUnstarted) {
            replace();
            continue;
        }
        // A steep stroke keeps the three frames near one line, and moves at most a few times
        // the limit in each frame: a frame after that was corrupted too draws no line.
        const bool steepStroke =
            screened.smooth && screened.within(middle, held, limits) &&
            screened.within(before, before + (held - before) / steepestStroke, limits) &&
            screened.within(held, held + (after - held) / steepestStroke, limits);
        const bool jumpHolds = !afterSound && heldRepeated &&
                               (screened.possible == nullptr || screened.possible(held, limits));
        if (screened.within(before, held, limits) || steepStroke || jumpHolds)
            inRow = 0;
        else
            replace();
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
                        minWheelStep,
                        heartRateStep,
                        batteryStep,
                        {word(rightForceOffset - rightRange), word(leftForceOffset - leftRange)},
                        {word(rightForceOffset + rightRange), word(leftForceOffset + leftRange)},
                        {word(rightForceOffset), word(leftForceOffset)}};
}

const ScreenLimits& WidenedLimits(const ScreenLimits& limits, int framesLost, ScreenLimits& room) {
    if (framesLost <= 0) return limits;
    ScreenLimits& across = room;
    across = limits;
    const auto widen = [framesLost](int step) {
        return static_cast<int>(
            std::min<long long>(65535, static_cast<long long>(step) * (framesLost + 1)));
    };
    for (int side = 0; side < 2; ++side) {
        across.forceStep[side] = widen(limits.forceStep[side]);
        across.auxStep[side] = widen(limits.auxStep[side]);
    }
    return across;
}

ScreenedFrames ScreenFrame(FrameScreen& screen, const CrankFrame& frame, const ScreenLimits& limits,
                           bool started) {
    ScreenedFrames out{};
    // A held frame is judged with the wider of the limits across its gap and the next one's.
    if (screen.holding) {
        ScreenLimits judged = limits;
        for (int side = 0; side < 2; ++side) {
            judged.forceStep[side] =
                std::max(limits.forceStep[side], screen.heldLimits.forceStep[side]);
            judged.auxStep[side] = std::max(limits.auxStep[side], screen.heldLimits.auxStep[side]);
        }
        Decide(screen, out, frame, judged);
    }
    if (!screen.hasPassed) {
        CrankFrame first = frame;
        Pass(screen, out, first, SayNothingImpossible(screen, first, limits));
    } else if (FramePlausible(screen.passed, frame, limits)) {
        Pass(screen, out, frame, false);
    } else {
        screen.held = frame;
        screen.heldLimits = limits;
        screen.holding = true;
        screen.heldUnstarted = !started;
    }
    return out;
}

ScreenedFrames ReleaseHeldFrame(FrameScreen& screen) {
    ScreenedFrames out{};
    if (screen.holding) {
        screen.holding = false;
        CrankFrame held = screen.held;
        Pass(screen, out, held, SayNothingImpossible(screen, held, screen.heldLimits));
    }
    screen.hasPassed = false;
    return out;
}
