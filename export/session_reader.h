#pragma once
// Reading a session file back: its start (date from the file's name, time from its header), its
// rows up to the trailer, or up to the last whole row of a file a crash cut short, and the
// trailer's figures. The file is read a line at a time.

#include <iosfwd>
#include <string>
#include <vector>

struct SessionRow {
    int secondsOfDay; // the row's time of day, local
    // False for a row written while the link was lost: every crank value is 0.
    bool fromCrank;
    double heartRate;
    double cadence;
    double speed; // km/h
    double kcal;
    double powerTotal;
    double powerLeft;
    double powerRight;
    double leftShare; // % of the power from the left pedal
};

// The figures of the trailer; not a number for those the file does not have.
struct SessionTrailer {
    int stopSecondsOfDay = -1; // "Time @ Stop"; -1 when there is none
    double kcal;               // "Kcal @ Stop"
    double powerAverage;       // "POWER ave"
    double speedAverage;       // "SPEED ave", km/h
};

struct SessionRide {
    // The local date and time the session started.
    int year;
    int month;
    int day;
    int startSecondsOfDay;
    std::vector<SessionRow> rows;
    SessionTrailer trailer;
};

// False, with a one-line reason, for a file that is not a session file.
bool ReadSessionRide(const std::string& path, SessionRide& ride, std::string& error);
// The same, of a session's text read from in; source names it in the reason.
bool ReadSessionText(std::istream& in, const std::string& source, SessionRide& ride,
                     std::string& error);
