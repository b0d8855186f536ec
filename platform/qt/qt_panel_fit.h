#pragma once
// A panel's window at any size. The resource places every control at a fixed spot of a panel
// drawn for one size, and stays editable in Qt Designer that way. A window of another size takes
// the panel as drawn, scaled down (fonts too) to fit a smaller window, and the room a larger one
// has goes to the control the resource marks with zanStretch (the graph): the controls beyond it
// move along, the others keep their place and size. A control marked zanGrow grows with the room
// its edges reach.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

class PanelFit : public QObject {
  public:
    // Takes the window's present size and its children's places as the panel as drawn; the fit
    // lives as long as the window.
    explicit PanelFit(QWidget* window);

    // Places every control for the window's size.
    void Arrange(QSize size);
    // The window inside its screen's available area, its frame included: a panel drawn larger
    // than the screen (a laptop's, or any screen at a large scale) opens smaller, never cut.
    static void FitOnScreen(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Placed {
        QPointer<QWidget> widget;
        QRect drawn;
        double pointSize;
        bool grows;
    };
    // An edge drawn at the given place, for this scale and this much room to spare.
    int MapX(int x, double scale, int room) const;
    int MapY(int y, double scale, int room) const;

    QWidget* window;
    QSize drawnSize;
    // The span of the panel that takes the room to spare, as drawn; empty when none does.
    QRect stretch;
    std::vector<Placed> placed;
};
