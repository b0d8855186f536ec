#include "platform/numbers.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>

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

void AngleSpanText(double start, double end, char* text, std::size_t size) {
    if (!std::isfinite(start) || !std::isfinite(end)) {
        std::snprintf(text, size, "--");
        return;
    }
    // Rounded first, then taken round the turn: 359.6 is 0, not 360.
    const auto degrees = [](double angle) {
        const long whole = std::lround(std::fmod(angle, 360.0));
        return ((whole % 360) + 360) % 360;
    };
    std::snprintf(text, size, "%ld - %ld", degrees(start), degrees(end));
}
