#include "measure/window_result.h"

#include "platform/numbers.h"

double CrankTorque(float power, float cadence) {
    return FiniteOrZero(9.55 * power / cadence);
}
