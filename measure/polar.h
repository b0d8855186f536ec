#pragma once
// The polar view: each pedal's force by crank angle, averaged over the last revolutions. A
// frame's angle is its place between two revolution marks, 0 degrees at the mark; the figures
// are made when the view asks for them after a revolution was kept, not at every revolution: the
// frame path runs without them unless the polar plot is shown.

// The most revolutions averaged, and the most frames a revolution keeps (slower than 12 rpm at
// 50 frames a second a revolution is not kept).
constexpr int polarMostTurns = 50;
constexpr int polarTurnFrames = 256;
constexpr int polarDefaultTurns = 10;

struct PolarTurn {
    int frames;
    float right[polarTurnFrames];
    float left[polarTurnFrames];
};

// What the view shows of one pedal.
struct PedalPolar {
    float peakAngle;     // deg, where the mean force is highest
    float peakForce;     // N
    float deadSpotAngle; // deg, the middle of the weakest sector
    float deadSpotDepth; // N, the mean force over that sector
    float negativeShare; // %, the share of the revolution with a negative mean force
};

struct PolarFigures {
    // Revolutions in the mean; 0 until the first whole one.
    int turns;
    // The mean at each frame's angle of the latest revolution.
    int points;
    float angle[polarTurnFrames];
    float right[polarTurnFrames];
    float left[polarTurnFrames];
    PedalPolar rightPedal;
    PedalPolar leftPedal;
};

struct PolarState {
    // The last revolutions kept whole, a ring, with one slot more for the revolution under way
    // (at keptNext): keeping it moves the ring on rather than copying its frames.
    PolarTurn kept[polarMostTurns + 1];
    int keptNext;
    int keptCount;
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

// How the view draws the figures, live and in the review: each pedal's mean as a closed curve
// around the circle of no force, with points between two frames' angles so it is joined
// smoothly, not as bars.
constexpr int polarPointsPerFrame = 4;
constexpr int polarCurvePoints = polarTurnFrames * polarPointsPerFrame;
constexpr int polarCirclePoints = 72;

// The circle of no force's radius: as large as the deepest pull, and at least a quarter of the
// highest push, so both show.
float PolarZeroRadius(const PolarFigures& figures);
// The circle of no force, polarCirclePoints of it.
void PolarCircle(float zero, float* angle, float* radius);
// One pedal's mean (figures.right or figures.left) around that circle, in degrees and radii of
// up to polarCurvePoints points; returns how many.
int PolarCurve(const PolarFigures& figures, const float* mean, float zero, float* angle,
               float* radius);
