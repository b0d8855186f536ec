#pragma once
// Reading numbers from the station's small text files: leading blanks are skipped and parsing
// stops at the first character that does not belong to a number; text that is not a number
// gives 0.

int TextToInt(const char* text);
float TextToFloat(const char* text);
