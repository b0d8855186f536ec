#include "export/tcx_activity.h"

#include <QDateTime>
#include <QSaveFile>
#include <QString>
#include <QXmlStreamWriter>

#include <cmath>

namespace {
constexpr const char* tcxNamespace = "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";
constexpr const char* extensionNamespace = "http://www.garmin.com/xmlschemas/ActivityExtension/v2";

QString Time(std::int64_t unixTime) {
    return QDateTime::fromSecsSinceEpoch(unixTime, Qt::UTC).toString(Qt::ISODate);
}

QString Number(double value, int decimals) {
    return QString::number(std::isfinite(value) ? value : 0.0, 'f', decimals);
}

// Heart rate and cadence are whole numbers in the schema; a rider at rest has none to give.
void WholeElement(QXmlStreamWriter& xml, const char* name, double value, double lowest) {
    if (!std::isfinite(value) || value < lowest) return;
    xml.writeTextElement(name, QString::number(std::lround(value)));
}

void WritePoint(QXmlStreamWriter& xml, const TcxPoint& point) {
    xml.writeStartElement("Trackpoint");
    xml.writeTextElement("Time", Time(point.unixTime));
    xml.writeTextElement("DistanceMeters", Number(point.distance, 2));
    if (std::isfinite(point.heartRate) && point.heartRate >= 1.0) {
        xml.writeStartElement("HeartRateBpm");
        xml.writeTextElement("Value", QString::number(std::lround(point.heartRate)));
        xml.writeEndElement();
    }
    WholeElement(xml, "Cadence", std::fmin(point.cadence, 254.0), 0.0);
    xml.writeStartElement("Extensions");
    xml.writeStartElement(extensionNamespace, "TPX");
    xml.writeTextElement(extensionNamespace, "Speed", Number(point.speed, 3));
    xml.writeTextElement(
        extensionNamespace, "Watts",
        QString::number(std::lround(std::isfinite(point.watts) ? point.watts : 0.0)));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}
} // namespace

bool WriteTcxActivity(const std::string& path, const TcxActivity& activity, std::string& error) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(tcxNamespace);
    xml.writeNamespace(extensionNamespace, "ns3");
    xml.writeStartElement(tcxNamespace, "TrainingCenterDatabase");
    xml.writeStartElement("Activities");
    xml.writeStartElement("Activity");
    xml.writeAttribute("Sport", "Biking");
    xml.writeTextElement("Id", Time(activity.startUnixTime));
    xml.writeStartElement("Lap");
    xml.writeAttribute("StartTime", Time(activity.startUnixTime));
    xml.writeTextElement("TotalTimeSeconds", Number(activity.elapsedSeconds, 1));
    xml.writeTextElement("DistanceMeters", Number(activity.distance, 2));
    xml.writeTextElement(
        "Calories",
        QString::number(std::lround(std::isfinite(activity.calories) ? activity.calories : 0)));
    if (activity.averageHeartRate >= 1.0) {
        xml.writeStartElement("AverageHeartRateBpm");
        xml.writeTextElement("Value", QString::number(std::lround(activity.averageHeartRate)));
        xml.writeEndElement();
        xml.writeStartElement("MaximumHeartRateBpm");
        xml.writeTextElement("Value", QString::number(std::lround(activity.maximumHeartRate)));
        xml.writeEndElement();
    }
    xml.writeTextElement("Intensity", "Active");
    xml.writeTextElement("TriggerMethod", "Manual");
    xml.writeStartElement("Track");
    for (const TcxPoint& point : activity.points) WritePoint(xml, point);
    xml.writeEndElement(); // Track
    xml.writeEndElement(); // Lap
    xml.writeEndElement(); // Activity
    xml.writeEndElement(); // Activities
    xml.writeEndElement(); // TrainingCenterDatabase
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit()) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
