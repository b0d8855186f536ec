#include "measure/display_filter.h"

#include "app/station.h"

void Filt(int selector) {
    float* trace = selector == 0   ? zan.rightForceTrace
                   : selector == 1 ? zan.leftForceTrace
                   : selector == 2 ? zan.powerTrace
                                   : nullptr;
    const int n = zan.lastWindowFrames;
    if (trace == nullptr || n <= 0 || n > maxWindowFrames) return;
    // The average looks four samples ahead: the last sample is repeated past the window's end so
    // the final outputs average real values.
    for (int k = 0; k < 5; ++k) trace[n + k] = trace[n - 1];
    for (int i = 0; i < n; ++i) {
        zan.displayTrace[i] =
            static_cast<float>((trace[i] + trace[i + 1] + trace[i + 2] + trace[i + 3]) / 4.0);
        if (zan.setup.displayFilter == 0) zan.displayTrace[i] = trace[i];
    }
}
