#include "setup/number_text.h"

#include "platform/bounded_text.h"

#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <system_error>

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSeparator(char c) {
    return c == '.' || c == ',';
}

// Appends the digits at `at` to the number's text; the first character after them.
const char* TakeDigits(const char* at, std::string& number) {
    while (IsDigit(*at)) number.push_back(*at++);
    return at;
}
} // namespace

bool ReadNumberText(const char* text, double* value) {
    const char* at = text;
    while (std::isspace(static_cast<unsigned char>(*at)) != 0) ++at;
    const bool negative = *at == '-';
    if (*at == '-' || *at == '+') ++at;
    // Hexadecimal, which the reader always took, has no decimal point to mistake.
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
        char* end = nullptr;
        const double hex = std::strtod(text, &end);
        if (end == text || !std::isfinite(hex)) return false;
        *value = hex;
        return true;
    }
    // The number's characters with a point for its separator, read the same in every locale.
    std::string number;
    at = TakeDigits(at, number);
    char separator = '\0';
    if (IsSeparator(*at) && (!number.empty() || IsDigit(at[1]))) {
        separator = *at;
        const std::size_t whole = number.size();
        number.push_back('.');
        at = TakeDigits(at + 1, number);
        // "5." is 5.
        if (number.size() == whole + 1) number.pop_back();
    }
    if (number.empty()) return false;
    // A second separator after the digits: with a comma in the number it may be a thousand.
    if (separator != '\0' && IsSeparator(*at) && IsDigit(at[1]) && (separator == ',' || *at == ','))
        return false;
    bool tiny = false;
    if (*at == 'e' || *at == 'E') {
        std::string exponent = "e";
        const char* sign = at + 1;
        if (*sign == '-' || *sign == '+') exponent.push_back(*sign++);
        const std::size_t signLength = exponent.size();
        TakeDigits(sign, exponent);
        if (exponent.size() > signLength) {
            number += exponent;
            tiny = exponent[1] == '-';
        }
    }
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(
        number.data(), number.data() + number.size(), parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double is 0, too large is no number.
        if (!tiny) return false;
        parsed = 0.0;
    } else if (result.ec != std::errc{} || !std::isfinite(parsed)) {
        return false;
    }
    *value = negative ? -parsed : parsed;
    return true;
}

bool TextHoldsInt(const char* text) {
    char* end = nullptr;
    std::strtoll(text, &end, 10);
    return end != text;
}

int TextToInt(const char* text) {
    // Saturate instead of overflowing: a line of ten nines must not wrap into a negative port.
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float TextToFloat(const char* text) {
    // "nan" and "inf" are no calibration: they count as text, so 0.
    double value = 0.0;
    if (!ReadNumberText(text, &value)) return 0.0f;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

bool TextHoldsNumber(const char* text) {
    double value = 0.0;
    return ReadNumberText(text, &value);
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
        FormatText(text, size, "%s", mantissa);
    else
        FormatText(text, size, "%se%d", mantissa, exponent);
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
