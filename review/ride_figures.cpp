#include "review/ride_figures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

struct Mean {
    double sum = 0.0;
    double count = 0.0;
    void Add(double value) {
        if (!std::isfinite(value)) return;
        sum += value;
        count += 1.0;
    }
    double Value() const { return count > 0.0 ? sum / count : notANumber; }
};
} // namespace

RangeFigures FiguresOfRows(const ReviewRide& ride, std::size_t first, std::size_t end) {
    end = std::min(end, ride.pedalling.size());
    first = std::min(first, end);
    std::vector<PowerPhase> leftPhases, rightPhases;
    Mean leftEffectiveness, rightEffectiveness, leftSmoothness, rightSmoothness;
    // The balance of the stretch is its left pedal's share of the power both gave, as the ride's
    // summary weighs it, not the mean of the rows' shares.
    double leftPower = 0.0, pedalPower = 0.0;
    for (std::size_t i = first; i < end; ++i) {
        const ReviewPedalling& row = ride.pedalling[i];
        leftPhases.push_back(row.leftPhase);
        rightPhases.push_back(row.rightPhase);
        leftEffectiveness.Add(row.leftTorqueEffectiveness);
        rightEffectiveness.Add(row.rightTorqueEffectiveness);
        leftSmoothness.Add(row.leftPedalSmoothness);
        rightSmoothness.Add(row.rightPedalSmoothness);
        const double left = i < ride.powerLeft.size() ? ride.powerLeft[i] : notANumber;
        const double right = i < ride.powerRight.size() ? ride.powerRight[i] : notANumber;
        if (std::isfinite(row.leftBalance) && std::isfinite(left) && std::isfinite(right)) {
            leftPower += left;
            pedalPower += left + right;
        }
    }
    const int count = static_cast<int>(end - first);
    return RangeFigures{end - first,
                        pedalPower > 0.0 ? 100.0 * leftPower / pedalPower : notANumber,
                        {MeanPowerPhase(leftPhases.data(), count), leftEffectiveness.Value(),
                         leftSmoothness.Value()},
                        {MeanPowerPhase(rightPhases.data(), count), rightEffectiveness.Value(),
                         rightSmoothness.Value()}};
}

RangeFigures FiguresBetween(const ReviewRide& ride, double from, double to) {
    if (from > to) std::swap(from, to);
    const auto first = std::lower_bound(ride.seconds.begin(), ride.seconds.end(), from);
    const auto end = std::upper_bound(ride.seconds.begin(), ride.seconds.end(), to);
    return FiguresOfRows(ride, static_cast<std::size_t>(first - ride.seconds.begin()),
                         static_cast<std::size_t>(end - ride.seconds.begin()));
}

namespace {
// The lots of revolutions as they are taken, each pedal's sums weighed by the lot's revolutions.
struct RideSums {
    int turns = 0;
    double right[polarPoints] = {};
    double left[polarPoints] = {};
    double rightPeakForce = 0.0;
    double leftPeakForce = 0.0;
    // Each lot's phases and peak angles (as a phase's start), once for each of its revolutions.
    std::vector<PowerPhase> rightPhases, leftPhases, rightPeaks, leftPeaks;

    void Take(const PolarFigures& lot) {
        const int n = lot.turns;
        if (n <= 0) return;
        turns += n;
        for (int k = 0; k < polarPoints; ++k) {
            right[k] += static_cast<double>(lot.right[k]) * n;
            left[k] += static_cast<double>(lot.left[k]) * n;
        }
        rightPeakForce += static_cast<double>(lot.rightPedal.peakForce) * n;
        leftPeakForce += static_cast<double>(lot.leftPedal.peakForce) * n;
        PowerPhase rightPeak, leftPeak;
        rightPeak.start = lot.rightPedal.peakAngle;
        leftPeak.start = lot.leftPedal.peakAngle;
        rightPhases.insert(rightPhases.end(), static_cast<std::size_t>(n), lot.rightPedal.phase);
        leftPhases.insert(leftPhases.end(), static_cast<std::size_t>(n), lot.leftPedal.phase);
        rightPeaks.insert(rightPeaks.end(), static_cast<std::size_t>(n), rightPeak);
        leftPeaks.insert(leftPeaks.end(), static_cast<std::size_t>(n), leftPeak);
    }
};

PedalPolar PedalOfRide(const float* mean, const std::vector<PowerPhase>& phases,
                       const std::vector<PowerPhase>& peaks, double peakForce) {
    PedalPolar pedal = PedalFiguresOf(mean);
    pedal.phase = MeanPowerPhase(phases.data(), static_cast<int>(phases.size()));
    pedal.peakAngle = MeanPowerPhase(peaks.data(), static_cast<int>(peaks.size())).start;
    pedal.peakForce = static_cast<float>(peakForce);
    return pedal;
}
} // namespace

void WholeRidePolar(const ReviewRide& ride, PolarFigures& figures) {
    figures = PolarFigures{};
    // The view's state is large: a ring of whole revolutions.
    const auto polar = std::make_unique<PolarState>();
    polar->turnsAveraged = polarMostTurns;
    ClearPolar(*polar);
    const auto lot = std::make_unique<PolarFigures>();
    RideSums sums;
    long long taken = 0;
    for (const ReviewFrame& frame : ride.frames) {
        // The session's frames alone: the link's history before its start is no part of the
        // ride its rows and summary tell.
        if (frame.seconds < 0.0) continue;
        PolarFrameIn(*polar, frame.frame);
        // The ring holds polarMostTurns: each lot is taken as its last revolution is kept.
        if (polar->keptTotal - taken == polarMostTurns) {
            MakeRecentFigures(*polar, polarMostTurns, *lot);
            sums.Take(*lot);
            taken = polar->keptTotal;
        }
    }
    if (polar->keptTotal > taken) {
        MakeRecentFigures(*polar, static_cast<int>(polar->keptTotal - taken), *lot);
        sums.Take(*lot);
    }
    if (sums.turns == 0) return;
    figures.turns = sums.turns;
    for (int k = 0; k < polarPoints; ++k) {
        figures.right[k] = static_cast<float>(sums.right[k] / sums.turns);
        figures.left[k] = static_cast<float>(sums.left[k] / sums.turns);
    }
    figures.rightPedal = PedalOfRide(figures.right, sums.rightPhases, sums.rightPeaks,
                                     sums.rightPeakForce / sums.turns);
    figures.leftPedal =
        PedalOfRide(figures.left, sums.leftPhases, sums.leftPeaks, sums.leftPeakForce / sums.turns);
}
