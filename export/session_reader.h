#pragma once
// Reading a session file back: its start (date from the file's name, time from its header), and
// its rows up to the trailer, or up to the last whole row of a file a crash cut short.

#include <string>
#include <vector>

struct SessionRow {
    int secondsOfDay; // the row's time of day, local
    double heartRate;
    double cadence;
    double speed; // km/h
    double kcal;
    double powerTotal;
    double powerLeft;
    double powerRight;
    double leftShare; // % of the power from the left pedal
};

struct SessionRide {
    // The local date and time the session started.
    int year;
    int month;
    int day;
    int startSecondsOfDay;
    std::vector<SessionRow> rows;
};

// False, with a one-line reason, for a file that is not a session file.
bool ReadSessionRide(const std::string& path, SessionRide& ride, std::string& error);
