#include "measure/display_filter.h"

void Filt(MeasureState& measure, int selector, int windowFrames, int displayFilter) {
    float* trace = selector == 0   ? measure.rightForceTrace
                   : selector == 1 ? measure.leftForceTrace
                   : selector == 2 ? measure.powerTrace
                                   : nullptr;
    const int n = windowFrames;
    if (trace == nullptr || n <= 0 || n > maxWindowFrames) return;
    // The average looks four samples ahead: the last sample is repeated past the window's end so
    // the final outputs average real values.
    for (int k = 0; k < 5; ++k) trace[n + k] = trace[n - 1];
    for (int i = 0; i < n; ++i) {
        measure.displayTrace[i] =
            static_cast<float>((trace[i] + trace[i + 1] + trace[i + 2] + trace[i + 3]) / 4.0);
        if (displayFilter == 0) measure.displayTrace[i] = trace[i];
    }
}
