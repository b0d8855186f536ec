#pragma once
// The force correction the calibration carries: each pedal's coefficient is percent of force per
// unit of the correction reference away from 55, so at 55 there is no correction at all.

constexpr float neutralCorrectionReference = 55.0f;

inline double ForceCorrection(float coefficient, float correctionReference) {
    return 1.0 - coefficient / 100.0 *
                     (correctionReference - static_cast<double>(neutralCorrectionReference));
}
