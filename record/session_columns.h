#pragma once
// The session file's columns in the file's order: each one's name in the header, the printf
// format of its cell and how its value is taken from what a row is made of. The writer, the
// reader behind the export and the tests all go through this table, so a column is named and
// placed here only.

#include "measure/window_result.h"

#include <array>
#include <cstddef>
#include <string>

// What one row is made of: the latest window's result, its crank values already 0 while the
// link is lost, and the values the station keeps beside it.
struct SessionRowSource {
    int row;
    const char* timeOfDay; // "hh:mm:ss"
    WindowResult result;
    float kcal;
    float phoneBattery;
    float totalKm;
    float torqueTotal;
    float torqueLeft;
    float torqueRight;
    float ratioLeft; // % of the power from the left pedal
};

// A cell's position in a row.
struct SessionCell {
    enum : std::size_t {
        Index,
        Time,
        Longitude,
        Latitude,
        Altitude,
        HeartRate,
        Cadence,
        Speed,
        Kcal,
        PowerTotal,
        PowerLeft,
        PowerRight,
        OfLeft,
        OfRight,
        UdLeft,
        UdRight,
        CrankBattery,
        PhoneBattery,
        TotalKm,
        TorqueTotal,
        TorqueLeft,
        TorqueRight,
        RatioLeft,
        Count
    };
};

struct SessionColumn {
    std::size_t cell;
    const char* name;
    const char* format;
    // The cell's number; none for the time of day, whose text the format takes.
    double (*value)(const SessionRowSource&);
};

// The station has no position: longitude, latitude and altitude are written as 000.
inline constexpr std::array<SessionColumn, SessionCell::Count> sessionColumns{{
    {SessionCell::Index, "INDEX", "%5.0f", [](const SessionRowSource& s) { return double(s.row); }},
    {SessionCell::Time, "ELAT", "%s", nullptr},
    {SessionCell::Longitude, "LON E+ W-", "%03.0f", [](const SessionRowSource&) { return 0.0; }},
    {SessionCell::Latitude, "LAT N+ S-", "%03.0f", [](const SessionRowSource&) { return 0.0; }},
    {SessionCell::Altitude, "ALTI", "%03.0f", [](const SessionRowSource&) { return 0.0; }},
    {SessionCell::HeartRate, "HR", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.heartRate); }},
    {SessionCell::Cadence, "CAD", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.cadence); }},
    {SessionCell::Speed, "SPEED", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.speed); }},
    {SessionCell::Kcal, "KCAL", "%.1f", [](const SessionRowSource& s) { return double(s.kcal); }},
    // The row's own sum of the pedals, not the result's mean over two windows.
    {SessionCell::PowerTotal, "POWT", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.powerLeft + s.result.powerRight); }},
    {SessionCell::PowerLeft, "POWL", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.powerLeft); }},
    {SessionCell::PowerRight, "POWR", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.powerRight); }},
    {SessionCell::OfLeft, "OFL", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.ofLeft); }},
    {SessionCell::OfRight, "OFR", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.ofRight); }},
    {SessionCell::UdLeft, "UDL", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.udLeft); }},
    {SessionCell::UdRight, "UDR", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.udRight); }},
    {SessionCell::CrankBattery, "BATzan", "%.1f",
     [](const SessionRowSource& s) { return double(s.result.batteryLevel); }},
    {SessionCell::PhoneBattery, "BATphone", "%.1f",
     [](const SessionRowSource& s) { return double(s.phoneBattery); }},
    {SessionCell::TotalKm, "KmTOT", "%.3f",
     [](const SessionRowSource& s) { return double(s.totalKm); }},
    {SessionCell::TorqueTotal, "TorqT", "%.2f",
     [](const SessionRowSource& s) { return double(s.torqueTotal); }},
    {SessionCell::TorqueLeft, "TorqL", "%.2f",
     [](const SessionRowSource& s) { return double(s.torqueLeft); }},
    {SessionCell::TorqueRight, "TorqR", "%.2f",
     [](const SessionRowSource& s) { return double(s.torqueRight); }},
    {SessionCell::RatioLeft, "Ratio% L", "%.0f",
     [](const SessionRowSource& s) { return double(s.ratioLeft); }},
}};

constexpr bool ColumnsInCellOrder() {
    for (std::size_t i = 0; i < sessionColumns.size(); ++i)
        if (sessionColumns[i].cell != i) return false;
    return true;
}
static_assert(ColumnsInCellOrder(), "each column sits at its cell's position");

// The header line of the rows: the columns' names, comma-separated.
std::string SessionColumnNames();
// One row's cells, comma-separated; a number no float holds is written as 0.
std::string SessionRowText(const SessionRowSource& source);
