#pragma once
// Reading numbers from the station's small text files: leading blanks are skipped and parsing
// stops at the first character that does not belong to a number; text that is not a number
// gives 0.

#include <cstddef>

int TextToInt(const char* text);
float TextToFloat(const char* text);
// Whether the text starts, after blanks, with a finite number.
bool TextHoldsNumber(const char* text);

// Writes a float as a line of the station's files: "%7.3f" as always, unless the reader, which
// takes the first `readChars` characters of a line, would then get another value (a value of 11
// digits before the point, or one that rounds to 0.000). Such a value is written in the shortest
// exponent form that reads back as the same float, or the closest one that fits.
void FloatToText(float value, int readChars, char* text, std::size_t size);
