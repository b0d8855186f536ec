#pragma once
// The polar view: each pedal's force by its own crank angle, averaged over the last revolutions.
// The crank marks each revolution as the right pedal passes its top; the left pedal's top is half
// a turn on. The figures are made when the view asks for them after a revolution was kept, not
// at every revolution: the frame path runs without them unless the polar plot is shown.

#include <limits>

// The most revolutions averaged, and the most frames a revolution keeps (slower than 12 rpm at
// 50 frames a second a revolution is not kept).
constexpr int polarMostTurns = 50;
constexpr int polarTurnFrames = 256;
constexpr int polarDefaultTurns = 10;
// The mean curves hold each pedal's force every 3 degrees of its own turn, point 0 at its top.
constexpr int polarPoints = 120;
constexpr float polarPointDegrees = 360.0f / polarPoints;

struct PolarTurn {
    int frames;
    // The polar clock's frame the revolution's mark came on.
    long long markFrame;
    float right[polarTurnFrames];
    float left[polarTurnFrames];
};

// Where a pedal drives the crank, in degrees from its own top dead centre in the pedalling
// direction, the end reached after the start (an end below the start has passed the top): the
// power phase from where its force turns positive to where it stops being so, the peak power
// phase where it is at least half its peak. Not a number where the force never turns.
struct PowerPhase {
    float start = std::numeric_limits<float>::quiet_NaN();
    float end = std::numeric_limits<float>::quiet_NaN();
    float peakStart = std::numeric_limits<float>::quiet_NaN();
    float peakEnd = std::numeric_limits<float>::quiet_NaN();
};

// What the view shows of one pedal; every angle in degrees from the pedal's own top.
struct PedalPolar {
    float peakAngle; // where the mean force is highest, found between the curve's points
    float peakForce; // N
    // The dead spots: where the force is weakest within 45 degrees of the top and of the bottom
    // (the middle of the 30 degrees with the least force either way), and the mean force there.
    float topDeadSpotAngle;
    float topDeadSpotDepth; // N
    float bottomDeadSpotAngle;
    float bottomDeadSpotDepth; // N
    float negativeShare;       // %, the share of the revolution with a negative mean force
    PowerPhase phase;
    // The shape of the push: the mean force on the downstroke (0 to 180 degrees) over the peak
    // force, 0 to 100; an even sine scores 64, a flat push 100, a stab near 0.
    float shapeScore;
};

struct PolarFigures {
    // Revolutions in the mean; 0 until the first whole one.
    int turns;
    // Each pedal's mean force at point k, k * polarPointDegrees from its own top.
    float right[polarPoints];
    float left[polarPoints];
    PedalPolar rightPedal;
    PedalPolar leftPedal;
};

struct PolarState {
    // The last revolutions kept whole, a ring, with one slot more for the revolution under way
    // (at keptNext): keeping it moves the ring on rather than copying its frames.
    PolarTurn kept[polarMostTurns + 1];
    int keptNext;
    int keptCount;
    // Every revolution kept since the start, for a window to count its own.
    long long keptTotal;
    // The polar clock: frames since the start, lost ones counted, so that marks far apart keep
    // their distance.
    long long clock;
    // Whether the revolution under way began at a mark with nothing lost since.
    bool underSound;
    // How many of them the mean takes, 1 to polarMostTurns.
    int turnsAveraged;
    // The figures as last made (read them through PolarFiguresNow), and whether a revolution
    // kept or the turns set since has left them behind.
    PolarFigures made;
    bool figuresBehind;
};

// What one frame brings to the polar view.
struct PolarFrame {
    float rightForce; // N
    float leftForce;  // N
    // A revolution mark starts a new revolution on this frame; the frames since the last mark
    // spanned this many revolutions (0 for the first after a start or a stall, which had no mark).
    bool revolutionStarts;
    int revolutionSpan;
    // What spoils the revolution under way: a mark the tracking rejected, frames lost on the link
    // just before this one, the crank stalled.
    bool markRejected;
    int lostBefore;
    bool stalled;
};

// A frame that brings the revolution under way news: a mark, a stall, a spoiling loss, or a
// revolution too long to keep.
void PolarFrameWithNews(PolarState& polar, const PolarFrame& frame);
// Adds the frame to the revolution under way; a mark closes it and keeps it when it is whole.
// Inline: most frames only go on with the revolution under way.
inline void PolarFrameIn(PolarState& polar, const PolarFrame& frame) {
    PolarTurn& under = polar.kept[polar.keptNext];
    if (!frame.stalled && !frame.markRejected && frame.lostBefore == 0 && !frame.revolutionStarts &&
        under.frames < polarTurnFrames) {
        under.right[under.frames] = frame.rightForce;
        under.left[under.frames] = frame.leftForce;
        under.frames += 1;
        polar.clock += 1;
        return;
    }
    PolarFrameWithNews(polar, frame);
}
// How many revolutions the mean takes (bounded to 1..polarMostTurns); the figures follow.
void SetPolarTurns(PolarState& polar, int turns);
// Forgets every revolution: a new start or a stopped crank.
void ClearPolar(PolarState& polar);
// The mean curves and each pedal's figures over the last turns of the ring.
void MakePolarFigures(PolarState& polar);
// The figures of the revolutions kept so far, made again only when they are behind.
const PolarFigures& PolarFiguresNow(PolarState& polar);
// The figures of only the last turns kept (at most as many as are kept), into figures.
void MakeRecentFigures(const PolarState& polar, int turns, PolarFigures& figures);
// One pedal's figures from its mean curve of polarPoints points.
PedalPolar PedalFiguresOf(const float* mean);
// The mean of power phases, each angle averaged round the circle (355 and 5 give 0); those
// without a phase are left out. Not a number when none has one.
PowerPhase MeanPowerPhase(const PowerPhase* phases, int count);

// How the view draws the figures, live and in the review: each pedal's mean as a closed curve
// around the circle of no force, with points between the curve's own so it is joined smoothly.
constexpr int polarPointsBetween = 4;
constexpr int polarCurvePoints = polarPoints * polarPointsBetween;
constexpr int polarCirclePoints = 72;

// The circle of no force's radius: as large as the deepest pull, and at least a quarter of the
// highest push, so both show.
float PolarZeroRadius(const PolarFigures& figures);
// The circle of no force, polarCirclePoints of it.
void PolarCircle(float zero, float* angle, float* radius);
// One pedal's mean (figures.right or figures.left) around that circle, in degrees from the
// pedal's top and radii, polarCurvePoints of them; returns how many.
int PolarCurve(const float* mean, float zero, float* angle, float* radius);
