#include "setup/number_text.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

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

bool TextHoldsNumber(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text && std::isfinite(value);
}

namespace {
// The value as the reader reads its line back: the first readChars characters.
float ReadBack(const char* text, int readChars) {
    char kept[64];
    std::snprintf(kept, sizeof kept, "%.*s", readChars, text);
    return TextToFloat(kept);
}

// The value with `digits` significant digits, as "1.2346e10" or, a character shorter for the
// same digits, as "12346e6"; the exponent without its sign when positive and without leading
// zeros.
void ExponentText(double value, int digits, bool pointless, char* text, std::size_t size) {
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
    char* e = std::strchr(scientific, 'e');
    int exponent = std::atoi(e + 1);
    *e = '\0';
    char mantissa[32];
    std::snprintf(mantissa, sizeof mantissa, "%s", scientific);
    if (pointless) {
        char* point = std::strchr(mantissa, '.');
        if (point != nullptr) {
            std::memmove(point, point + 1, std::strlen(point + 1) + 1);
            exponent -= digits - 1;
        }
    }
    if (exponent == 0)
        std::snprintf(text, size, "%s", mantissa);
    else
        std::snprintf(text, size, "%se%d", mantissa, exponent);
}
} // namespace

void FloatToText(float value, int readChars, char* text, std::size_t size) {
    std::snprintf(text, size, "%7.3f", static_cast<double>(value));
    if (!std::isfinite(value)) return;
    const float fixed = TextToFloat(text);
    const bool fixedReadsWhole = ReadBack(text, readChars) == fixed;
    const bool fixedKeepsValue = fixed != 0.0f || value == 0.0f;
    if (fixedReadsWhole && fixedKeepsValue) return;

    // Up to the 9 digits that tell every float apart; the form that is exact in the fewest
    // characters wins, else the one that comes closest within the line.
    char best[48] = "";
    double bestError = -1.0;
    for (int digits = 1; digits <= 9; ++digits) {
        for (const bool pointless : {false, true}) {
            char candidate[48];
            ExponentText(static_cast<double>(value), digits, pointless, candidate,
                         sizeof candidate);
            if (static_cast<int>(std::strlen(candidate)) > readChars) continue;
            const float back = TextToFloat(candidate);
            if (back == value) {
                std::snprintf(text, size, "%s", candidate);
                return;
            }
            const double error = std::fabs(static_cast<double>(back) - static_cast<double>(value));
            if (bestError < 0.0 || error < bestError) {
                bestError = error;
                std::snprintf(best, sizeof best, "%s", candidate);
            }
        }
    }
    if (best[0] != '\0') std::snprintf(text, size, "%s", best);
}
