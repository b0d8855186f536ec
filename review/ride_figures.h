#pragma once
// The pedal figures of a stretch of a ride and of the whole of it, as the review window's range
// and the before-and-after report show them. No Qt here.

#include "review/ride_review.h"

#include <cstddef>

// One pedal's figures over rows: the means of the rows' power phases round the circle, and of
// their torque effectiveness and pedal smoothness (%); not a number where no row has one.
struct PedalRangeFigures {
    PowerPhase phase;
    double torqueEffectiveness;
    double pedalSmoothness;
};

struct RangeFigures {
    std::size_t rows;   // the rows taken
    double leftBalance; // % of the pedals' power from the left, over the rows that pedalled
    PedalRangeFigures left;
    PedalRangeFigures right;
};

// The rows from first to end (not included); rows past the ride's are left out.
RangeFigures FiguresOfRows(const ReviewRide& ride, std::size_t first, std::size_t end);
// The rows whose instant lies from one to the other, in either order.
RangeFigures FiguresBetween(const ReviewRide& ride, double from, double to);

// The whole ride's polar figures: every frame of the session (not the link's history before it)
// played into the polar view, its revolutions taken
// polarMostTurns at a time and each lot's mean curves and power phases weighed by its
// revolutions; each pedal's figures then come from the ride's mean curves, its power phases, peak
// angle and peak force from the lots' (as the live view takes them from each revolution's own).
// turns is 0 for a ride without a whole revolution (a session file has no frames).
void WholeRidePolar(const ReviewRide& ride, PolarFigures& figures);
