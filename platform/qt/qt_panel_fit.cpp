#include "platform/qt/qt_panel_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {
const char* const stretchProperty = "zanStretch";
const char* const growProperty = "zanGrow";
// Below this the panel's text could no longer be read: a smaller window shows a part of it.
constexpr double smallestScale = 0.4;
// What a desktop's title bar and borders take, until the window is shown and they are known.
const QMargins guessedFrame(8, 40, 8, 8);

// The share of the room to spare an edge drawn at place moves by: none before the span, all of
// it past it, in proportion within.
double ShareOfRoom(int place, int begin, int length) {
    if (length <= 0) return 0.0;
    return std::clamp(static_cast<double>(place - begin) / length, 0.0, 1.0);
}

QMargins FrameOf(const QWidget* window) {
    if (!window->isVisible()) return guessedFrame;
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
} // namespace

PanelFit::PanelFit(QWidget* panelWindow)
    : QObject(panelWindow), window(panelWindow), drawnSize(panelWindow->size()) {
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool stretches = child->property(stretchProperty).toBool();
        if (stretches) stretch = child->geometry();
        placed.push_back({child, child->geometry(), child->font().pointSizeF(),
                          stretches || child->property(growProperty).toBool()});
    }
    window->setMinimumSize(static_cast<int>(std::ceil(drawnSize.width() * smallestScale)),
                           static_cast<int>(std::ceil(drawnSize.height() * smallestScale)));
    window->installEventFilter(this);
}

int PanelFit::MapX(int x, double scale, int room) const {
    return static_cast<int>(
        std::lround(x * scale + room * ShareOfRoom(x, stretch.x(), stretch.width())));
}

int PanelFit::MapY(int y, double scale, int room) const {
    return static_cast<int>(
        std::lround(y * scale + room * ShareOfRoom(y, stretch.y(), stretch.height())));
}

void PanelFit::Arrange(QSize size) {
    if (drawnSize.isEmpty()) return;
    const double scale =
        std::clamp(std::min(static_cast<double>(size.width()) / drawnSize.width(),
                            static_cast<double>(size.height()) / drawnSize.height()),
                   smallestScale, 1.0);
    // Without a control to take it, the room to spare stays beside the panel.
    const bool stretches = !stretch.isEmpty();
    const int roomX =
        stretches
            ? std::max(0, size.width() - static_cast<int>(std::lround(drawnSize.width() * scale)))
            : 0;
    const int roomY =
        stretches
            ? std::max(0, size.height() - static_cast<int>(std::lround(drawnSize.height() * scale)))
            : 0;
    for (const Placed& control : placed) {
        if (control.widget.isNull()) continue;
        const QRect& drawn = control.drawn;
        const int left = MapX(drawn.x(), scale, roomX);
        const int top = MapY(drawn.y(), scale, roomY);
        const int width = control.grows ? MapX(drawn.x() + drawn.width(), scale, roomX) - left
                                        : static_cast<int>(std::lround(drawn.width() * scale));
        const int height = control.grows ? MapY(drawn.y() + drawn.height(), scale, roomY) - top
                                         : static_cast<int>(std::lround(drawn.height() * scale));
        control.widget->setGeometry(left, top, width, height);
        if (control.pointSize > 0.0) {
            QFont font = control.widget->font();
            const double pointSize = control.pointSize * scale;
            if (font.pointSizeF() != pointSize) {
                font.setPointSizeF(pointSize);
                control.widget->setFont(font);
            }
        }
    }
}

void PanelFit::FitOnScreen(QWidget* window) {
    if (window->isMaximized() || window->isFullScreen()) return;
    QScreen* screen = window->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = FrameOf(window);
    const int framedWidth = frame.left() + frame.right();
    const int framedHeight = frame.top() + frame.bottom();
    const QSize size(std::min(window->width(), area.width() - framedWidth),
                     std::min(window->height(), area.height() - framedHeight));
    if (size != window->size()) window->resize(size);
    // The frame's corner, so that the whole frame lies inside the area.
    const QPoint corner = window->isVisible() ? window->frameGeometry().topLeft() : window->pos();
    const int right = area.right() + 1 - (size.width() + framedWidth);
    const int bottom = area.bottom() + 1 - (size.height() + framedHeight);
    const QPoint inside(std::clamp(corner.x(), area.left(), std::max(area.left(), right)),
                        std::clamp(corner.y(), area.top(), std::max(area.top(), bottom)));
    if (inside != corner) window->move(inside);
}

bool PanelFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window && event->type() == QEvent::Resize)
        Arrange(static_cast<QResizeEvent*>(event)->size());
    return false;
}
