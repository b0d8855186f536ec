#include "export/tcx_activity.h"

#include "export/whole_file.h"
#include "export/xml_text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {
constexpr const char* tcxNamespace = "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";
constexpr const char* extensionNamespace = "http://www.garmin.com/xmlschemas/ActivityExtension/v2";
// The schema's ranges: heart rate and cadence are bytes (cadence at most 254, heart rate at least
// 1), watts and calories unsigned shorts.
constexpr double largestByte = 255.0;
constexpr double largestCadence = 254.0;
constexpr double largestShort = 65535.0;

// ISO 8601 in UTC, as 2026-12-07T09:00:06Z.
std::string Time(std::int64_t unixTime) {
    using namespace std::chrono;
    const sys_seconds moment{seconds{unixTime}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{moment - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

// Fixed decimals with a point whatever the locale; what is not a number is written as 0.
std::string Number(double value, int decimals) {
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, std::isfinite(value) ? value : 0.0,
                                       std::chars_format::fixed, decimals);
    return std::string(text, written.ptr);
}

// A whole number within the schema's range for the element.
std::string Whole(double value, double lowest, double largest) {
    const double whole =
        std::clamp(std::round(std::isfinite(value) ? value : 0.0), lowest, largest);
    return std::to_string(static_cast<long long>(whole));
}

bool Present(double value, double lowest) {
    return std::isfinite(value) && value >= lowest;
}

// Heart rate and cadence are whole numbers in the schema; a value below its range is none.
void WholeElement(XmlText& xml, const char* name, double value, double lowest, double largest) {
    if (!Present(value, lowest - 0.5)) return;
    xml.TextElement(name, Whole(value, lowest, largest));
}

void HeartRateElement(XmlText& xml, const char* name, double value) {
    if (!Present(value, 0.5)) return;
    xml.StartElement(name);
    xml.TextElement("Value", Whole(value, 1.0, largestByte));
    xml.EndElement();
}

void WritePoint(XmlText& xml, const TcxPoint& point) {
    xml.StartElement("Trackpoint");
    xml.TextElement("Time", Time(point.unixTime));
    xml.TextElement("DistanceMeters", Number(point.distance, 2));
    HeartRateElement(xml, "HeartRateBpm", point.heartRate);
    WholeElement(xml, "Cadence", point.cadence, 0.0, largestCadence);
    const bool speed = Present(point.speed, 0.0);
    const bool watts = Present(point.watts, -0.5);
    if (speed || watts) {
        xml.StartElement("Extensions");
        xml.StartElement("ns3:TPX");
        if (speed) xml.TextElement("ns3:Speed", Number(point.speed, 3));
        if (watts) xml.TextElement("ns3:Watts", Whole(point.watts, 0.0, largestShort));
        xml.EndElement();
        xml.EndElement();
    }
    xml.EndElement();
}

void WriteLapExtension(XmlText& xml, const TcxActivity& activity) {
    const bool speed = Present(activity.averageSpeed, 0.0);
    const bool cadence = Present(activity.maximumCadence, -0.5);
    const bool power = Present(activity.averagePower, -0.5);
    if (!speed && !cadence && !power) return;
    xml.StartElement("Extensions");
    xml.StartElement("ns3:LX");
    if (speed) xml.TextElement("ns3:AvgSpeed", Number(activity.averageSpeed, 3));
    WholeElement(xml, "ns3:MaxBikeCadence", activity.maximumCadence, 0.0, largestCadence);
    WholeElement(xml, "ns3:AvgWatts", activity.averagePower, 0.0, largestShort);
    WholeElement(xml, "ns3:MaxWatts", activity.maximumPower, 0.0, largestShort);
    xml.EndElement();
    xml.EndElement();
}

// The document in pieces: everything before the first trackpoint, each trackpoint, the rest.
void EmitTcx(const TcxActivity& activity, const std::function<void(const std::string&)>& emit) {
    XmlText xml;
    xml.StartElement("TrainingCenterDatabase");
    xml.Attribute("xmlns", tcxNamespace);
    xml.Attribute("xmlns:ns3", extensionNamespace);
    xml.StartElement("Activities");
    xml.StartElement("Activity");
    xml.Attribute("Sport", "Biking");
    xml.TextElement("Id", Time(activity.startUnixTime));
    xml.StartElement("Lap");
    xml.Attribute("StartTime", Time(activity.startUnixTime));
    xml.TextElement("TotalTimeSeconds", Number(std::max(activity.elapsedSeconds, 0.0), 1));
    xml.TextElement("DistanceMeters", Number(activity.distance, 2));
    if (Present(activity.maximumSpeed, 0.0))
        xml.TextElement("MaximumSpeed", Number(activity.maximumSpeed, 3));
    xml.TextElement("Calories", Whole(activity.calories, 0.0, largestShort));
    HeartRateElement(xml, "AverageHeartRateBpm", activity.averageHeartRate);
    HeartRateElement(xml, "MaximumHeartRateBpm", activity.maximumHeartRate);
    xml.TextElement("Intensity", "Active");
    WholeElement(xml, "Cadence", activity.averageCadence, 0.0, largestCadence);
    xml.TextElement("TriggerMethod", "Manual");
    // A track holds at least one point: a ride without rows has none.
    if (!activity.points.empty()) {
        xml.StartElement("Track");
        for (const TcxPoint& point : activity.points) {
            WritePoint(xml, point);
            emit(xml.Take());
        }
        xml.EndElement();
    }
    WriteLapExtension(xml, activity);
    emit(xml.Finish());
}
} // namespace

std::string TcxDocument(const TcxActivity& activity) {
    std::string document;
    EmitTcx(activity, [&document](const std::string& piece) { document += piece; });
    return document;
}

bool WriteTcxActivity(const std::string& path, const TcxActivity& activity, std::string& error) {
    WholeFileWriter file(path);
    EmitTcx(activity,
            [&file](const std::string& piece) { file.Write(piece.data(), piece.size()); });
    return file.Commit(error);
}
