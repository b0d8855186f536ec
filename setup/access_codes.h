#pragma once
// The access codes the rider, technician or factory enters. The levels are plain comparisons on
// the number entered: every code above the service code opens the service level, the
// calibration and factory codes more on top of it, and 0 locks the panel again.

constexpr int serviceCode = 2739;
constexpr int calibrationCode = 6868;
constexpr int factoryCode = 24517;
constexpr int lockedCode = 0;
