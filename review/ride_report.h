#pragma once
// The before-and-after report: one page of PDF with two rides' polar curves laid over each other,
// pedal by pedal, and each ride's pedal figures side by side (one ride is a report too). Drawn
// with Qt's own PDF writer, with no window.

#include "review/ride_review.h"

#include <QByteArray>

#include <string>
#include <vector>

// Where the report may go: never over a file that is there, or over a PDF the rider chose in the
// save dialog (which asked before replacing it).
enum class ReportTarget { NewFile, ChosenPdf };

// The page of the rides (the first before, the second after).
QByteArray RideReportPdf(const std::vector<const ReviewRide*>& rides);
// The page written whole to path: the bytes go to a file beside it, which then takes its name.
// False, with a one-line reason, when nothing was written.
bool WriteRideReport(const std::vector<const ReviewRide*>& rides, const std::string& path,
                     ReportTarget target, std::string& error);
