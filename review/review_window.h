#pragma once
// The review window of a past ride: power (total, left, right), cadence and heart rate, and speed
// over the whole ride, one above the other on one time axis; a cursor that reads out every value
// at its instant; and the ride's summary. A window of its own with its own events: the live
// station's timers never wait on it.
//
// Mouse: drag to pan, wheel to zoom, the pointer moves the cursor. Keys: + and - zoom about the
// cursor, Page Up and Page Down pan, Left and Right move the cursor a row (Shift: ten), Home shows
// the whole ride.

#include "review/ride_review.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCPAxisRect;
class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;
class QLabel;
class QKeyEvent;

class ReviewWindow : public QWidget {
  public:
    explicit ReviewWindow(ReviewRide ride, QWidget* parent = nullptr);

    // Reads the ride and shows it in a window that deletes itself when closed; nullptr, with a
    // one-line reason, when the file is no session file.
    static ReviewWindow* Open(const std::string& path, std::string& error);
    // Reads the ride on a thread of its own and opens its window once read, so a long ride
    // never holds the caller's event loop (the station's timers); refused is called with the
    // one-line reason of a file that is no session file. Both happen on the caller's thread.
    static void OpenWhenRead(const std::string& path,
                             std::function<void(const std::string&)> refused);

    const ReviewRide& Ride() const { return ride; }
    QCustomPlot* Plot() const { return plot; }
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

    ReviewRide ride;
    QCustomPlot* plot = nullptr;
    std::vector<QCPAxisRect*> rects;
    std::vector<QCPItemStraightLine*> cursorLines;
    QCPLayer* cursorLayer = nullptr;
    std::vector<QLabel*> readouts;
    double cursorSeconds = 0.0;
    // The view never shows less than this, nor more than the ride.
    double shortestView = 10.0;
    double rideEnd = 1.0;
};
