#include "export/tcx_activity.h"

#include "export/whole_file.h"
#include "export/xml_text.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {
constexpr const char* tcxNamespace = "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";
constexpr const char* extensionNamespace = "http://www.garmin.com/xmlschemas/ActivityExtension/v2";

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

std::string Whole(double value) {
    return std::to_string(std::lround(std::isfinite(value) ? value : 0.0));
}

// Heart rate and cadence are whole numbers in the schema; a rider at rest has none to give.
void WholeElement(XmlText& xml, const char* name, double value, double lowest) {
    if (!std::isfinite(value) || value < lowest) return;
    xml.TextElement(name, Whole(value));
}

void ValueElement(XmlText& xml, const char* name, double value) {
    xml.StartElement(name);
    xml.TextElement("Value", Whole(value));
    xml.EndElement();
}

void WritePoint(XmlText& xml, const TcxPoint& point) {
    xml.StartElement("Trackpoint");
    xml.TextElement("Time", Time(point.unixTime));
    xml.TextElement("DistanceMeters", Number(point.distance, 2));
    if (std::isfinite(point.heartRate) && point.heartRate >= 1.0)
        ValueElement(xml, "HeartRateBpm", point.heartRate);
    WholeElement(xml, "Cadence", std::fmin(point.cadence, 254.0), 0.0);
    xml.StartElement("Extensions");
    xml.StartElement("ns3:TPX");
    xml.TextElement("ns3:Speed", Number(point.speed, 3));
    xml.TextElement("ns3:Watts", Whole(point.watts));
    xml.EndElement();
    xml.EndElement();
    xml.EndElement();
}
} // namespace

std::string TcxDocument(const TcxActivity& activity) {
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
    xml.TextElement("TotalTimeSeconds", Number(activity.elapsedSeconds, 1));
    xml.TextElement("DistanceMeters", Number(activity.distance, 2));
    xml.TextElement("Calories", Whole(activity.calories));
    if (activity.averageHeartRate >= 1.0) {
        ValueElement(xml, "AverageHeartRateBpm", activity.averageHeartRate);
        ValueElement(xml, "MaximumHeartRateBpm", activity.maximumHeartRate);
    }
    xml.TextElement("Intensity", "Active");
    xml.TextElement("TriggerMethod", "Manual");
    xml.StartElement("Track");
    for (const TcxPoint& point : activity.points) WritePoint(xml, point);
    return xml.Finish();
}

bool WriteTcxActivity(const std::string& path, const TcxActivity& activity, std::string& error) {
    const std::string document = TcxDocument(activity);
    return WriteWholeFile(path, document.data(), document.size(), error);
}
