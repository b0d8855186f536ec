#pragma once
// The review window of a past ride: power (total, left, right), cadence and heart rate, and speed
// over the whole ride, one above the other on one time axis; a cursor that reads out every value
// at its instant; and the ride's summary. A window of its own with its own events: the live
// station's timers never wait on it.
//
// A raw stream's ride also shows, at the cursor, the last two revolutions of pedal force as the
// live panel's force curves show them, and the polar view of the last revolutions with each
// pedal's figures.
//
// Mouse: drag to pan, wheel to zoom, the pointer moves the cursor. Keys: + and - zoom about the
// cursor, Page Up and Page Down pan, Left and Right move the cursor a row (Shift: ten), Home shows
// the whole ride.
//
// Below the plots, a range of the ride and the report (review/review_range.h).

#include "review/review_range.h"
#include "review/ride_review.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QBoxLayout;
class QCPAxisRect;
class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;
class QLabel;
class QKeyEvent;

// How a ride is read from its file: false, with a one-line reason, for a file that is no ride.
// The window reads session files itself; the program gives the reader of raw streams too.
using RideReader = std::function<bool(const std::string&, ReviewRide&, std::string&)>;

class ReviewWindow : public QWidget {
  public:
    explicit ReviewWindow(ReviewRide ride, QWidget* parent = nullptr);

    // Reads the ride (with read, or as a session file) and shows it in a window that deletes
    // itself when closed; nullptr, with a one-line reason, when the file is no ride.
    static ReviewWindow* Open(const std::string& path, std::string& error,
                              const RideReader& read = {});
    // Reads the ride on a thread of its own and opens its window once read, so a long ride
    // never holds the caller's event loop (the station's timers); refused is called with the
    // one-line reason of a file that is no ride. Both happen on the caller's thread.
    static void OpenWhenRead(const std::string& path,
                             std::function<void(const std::string&)> refused, RideReader read = {});

    const ReviewRide& Ride() const { return ride; }
    // The range and the report; the report reads its second ride with read.
    ReviewRange* Range() const { return rangePanel; }
    void SetRideReader(RideReader read) { rangePanel->SetReader(std::move(read)); }
    QCustomPlot* Plot() const { return plot; }
    // A raw stream's force curves and polar view; nullptr for a session file.
    QCustomPlot* ForcePlot() const { return forcePlot; }
    QCustomPlot* PolarPlot() const { return polarPlot; }
    // The time span shown, in seconds since the start.
    double ViewStart() const;
    double ViewEnd() const;
    double CursorSeconds() const { return cursorSeconds; }

    // factor below 1 zooms in; the instant at centre stays where it is.
    void ZoomBy(double factor, double centre);
    // Moves the view by a share of its width; positive is later.
    void PanBy(double share);
    void ShowWholeRide();
    void SetCursorSeconds(double seconds);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void SetView(double start, double end);
    void ShowCursorValues();
    void AddFrameViews(QBoxLayout* side);
    void ShowForceCurves();
    void AddPolarView(QBoxLayout* side);
    void ShowPolarView();

    ReviewRide ride;
    QCustomPlot* plot = nullptr;
    std::vector<QCPAxisRect*> rects;
    std::vector<QCPItemStraightLine*> cursorLines;
    QCPLayer* cursorLayer = nullptr;
    std::vector<QLabel*> readouts;
    ReviewRange* rangePanel = nullptr;
    QCustomPlot* forcePlot = nullptr;
    QCustomPlot* polarPlot = nullptr;
    std::vector<QLabel*> polarReadouts;
    std::unique_ptr<PolarState> polar;
    double cursorSeconds = 0.0;
    // The view never shows less than this, nor more than the ride.
    double shortestView = 10.0;
    double rideEnd = 1.0;
};
