#include "link/revolution_tracking.h"

#include "platform/numbers.h"
#include "protocol/frame.h"

#include <algorithm>
#include <cmath>

namespace {
// Each frame stands for 20 ms of crank time.
constexpr float frameMilliseconds = 20.0f;
// Method 3 needs one pedal to carry this much more than the other.
constexpr float forceMargin = 30.0f;
// No rider turns a crank faster than 250 rpm: a crank that gives its period and marks
// revolutions closer than that marks none.
constexpr double shortestRevolution = 240.0;
// A standing crank gives its full count, 0x1FFF, which goes out as 0x1FFE: no byte but a frame's
// first may be 0xFF.
constexpr int standingPeriod = crankPeriodMask - 1;
// Marks lost in a row that a revolution start recognises on a link that loses no frames.
constexpr int maxLostMarks = 3;
// Revolutions one mark may close when the marks before it were lost: a link that loses most
// frames loses most marks, and every frame that does come gives the crank's own period.
constexpr int mostRevolutionsPerMark = 20;
// Beyond a few revolutions the crank's last period times their number drifts with the cadence:
// the frames counted must lie within this share of a revolution of a whole number of them.
constexpr double wholeRevolutionsShare = 0.4;
// The first revolution after a start or a stall is counted from no mark at all; four more fill
// the period ring with real ones.
constexpr int settledAfter = 5;

// The crank's own measure of the revolution it marks now, in milliseconds; 0 when it gives none
// (0, the full count of a standing crank, or faster than any rider turns it).
float CrankMeasure(const LinkState& link) {
    const int period = link.crankPeriodWord & crankPeriodMask;
    if (period >= standingPeriod || period / 2.0 < shortestRevolution) return 0.0f;
    return static_cast<float>(period) / 2.0f;
}

// Whether the crank gives a measure (CrankMeasure above 0), told in whole half-milliseconds, as
// every frame asks it.
bool CrankMeasures(const LinkState& link) {
    constexpr int shortestPeriod = static_cast<int>(2.0 * shortestRevolution);
    static_assert(shortestPeriod / 2.0 == shortestRevolution);
    const int period = link.crankPeriodWord & crankPeriodMask;
    return period < standingPeriod && period >= shortestPeriod;
}

void EnterPeriod(LinkState& link, float period) {
    link.periodRing[link.periodRingIndex] = period;
    link.periodRingIndex = link.periodRingIndex >= 3 ? 0 : link.periodRingIndex + 1;
}

void StartRevolution(LinkState& link, FrameEvents& events) {
    link.turnFrames = static_cast<float>(link.frameCounter - link.lastTurnFrame);
    const int revolutions = link.turnsSinceStart;
    const bool first = link.settledTurns == 0;
    events.revolutionStarts = true;
    events.revolutionSpan = first ? 0 : revolutions;
    link.turnsSinceStart = 1;
    link.settledTurns = std::min(link.settledTurns + revolutions, settledAfter);
    const float measured = CrankMeasure(link);
    if (first && measured > 0.0f) {
        // The first revolution after a start or a stall is counted from no mark at all, and the
        // ring holds nobody's periods yet: the crank's own measure stands for all of them.
        for (int i = 0; i < 4; ++i) EnterPeriod(link, measured);
    } else if (revolutions > 1) {
        // Marks lost on the way: the frames counted span that many revolutions, each as long as
        // the crank measured it. Frames lost whole on the link are not counted, so the crank's
        // own measure goes into the ring for each of them.
        link.turnFrames /= static_cast<float>(revolutions);
        for (int i = 0; i < std::min(revolutions, 4); ++i) EnterPeriod(link, measured);
    } else if (link.lostSinceTurn && measured > 0.0f) {
        // Frames lost on the link are counted from the bytes that came of them, and a byte lost
        // with them is not: the crank's own measure of the revolution is the sounder one.
        EnterPeriod(link, measured);
    } else if (link.turnFrames >= 1.0f) {
        // Simulated frames set the count from their own clock, so with bytes arriving beside
        // them it can step back. A revolution of no frames or fewer has no period: the mean keeps
        // the last ones, since a zero mean would make every power infinite.
        EnterPeriod(link, frameMilliseconds * link.turnFrames);
    }
    link.turnPeriod =
        (link.periodRing[0] + link.periodRing[1] + link.periodRing[2] + link.periodRing[3]) / 4.0f;
    link.lastTurnFrame = link.frameCounter;
    link.lostSinceTurn = false;
    link.turnLed = 1;
    link.framesSinceTurn = 0;
    link.readSinceTurn = 0;
    link.turningSinceTurn = 0;
    // A window ends at the second revolution, however many marks were lost on the way. The first
    // mark after a start or a stall opens the first window: the frames before it are part of a
    // revolution, and a window holds whole ones.
    link.turnCount = first ? 0 : std::min(link.turnCount + revolutions, 2);
}

void Hit(LinkState& link, FrameEvents& events) {
    link.markerHits += 1;
    if (link.markerHits == 1) StartRevolution(link, events);
}

void Rearm(LinkState& link) {
    link.markerHits = 0;
    link.turnLed = 0;
}

bool Agree(double value, double expected, double share, double frames) {
    return std::fabs(value - expected) <= share * expected + frames * frameMilliseconds;
}

// How many revolutions the frames since the last start span: 1 as a rule, more when marks were
// lost on the way, 0 for a mark a corrupted byte made. The frames counted agree with the crank's
// own measure of the revolution it marks now (within 15 % and two frames), or with a whole number
// of them when that measure is the crank's (the frame before gave it too) or fits the recent
// revolutions (a cadence changes by less than 30 % from one revolution to the next): so lost
// marks are counted from the first revolution on. A measure that agrees with neither (corrupted,
// or the cadence stepped) leaves the recent revolutions to decide, closely: within 3 % and a
// frame.
int RevolutionsSinceLastStart(const LinkState& link) {
    const double measured = CrankMeasure(link);
    if (measured == 0.0) return 1;
    const double counted = frameMilliseconds * (link.frameCounter - link.lastTurnFrame);
    if (counted < shortestRevolution) return 0;
    // The crank gives the same period on every frame of a revolution: a measure other than the
    // one the frame before gave came in a frame the link shifted or corrupted. After a standing
    // crank (no measure) any measure is the crank's.
    const double before = link.lastCrankPeriod / 2.0;
    const bool measuredBefore =
        link.lastCrankPeriod != crankPeriodMask && before >= shortestRevolution;
    const bool cranksOwn = !measuredBefore || Agree(measured, before, 0.15, 0.0);
    // The first revolution after a start or a stall is counted from no mark: it spans one, on the
    // crank's own measure.
    if (link.settledTurns == 0) return cranksOwn || !link.lostSinceTurn ? 1 : 0;
    // The first revolutions after a start or a stall have no settled period to compare with.
    const bool settled = link.turnPeriod < stoppedPeriod && link.settledTurns >= settledAfter;
    if (Agree(counted, measured, 0.15, 2.0)) return 1;
    if ((measuredBefore && cranksOwn) || (settled && Agree(measured, link.turnPeriod, 0.30, 2.0))) {
        // Frames lost on the link may have taken many marks: the whole number of the crank's
        // revolutions nearest to the frames counted.
        if (link.lostSinceTurn) {
            const int revolutions = static_cast<int>(std::lround(counted / measured));
            const double share = std::min(0.15 * revolutions, wholeRevolutionsShare);
            if (revolutions >= 2 && std::fabs(counted - revolutions * measured) <=
                                        share * measured + 2.0 * frameMilliseconds)
                return revolutions;
        }
        for (int revolutions = 2; revolutions <= maxLostMarks + 1; ++revolutions)
            if (Agree(counted, revolutions * measured, 0.15, 2.0)) return revolutions;
    }
    if (!settled || Agree(counted, link.turnPeriod, 0.03, 1.0)) return 1;
    return 0;
}

void DetectRevolution(LinkState& link, int turnDetection, const TurnForces& forces,
                      FrameEvents& events) {
    link.turnMode = turnDetection & link.turnModeMask;
    if (link.turnMode == 1) link.crankPeriodWord ^= revolutionMarker;
    if (link.turnMode < 2) {
        if ((link.crankPeriodWord & revolutionMarker) != 0) {
            link.markerMisses = 0;
            if (link.markerHits == 0) link.turnsSinceStart = RevolutionsSinceLastStart(link);
            // A mark no revolution can have made is no mark: the frame counts as rejected, and
            // the tracking waits for the next.
            if (link.turnsSinceStart == 0) {
                link.screen.rejectedFrames += 1;
                events.markRejected = true;
                link.turnsSinceStart = 1;
                link.settledTurns = std::min(link.settledTurns + 1, settledAfter);
                return;
            }
            Hit(link, events);
        } else {
            link.markerMisses += 1;
            if (link.markerMisses > 2) Rearm(link);
        }
    } else if (link.turnMode == 2) {
        // Half the right pedal's peak, within 35 to 250 N, marks the left pedal's push.
        link.turnThreshold = TruncToInt(forces.rightPeak / 2.0);
        if (link.turnThreshold < 35) link.turnThreshold = 35;
        if (link.turnThreshold > 250) link.turnThreshold = 250;
        link.rearmThreshold = TruncToInt(1.5 * link.turnThreshold);
        if (forces.left > static_cast<float>(link.turnThreshold)) {
            link.markerMisses = 0;
            Hit(link, events);
        }
        if (forces.right > static_cast<float>(link.rearmThreshold)) {
            link.markerMisses += 1;
            if (link.markerMisses > 2) Rearm(link);
        }
    } else if (link.turnMode == 3) {
        if (forces.right > forces.left + forceMargin) Hit(link, events);
        if (forces.left > forces.right + forceMargin) Rearm(link);
    }
}

// A crank that has not turned for 250 frames has stopped: cadence and power fall to near zero
// instead of keeping stale values.
bool CheckStall(LinkState& link) {
    link.framesSinceTurn += 1;
    if (link.framesSinceTurn <= stallFrames) return false;
    // Frames that still give the crank's turning period, within the revolutions one mark may
    // close, after frames lost on the link, come from a turning crank whose marks the link lost:
    // the next mark counts them.
    const double measured = CrankMeasure(link);
    if (link.lostSinceTurn && measured > 0.0 && link.settledTurns > 0 &&
        frameMilliseconds * link.framesSinceTurn < measured * (mostRevolutionsPerMark + 0.5))
        return false;
    link.turnFrames = stoppedPeriod;
    link.turnPeriod = stoppedPeriod;
    link.frameCounter = 1000;
    // The window under way keeps the frames it has spanned so far.
    link.windowFirstFrame = link.frameCounter - link.frameIndex;
    link.lastTurnFrame = 0;
    link.periodRingIndex = 0;
    link.settledTurns = 0;
    for (int slot = 0; slot < 4; ++slot) link.periodRing[slot] = 2000.0f;
    return true;
}
} // namespace

void TrackRevolution(LinkState& link, int turnDetection, const TurnForces& forces,
                     FrameEvents& events) {
    if (events.mended)
        link.lostSinceTurn = true;
    else
        DetectRevolution(link, turnDetection, forces, events);
    if (!events.mended) {
        link.readSinceTurn += 1;
        if (CrankMeasures(link)) link.turningSinceTurn += 1;
    }
    events.stalled = CheckStall(link);
    // A standing crank's frames come whole and give no period; frames mostly mended, or mostly
    // giving a period, come from a crank the link hides.
    events.marksUnseen = events.stalled && (2 * link.readSinceTurn < link.framesSinceTurn ||
                                            2 * link.turningSinceTurn > link.readSinceTurn);
    // Everything after this point sees the period only.
    link.crankPeriodWord &= crankPeriodMask;
    link.lastCrankPeriod = link.crankPeriodWord;
    events.windowEnds = link.turnCount >= 2;
}

void RestartRevolutions(LinkState& link) {
    link.settledTurns = 0;
}

void EndLinkWindow(LinkState& link) {
    link.lastWindowFrames = link.frameIndex;
    StartLinkWindow(link);
}

void StartLinkWindow(LinkState& link) {
    link.turnCount = 0;
    link.frameIndex = 0;
    link.windowFirstFrame = link.frameCounter;
}
