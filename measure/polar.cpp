#include "measure/polar.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {
constexpr float fullTurn = 360.0f;
constexpr float halfTurn = 180.0f;
// The ring's slots: the revolutions kept and the one under way.
constexpr int ringSlots = polarMostTurns + 1;
// A dead spot is the middle of 30 degrees (eleven points) whose centre lies within 45 degrees of
// the pedal's top or bottom.
constexpr int sectorHalf = 5;
constexpr int deadSpotReach = 15;

float Wrapped(float degrees) {
    float wrapped = std::fmod(degrees, fullTurn);
    if (wrapped < 0.0f) wrapped += fullTurn;
    return wrapped >= fullTurn ? 0.0f : wrapped;
}

const PolarTurn& TurnBack(const PolarState& polar, int back) {
    return polar.kept[(polar.keptNext + ringSlots - back) % ringSlots];
}

// Where a revolution's frames fell: the crank's frames do not divide a revolution evenly, so its
// mark came up to a frame after the crank passed the top. offset is how far (in frames) the mark
// frame came after the top, period the revolution's length in frames.
struct TurnPlace {
    double offset;
    double period;
};

// The revolutions' places from their marks. A steady crank passes its top every `period`
// frames from some instant; each mark came on the first frame at or after it, so every mark
// bounds both. The period is taken from the middle of what all marks allow, the first top as
// late as they allow: with nothing to show otherwise, the mark frame is at the mark. A crank whose
// pace changed fits no one period: each revolution then spans its own frames, from its mark.
bool PlaceTurns(const PolarState& polar, int newest, int count, TurnPlace* byBack) {
    struct Mark {
        double turn;
        double frame;
    };
    Mark marks[polarMostTurns + 1];
    int markCount = 0;
    double turn = 0.0;
    const int oldest = newest + count - 1;
    for (int back = oldest; back >= newest; --back) {
        const PolarTurn& kept = TurnBack(polar, back);
        if (back < oldest) {
            const PolarTurn& before = TurnBack(polar, back + 1);
            const auto gap = static_cast<double>(kept.markFrame - before.markFrame);
            turn += std::max(1.0, std::round(gap / before.frames));
        }
        marks[markCount++] = Mark{turn, static_cast<double>(kept.markFrame)};
        byBack[back] = TurnPlace{0.0, static_cast<double>(kept.frames)};
    }
    const PolarTurn& latest = TurnBack(polar, newest);
    marks[markCount++] = Mark{turn + 1.0, static_cast<double>(latest.markFrame + latest.frames)};
    double lowest = 0.0;
    double highest = 1e9;
    for (int i = 0; i < markCount; ++i)
        for (int j = i + 1; j < markCount; ++j) {
            const double turns = marks[j].turn - marks[i].turn;
            const double frames = marks[j].frame - marks[i].frame;
            lowest = std::max(lowest, (frames - 1.0) / turns);
            highest = std::min(highest, (frames + 1.0) / turns);
        }
    if (!(lowest < highest)) return false;
    const double period = 0.5 * (lowest + highest);
    // The tops are counted back from the newest mark, so that an error of the period moves the
    // oldest revolutions' frames most and the newest least.
    const double newestTurn = marks[markCount - 1].turn;
    double newestTop = 1e300;
    for (int i = 0; i < markCount; ++i)
        newestTop = std::min(newestTop, marks[i].frame - (marks[i].turn - newestTurn) * period);
    for (int i = 0; i < count; ++i) {
        const double offset = marks[i].frame - (newestTop + (marks[i].turn - newestTurn) * period);
        byBack[oldest - i] = TurnPlace{std::clamp(offset, 0.0, 0.999), period};
    }
    return true;
}

// A pedal's force at the crank angles its frames fell on, in degrees from its own top.
struct Sample {
    float angle;
    float force;
};

// Where each of the last `turns` revolutions' frames fell, from the top: byBack[1] the newest.
// Every revolution kept places them, the more the better, even when the mean takes fewer; a
// crank whose pace changed is placed in shorter runs, each with one period of its own.
void PlaceRecentTurns(const PolarState& polar, int turns, TurnPlace* byBack) {
    int newest = 1;
    int run = polar.keptCount;
    while (newest <= turns) {
        const int count = std::min(run, polar.keptCount - newest + 1);
        if (PlaceTurns(polar, newest, count, byBack) || count <= 2) {
            newest += count;
            run = polar.keptCount;
        } else {
            run = count / 2;
        }
    }
}

// One revolution's frames at their angles, each pedal from its own top, in order round the
// circle.
void TakeSamples(const PolarTurn& turn, const TurnPlace& place, std::vector<Sample>& right,
                 std::vector<Sample>& left) {
    right.clear();
    left.clear();
    const double degreesPerFrame = fullTurn / place.period;
    for (int k = 0; k < turn.frames; ++k) {
        const auto angle = static_cast<float>((k + place.offset) * degreesPerFrame);
        right.push_back(Sample{Wrapped(angle), turn.right[k]});
        left.push_back(Sample{Wrapped(angle + halfTurn), turn.left[k]});
    }
    // The frames are in order from the mark; wrapping past the top moves the rest to the front.
    for (std::vector<Sample>* samples : {&right, &left}) {
        const auto first =
            std::min_element(samples->begin(), samples->end(),
                             [](const Sample& a, const Sample& b) { return a.angle < b.angle; });
        std::rotate(samples->begin(), first, samples->end());
    }
}

// The mean curve at each point, between the samples around it (the circle closes over the top).
void CurveFromSamples(const std::vector<Sample>& samples, float* mean) {
    const std::size_t n = samples.size();
    std::size_t after = 0;
    for (int k = 0; k < polarPoints; ++k) {
        const float angle = static_cast<float>(k) * polarPointDegrees;
        while (after < n && samples[after].angle < angle) ++after;
        const Sample& next = after < n ? samples[after] : samples[0];
        const Sample& last = after > 0 ? samples[after - 1] : samples[n - 1];
        const float nextAngle = after < n ? next.angle : next.angle + fullTurn;
        const float lastAngle = after > 0 ? last.angle : last.angle - fullTurn;
        const float span = nextAngle - lastAngle;
        const float part = span > 0.0f ? (angle - lastAngle) / span : 0.0f;
        mean[k] = last.force + (next.force - last.force) * part;
    }
}

// Where the force reaches zero between a sample that does not push and the next that does, or
// the other way round. Near a dead centre the force leaves zero steeply on the pushing side
// and barely on the other, so the crossing is where the pushing side's own slope reaches zero,
// kept between the two samples.
float ZeroCrossing(const Sample& weak, const Sample& pushing, const Sample& beyond) {
    float weakAngle = weak.angle;
    float beyondAngle = beyond.angle;
    // Angles across the top are taken on from the pushing sample.
    if (weakAngle - pushing.angle > halfTurn) weakAngle -= fullTurn;
    if (weakAngle - pushing.angle < -halfTurn) weakAngle += fullTurn;
    if (beyondAngle - pushing.angle > halfTurn) beyondAngle -= fullTurn;
    if (beyondAngle - pushing.angle < -halfTurn) beyondAngle += fullTurn;
    const float slope = (beyond.force - pushing.force) / (beyondAngle - pushing.angle);
    float crossing = pushing.angle;
    if (std::isfinite(slope) && slope != 0.0f) crossing = pushing.angle - pushing.force / slope;
    const float low = std::min(weakAngle, pushing.angle);
    const float high = std::max(weakAngle, pushing.angle);
    if (!std::isfinite(crossing) || crossing < low || crossing > high) {
        const float part = weak.force / (weak.force - pushing.force);
        crossing = weakAngle + (pushing.angle - weakAngle) * part;
    }
    return Wrapped(crossing);
}

// Where the force passes a level between two samples, in a straight line.
float LevelCrossing(const Sample& a, const Sample& b, float level) {
    float bAngle = b.angle;
    if (bAngle - a.angle > halfTurn) bAngle -= fullTurn;
    if (bAngle - a.angle < -halfTurn) bAngle += fullTurn;
    const float part = (level - a.force) / (b.force - a.force);
    return Wrapped(a.angle + (bAngle - a.angle) * std::clamp(part, 0.0f, 1.0f));
}

// The power phase and the peak power phase from the samples themselves: the longest run of
// pushing samples round the circle, and the run around the highest sample at half its force or
// more.
PowerPhase PhaseOf(const std::vector<Sample>& samples) {
    PowerPhase phase;
    const int n = static_cast<int>(samples.size());
    if (n < 3) return phase;
    const auto at = [&samples, n](int i) -> const Sample& { return samples[((i % n) + n) % n]; };
    int bestStart = -1;
    int bestLength = 0;
    for (int i = 0; i < n; ++i) {
        if (!(at(i).force > 0.0f) || at(i - 1).force > 0.0f) continue;
        int length = 0;
        while (length < n && at(i + length).force > 0.0f) ++length;
        if (length > bestLength) {
            bestLength = length;
            bestStart = i;
        }
    }
    if (bestStart >= 0 && bestLength >= 2) {
        const int last = bestStart + bestLength - 1;
        phase.start = ZeroCrossing(at(bestStart - 1), at(bestStart), at(bestStart + 1));
        phase.end = ZeroCrossing(at(last + 1), at(last), at(last - 1));
    }
    int peak = 0;
    for (int i = 1; i < n; ++i)
        if (samples[i].force > samples[peak].force) peak = i;
    const float half = 0.5f * samples[peak].force;
    if (!(half > 0.0f)) return phase;
    int before = 0;
    while (before < n && at(peak - before - 1).force >= half) ++before;
    int after = 0;
    while (after < n && at(peak + after + 1).force >= half) ++after;
    if (before + after + 1 >= n) return phase;
    phase.peakStart = LevelCrossing(at(peak - before - 1), at(peak - before), half);
    phase.peakEnd = LevelCrossing(at(peak + after), at(peak + after + 1), half);
    return phase;
}

// The highest force of one revolution between its frames: the top of the parabola through the
// highest frame and the frames either side of it.
void PeakOf(const std::vector<Sample>& samples, float& angle, float& force) {
    const int n = static_cast<int>(samples.size());
    int peak = 0;
    for (int i = 1; i < n; ++i)
        if (samples[i].force > samples[peak].force) peak = i;
    angle = samples[peak].angle;
    force = samples[peak].force;
    if (n < 3) return;
    const Sample& before = samples[(peak + n - 1) % n];
    const Sample& after = samples[(peak + 1) % n];
    const float bend = before.force - 2.0f * force + after.force;
    if (!(bend < 0.0f)) return;
    const float shift = std::clamp(0.5f * (before.force - after.force) / bend, -0.5f, 0.5f);
    float step = after.angle - samples[peak].angle;
    if (step < 0.0f) step += fullTurn;
    angle = Wrapped(angle + shift * step);
    force -= 0.25f * (before.force - after.force) * shift;
}

float PointAt(const float* mean, int k) {
    return mean[((k % polarPoints) + polarPoints) % polarPoints];
}

// The weakest 30 degrees whose middle is within reach of a point: its middle and its mean force.
void DeadSpot(const float* mean, int centre, float& angle, float& depth) {
    float weakest = 0.0f;
    for (int c = centre - deadSpotReach; c <= centre + deadSpotReach; ++c) {
        float magnitude = 0.0f;
        float sum = 0.0f;
        for (int j = -sectorHalf; j <= sectorHalf; ++j) {
            magnitude += std::fabs(PointAt(mean, c + j));
            sum += PointAt(mean, c + j);
        }
        if (c == centre - deadSpotReach || magnitude < weakest) {
            weakest = magnitude;
            angle = Wrapped(static_cast<float>(c) * polarPointDegrees);
            depth = sum / (2 * sectorHalf + 1);
        }
    }
}
} // namespace

PedalPolar PedalFiguresOf(const float* mean) {
    PedalPolar pedal{};
    const int peak = static_cast<int>(std::max_element(mean, mean + polarPoints) - mean);
    // The peak between the points: the top of the parabola through it and its neighbours.
    const float before = PointAt(mean, peak - 1);
    const float after = PointAt(mean, peak + 1);
    const float bend = before - 2.0f * mean[peak] + after;
    const float shift =
        bend < 0.0f ? std::clamp(0.5f * (before - after) / bend, -0.5f, 0.5f) : 0.0f;
    pedal.peakAngle = Wrapped((static_cast<float>(peak) + shift) * polarPointDegrees);
    pedal.peakForce = mean[peak] - 0.25f * (before - after) * shift;
    DeadSpot(mean, 0, pedal.topDeadSpotAngle, pedal.topDeadSpotDepth);
    DeadSpot(mean, polarPoints / 2, pedal.bottomDeadSpotAngle, pedal.bottomDeadSpotDepth);
    int negative = 0;
    for (int k = 0; k < polarPoints; ++k) negative += mean[k] < 0.0f ? 1 : 0;
    pedal.negativeShare = 100.0f * static_cast<float>(negative) / polarPoints;
    double downstroke = 0.0;
    for (int k = 0; k < polarPoints / 2; ++k) downstroke += mean[k];
    const double meanDown = downstroke / (polarPoints / 2);
    pedal.shapeScore =
        pedal.peakForce > 0.0f
            ? static_cast<float>(std::clamp(100.0 * meanDown / pedal.peakForce, 0.0, 100.0))
            : 0.0f;
    return pedal;
}

void ClearPolar(PolarState& polar) {
    const int turns = polar.turnsAveraged;
    polar.keptNext = 0;
    polar.kept[0].frames = 0;
    polar.underSound = false;
    polar.keptCount = 0;
    polar.made = PolarFigures{};
    polar.figuresBehind = false;
    polar.turnsAveraged = std::clamp(turns, 1, polarMostTurns);
}

void SetPolarTurns(PolarState& polar, int turns) {
    polar.turnsAveraged = std::clamp(turns, 1, polarMostTurns);
    polar.figuresBehind = true;
}

void PolarFrameWithNews(PolarState& polar, const PolarFrame& frame) {
    const long long now = polar.clock + std::max(0, frame.lostBefore);
    polar.clock = now + 1;
    PolarTurn* under = &polar.kept[polar.keptNext];
    if (frame.stalled) {
        under->frames = 0;
        polar.underSound = false;
        return;
    }
    if (frame.markRejected || frame.lostBefore > 0) polar.underSound = false;
    if (frame.revolutionStarts) {
        // Only a revolution that began at a mark, ended at the next one a revolution later and
        // lost nothing on the way has its frames at their angles.
        if (polar.underSound && frame.revolutionSpan == 1 && under->frames > 1) {
            polar.keptNext = (polar.keptNext + 1) % ringSlots;
            polar.keptCount = std::min(polar.keptCount + 1, polarMostTurns);
            polar.keptTotal += 1;
            polar.figuresBehind = true;
            under = &polar.kept[polar.keptNext];
        }
        under->frames = 0;
        under->markFrame = now;
        polar.underSound = frame.lostBefore == 0;
    }
    if (under->frames >= polarTurnFrames) {
        polar.underSound = false;
        return;
    }
    under->right[under->frames] = frame.rightForce;
    under->left[under->frames] = frame.leftForce;
    under->frames += 1;
}

const PolarFigures& PolarFiguresNow(PolarState& polar) {
    if (polar.figuresBehind) MakePolarFigures(polar);
    return polar.made;
}

void MakePolarFigures(PolarState& polar) {
    polar.figuresBehind = false;
    MakeRecentFigures(polar, polar.turnsAveraged, polar.made);
}

void MakeRecentFigures(const PolarState& polar, int turns, PolarFigures& figures) {
    const int used = std::min(polar.keptCount, std::clamp(turns, 1, polarMostTurns));
    figures = PolarFigures{};
    figures.turns = used;
    if (used == 0) return;
    TurnPlace byBack[polarMostTurns + 1];
    PlaceRecentTurns(polar, used, byBack);
    // Each revolution counts the same at every angle: its curve between its own frames, then
    // the mean of the curves; its power phases from its own frames, then their mean.
    double rightSum[polarPoints] = {};
    double leftSum[polarPoints] = {};
    PowerPhase rightPhases[polarMostTurns];
    PowerPhase leftPhases[polarMostTurns];
    // The peaks as power phases' starts, to be averaged round the circle with them.
    PowerPhase rightPeaks[polarMostTurns];
    PowerPhase leftPeaks[polarMostTurns];
    double rightPeakForce = 0.0;
    double leftPeakForce = 0.0;
    std::vector<Sample> right;
    std::vector<Sample> left;
    float curve[polarPoints];
    for (int back = used; back >= 1; --back) {
        TakeSamples(TurnBack(polar, back), byBack[back], right, left);
        CurveFromSamples(right, curve);
        for (int k = 0; k < polarPoints; ++k) rightSum[k] += curve[k];
        CurveFromSamples(left, curve);
        for (int k = 0; k < polarPoints; ++k) leftSum[k] += curve[k];
        rightPhases[back - 1] = PhaseOf(right);
        leftPhases[back - 1] = PhaseOf(left);
        float force = 0.0f;
        PeakOf(right, rightPeaks[back - 1].start, force);
        rightPeakForce += force;
        PeakOf(left, leftPeaks[back - 1].start, force);
        leftPeakForce += force;
    }
    for (int k = 0; k < polarPoints; ++k) {
        figures.right[k] = static_cast<float>(rightSum[k] / used);
        figures.left[k] = static_cast<float>(leftSum[k] / used);
    }
    figures.rightPedal = PedalFiguresOf(figures.right);
    figures.leftPedal = PedalFiguresOf(figures.left);
    figures.rightPedal.phase = MeanPowerPhase(rightPhases, used);
    figures.leftPedal.phase = MeanPowerPhase(leftPhases, used);
    // Each revolution's own peak, found between its frames, rather than the mean curve's, which
    // is drawn straight between them.
    figures.rightPedal.peakAngle = MeanPowerPhase(rightPeaks, used).start;
    figures.leftPedal.peakAngle = MeanPowerPhase(leftPeaks, used).start;
    figures.rightPedal.peakForce = static_cast<float>(rightPeakForce / used);
    figures.leftPedal.peakForce = static_cast<float>(leftPeakForce / used);
}

PowerPhase MeanPowerPhase(const PowerPhase* phases, int count) {
    double sums[4][2] = {};
    int counted[4] = {};
    for (int i = 0; i < count; ++i) {
        const float angles[4] = {phases[i].start, phases[i].end, phases[i].peakStart,
                                 phases[i].peakEnd};
        for (int a = 0; a < 4; ++a) {
            if (!std::isfinite(angles[a])) continue;
            const double radians = angles[a] * std::numbers::pi / 180.0;
            sums[a][0] += std::cos(radians);
            sums[a][1] += std::sin(radians);
            counted[a] += 1;
        }
    }
    float means[4];
    for (int a = 0; a < 4; ++a)
        means[a] = counted[a] > 0 ? Wrapped(static_cast<float>(std::atan2(sums[a][1], sums[a][0]) *
                                                               180.0 / std::numbers::pi))
                                  : std::numeric_limits<float>::quiet_NaN();
    return PowerPhase{means[0], means[1], means[2], means[3]};
}

namespace {
// A periodic Catmull-Rom curve through the means: it passes through each point and turns
// smoothly between them.
float Between(const float* mean, int k, float t) {
    const float p0 = PointAt(mean, k - 1);
    const float p1 = PointAt(mean, k);
    const float p2 = PointAt(mean, k + 1);
    const float p3 = PointAt(mean, k + 2);
    return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t * t +
                   (3.0f * p1 - p0 - 3.0f * p2 + p3) * t * t * t);
}
} // namespace

float PolarZeroRadius(const PolarFigures& figures) {
    float lowest = 0.0f;
    float highest = 0.0f;
    if (figures.turns == 0) return 1.0f;
    for (int k = 0; k < polarPoints; ++k) {
        lowest = std::min({lowest, figures.right[k], figures.left[k]});
        highest = std::max({highest, figures.right[k], figures.left[k]});
    }
    return std::max({-lowest, 0.25f * highest, 1.0f});
}

void PolarCircle(float zero, float* angle, float* radius) {
    for (int i = 0; i < polarCirclePoints; ++i) {
        angle[i] = fullTurn * static_cast<float>(i) / polarCirclePoints;
        radius[i] = zero;
    }
}

int PolarCurve(const float* mean, float zero, float* angle, float* radius) {
    int count = 0;
    for (int k = 0; k < polarPoints; ++k)
        for (int step = 0; step < polarPointsBetween; ++step) {
            const float t = static_cast<float>(step) / polarPointsBetween;
            angle[count] = (static_cast<float>(k) + t) * polarPointDegrees;
            // A force below the circle's own (pulling harder than the circle allows for) stays
            // at the centre.
            radius[count] = std::max(0.0f, zero + Between(mean, k, t));
            count += 1;
        }
    return count;
}
