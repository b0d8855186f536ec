#include "app/numbers.h"

#include <climits>
#include <cmath>

int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

double FiniteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}
