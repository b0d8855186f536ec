#include "setup/number_text.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

int TextToInt(const char* text) {
    // Saturate instead of overflowing: a line of ten nines must not wrap into a negative port.
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float TextToFloat(const char* text) {
    const double value = std::strtod(text, nullptr);
    // "nan" and "inf" parse as numbers but are no calibration: they count as text, so 0.
    if (!std::isfinite(value)) return 0.0f;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}
