#pragma once
// Power and work: per-frame power of each pedal from force, crank length and revolution period,
// and at the end of every two-revolution window the window's mean powers and UD percentages.

// Stores the frame in the window traces at frameIndex and adds it to the window sums and, while
// a session records, to the energy.
void FramePower();
// The power of one pedal pushing with the given force at the current revolution period.
float PedalPower(float force);
// The window results, while frameIndex still holds the window's length.
void CalcWatt();
// A stopped crank has no power: the window results and sums go to 0.
void ClearPowerResults();
// Nor pedalling figures: the UD percentages go to 0.
void ClearUdFigures();
