#pragma once
// The review window's range and report: a stretch of the ride chosen on the time plots, with each
// pedal's figures over it beside the same figures at the cursor's row, and the button that writes
// the before-and-after report of this ride and another.
//
// Mouse: Shift and drag across a plot to choose the range. Keys: [ starts the range at the
// cursor, ] ends it there, Escape lets it go.

#include "review/ride_figures.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCPAxisRect;
class QCPItemRect;
class QCPLayer;
class QCustomPlot;
class QKeyEvent;
class QLabel;
class QPushButton;

class ReviewRange : public QWidget {
  public:
    using Reader = std::function<bool(const std::string&, ReviewRide&, std::string&)>;

    // The plots' rects share one time axis; the range is drawn on layer, above their lines.
    ReviewRange(const ReviewRide& ride, QCustomPlot* plot, std::vector<QCPAxisRect*> rects,
                QCPLayer* layer, QWidget* parent);

    // How the report reads the second ride (a session file when not given).
    void SetReader(Reader read) { reader = std::move(read); }

    // The range, in seconds since the start, in either order; its figures follow.
    void SetRange(double from, double to);
    void ClearRange();
    bool HasRange() const { return chosen; }
    double RangeStart() const { return from; }
    double RangeEnd() const { return to; }
    // The cursor's row's figures.
    void ShowCursor(double seconds);
    // The range's keys at the cursor; false for any other key.
    bool TakeKey(const QKeyEvent& event, double cursor);

    // The report of this ride and the one at secondPath (none: this ride alone) into pdfPath,
    // which the rider chose in the save dialog when chosen; the second ride is read beside the
    // event loop. done gets an empty text once written, else the one-line reason.
    void WriteReport(const std::string& secondPath, const std::string& pdfPath, bool chosen,
                     std::function<void(const std::string&)> done);

  private:
    void ShowRange();
    void AskForReport();

    const ReviewRide& ride;
    QCustomPlot* plot;
    std::vector<QCPAxisRect*> rects;
    QCPLayer* layer;
    std::vector<QCPItemRect*> shades;
    Reader reader;
    bool chosen = false;
    bool dragging = false;
    double from = 0.0;
    double to = 0.0;
    // The figures, by the objects' names: the cursor's then the range's.
    std::vector<QLabel*> cursorFigures;
    std::vector<QLabel*> rangeFigures;
    QLabel* rangeTime = nullptr;
    QPushButton* reportButton = nullptr;
};
