#pragma once

#include <cstddef>

// Float-to-integer conversion as the station does it, truncating toward zero; a value outside the
// integers (a division by a zero gain, say) saturates instead of being undefined, NaN gives 0.
int TruncToInt(double value);

// A number for a read-out or a file: a division by a zero period or a zero power sum gives 0,
// never "nan" or "inf"; a number beyond single precision saturates at its largest.
double FiniteOrZero(double value);

// An arc of the crank's turn as a read-out gives it: "start - end" in whole degrees from 0 to 359
// (a start just short of a full turn reads 0); "--" when either end is not a number.
void AngleSpanText(double start, double end, char* text, std::size_t size);
