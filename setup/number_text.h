#pragma once
// Reading numbers from the station's small text files: leading blanks are skipped and parsing
// stops at the first character that does not belong to a number; text that is not a number
// gives 0 here, and the file readers refuse a file with such a line.

#include "platform/text_lines.h"

#include <cstddef>

// The number the text starts with, after blanks, as a rider writes it: a decimal comma is the
// decimal point ("1,250" is 1.25), whatever the computer's language. A number with both a comma
// and another separator ("1,250.5", "1.250,5") is not read: it may mean a thousand or a unit.
// False, and value untouched, when the text does not start with a finite number.
bool ReadNumberText(const char* text, double* value);

int TextToInt(const char* text);
float TextToFloat(const char* text);
// Whether the text starts, after blanks, with a finite number.
bool TextHoldsNumber(const char* text);
// Whether the text starts, after blanks, with an integer.
bool TextHoldsInt(const char* text);

// In a file of one value a line, the first of its first `count` lines (1 the first) whose text
// holdsNumber(index, text) refuses; 0 when every line the file has holds its number.
template <int maxChars, typename HoldsNumber>
int FirstLineNotANumber(int count, const char* bytes, std::size_t size, HoldsNumber&& holdsNumber) {
    int first = 0;
    ReadValueText<maxChars>(count, bytes, size, [&first, &holdsNumber](int line, const char* text) {
        if (first == 0 && !holdsNumber(line, text)) first = line + 1;
    });
    return first;
}

// Writes a float as a line of the station's files: "%7.3f" as always, unless the reader, which
// takes the first `readChars` characters of a line, would then get another value (a value of 11
// digits before the point, or one that rounds to 0.000). Such a value is written in the shortest
// exponent form that reads back as the same float, or the closest one that fits.
void FloatToText(float value, int readChars, char* text, std::size_t size);
