#pragma once
// A past ride as the review window shows it: its values over time, one sample a session row, and
// the ride's summary; for a raw stream also every frame, for the force curves and the polar view
// at any instant. No Qt here: the window draws what this reads and works out.

#include "measure/polar.h"
#include "record/kept_rows.h"

#include <cstddef>
#include <string>
#include <vector>

// The ride's figures; not a number for those it has no values for (no heart-rate strap, no
// pedalling metrics in a session file).
struct ReviewSummary {
    double seconds;   // from the start to the stop
    double distance;  // km
    double work;      // kJ
    double meanPower; // W
    double maximumPower;
    double normalizedPower;
    double meanCadence;   // rpm
    double meanHeartRate; // bpm
    double leftBalance;   // % of the power from the left pedal
    double leftTorqueEffectiveness;
    double rightTorqueEffectiveness;
    double leftPedalSmoothness;
    double rightPedalSmoothness;
};

// One frame of a raw stream as the station took it: its instant on the rows' time axis, and what
// it brings to the force curves and the polar view.
struct ReviewFrame {
    double seconds;
    PolarFrame frame;
};

// One row's pedalling figures as the ride files give them: not a number, and no power phase, in a
// row without pedalling and in every row of a session file, which keeps none.
struct ReviewPedalling {
    double leftBalance; // % of the row's power from the left pedal
    double leftTorqueEffectiveness;
    double rightTorqueEffectiveness;
    double leftPedalSmoothness;
    double rightPedalSmoothness;
    PowerPhase leftPhase;
    PowerPhase rightPhase;
};

// Each series holds a value a row; a row without it (link lost, no strap) holds not a number.
struct ReviewRide {
    std::string name;            // the file's name, without its folder
    std::string started;         // the session's local start, "YYYY-MM-DD hh:mm:ss"
    std::vector<double> seconds; // each row's time since the start
    std::vector<double> powerTotal;
    std::vector<double> powerLeft;
    std::vector<double> powerRight;
    std::vector<double> cadence;
    std::vector<double> heartRate;
    std::vector<double> speed; // km/h
    std::vector<ReviewPedalling> pedalling;
    ReviewSummary summary;
    // A raw stream's frames in the order the station took them; none for a session file.
    std::vector<ReviewFrame> frames;
    // Why a cut stream's frames end before its file does; empty otherwise.
    std::string note;
};

// False, with a one-line reason naming the file, when it is no session file.
bool ReadReviewRide(const std::string& path, ReviewRide& ride, std::string& error);
// The same, with what the station that recorded the session knew of it (a replay's): each row's
// instant, and its pedalling metrics. The summary but for those metrics is the file's own, the
// same as the file read without them gives.
bool ReadReviewRide(const std::string& path, const KeptSession* kept, ReviewRide& ride,
                    std::string& error);
// The same, of a session's text kept in memory, named name.
bool ReadReviewText(const std::string& text, const std::string& name, const KeptSession* kept,
                    ReviewRide& ride, std::string& error);

// Power smoothed over 30 s, raised to the fourth power, averaged, and its fourth root: what a
// varying effort costs the rider as a steady one would. Not a number for a ride under 30 s.
double NormalizedPower(const std::vector<double>& seconds, const std::vector<double>& power);

// The row shown at an instant: the last row at or before it, the first before the first row.
std::size_t RowAt(const ReviewRide& ride, double seconds);

// "h:mm:ss"
std::string ClockText(double seconds);
// The value with its decimals and unit, or "--" when there is none.
std::string ValueText(double value, int decimals, const char* unit);

// How many of the ride's frames came at or before the instant.
std::size_t FramesUpTo(const ReviewRide& ride, double seconds);
// The frames the force curves show at an instant, first to end: the last two whole revolutions
// before it, mark to mark, as the live panel shows its last two-revolution window. Empty before
// the third mark.
struct FrameSpan {
    std::size_t first;
    std::size_t end;
};
FrameSpan TwoTurnsAt(const ReviewRide& ride, double seconds);
// The polar view at an instant: the frames before it go into polar as they went live, from a
// revolution mark far enough back that it keeps as many revolutions as the live view keeps (or
// all of them since the start), its mean taking the last turns.
void PolarAt(const ReviewRide& ride, double seconds, int turns, PolarState& polar);
