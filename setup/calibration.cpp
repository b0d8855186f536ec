#include "setup/calibration.h"

#include "setup/number_text.h"

#include <algorithm>
#include <cmath>

CountMean AverageCounts(const int* counts, int frames) {
    CountMean result{};
    if (frames <= 0) return result;
    double sum = 0.0;
    int lowest = counts[0];
    int highest = counts[0];
    for (int i = 0; i < frames; ++i) {
        sum += counts[i];
        lowest = std::min(lowest, counts[i]);
        highest = std::max(highest, counts[i]);
    }
    result.frames = frames;
    result.mean = sum / frames;
    result.span = static_cast<double>(highest) - lowest;
    if (frames > 1) {
        double squares = 0.0;
        for (int i = 0; i < frames; ++i)
            squares += (counts[i] - result.mean) * (counts[i] - result.mean);
        result.uncertainty = std::sqrt(squares / (frames - 1) / frames);
    }
    return result;
}

CalibrationStop ReadMass(const char* text, double* massKg) {
    double mass = 0.0;
    *massKg = 0.0;
    if (!ReadNumberText(text, &mass) || !(mass > 0.0)) return CalibrationStop::NoMass;
    *massKg = mass;
    return CalibrationStop::None;
}

CalibrationStop CheckSteady(const CountMean& counts, double gainInUse) {
    if (counts.frames == 0) return CalibrationStop::NoFrames;
    if (counts.span * std::fabs(gainInUse) > calibrationSteadyNewtons)
        return CalibrationStop::Moved;
    return CalibrationStop::None;
}

GainResult ComputeGain(const CountMean& offset, const CountMean& loaded, double massKg,
                       double gainInUse) {
    GainResult result{};
    if (!(massKg > 0.0)) {
        result.stop = CalibrationStop::NoMass;
        return result;
    }
    const double counts = loaded.mean - offset.mean;
    // Less than a count between the two steps: nothing was hung, or the channel is dead.
    if (!(std::fabs(counts) >= 1.0)) {
        result.stop = CalibrationStop::NoCounts;
        return result;
    }
    result.gain = massKg * standardGravity / counts;
    result.uncertainty = std::fabs(result.gain) *
                         std::hypot(offset.uncertainty, loaded.uncertainty) / std::fabs(counts);
    result.change = gainInUse != 0.0 ? 100.0 * (result.gain - gainInUse) / gainInUse : 100.0;
    if (!(std::fabs(result.change) <= 100.0 * calibrationLargestChange))
        result.stop = CalibrationStop::GainChange;
    return result;
}

void StartCounts(CalibrationCounts& gathered, int frames, int settling) {
    gathered.settling = std::max(settling, 0);
    gathered.wanted = std::clamp(frames, 1, calibrationMostFrames);
    gathered.frames = 0;
}

bool TakeCount(CalibrationCounts& gathered, int count) {
    if (gathered.settling > 0) {
        gathered.settling -= 1;
        return false;
    }
    if (gathered.frames < gathered.wanted) gathered.counts[gathered.frames++] = count;
    return gathered.frames >= gathered.wanted;
}
