#include "platform/numbers.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

double FiniteOrZero(double value) {
    if (!std::isfinite(value)) return 0.0;
    // Read-outs hold single precision: beyond its range they would hold inf.
    return std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
}
