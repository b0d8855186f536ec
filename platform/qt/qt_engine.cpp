// Panels, callbacks, timers and the event loop of the Qt engine.
#include "platform/qt/qt_engine.h"

#include "platform/qt/qt_graph.h"
#include "platform/qt/qt_panel_fit.h"
#include "platform/windows_calls.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include "ui_zan_01.h"

#include <chrono>
#include <thread>

namespace {
// Roles the engine gives widgets, read back by the application-wide event filter.
// The callback the resource names for closing a window (the main window's quit); a window without
// one just closes.
const char* const closeCallbackProperty = "zanCloseCallback";
const char* const doubleClickProperty = "zanDoubleClick";
const char* const entryProperty = "zanEntry";

// Handle and control of a widget the filter acts for, packed into one property value.
QVariant ControlRef(int handle, int control) {
    return QVariant::fromValue(QPoint(handle, control));
}

// The panels are compiled in; a load names the resource they came from, by its file name in any
// folder, as the program always has.
bool IsPanelResource(const char* file) {
    if (file == nullptr || file[0] == '\0') return false;
    return QFileInfo(QString::fromLocal8Bit(file))
               .fileName()
               .compare(QLatin1String("zan_01.uir"), Qt::CaseInsensitive) == 0;
}

bool KindFromName(const QString& name, ControlKind* kind) {
    for (int k = 0; k <= static_cast<int>(ControlKind::Timer); ++k) {
        const auto candidate = static_cast<ControlKind>(k);
        if (name == QLatin1String(ControlKindName(candidate))) {
            *kind = candidate;
            return true;
        }
    }
    return false;
}
} // namespace

// One filter on the whole application: it follows the Escape key, turns the main window's close
// into the quit command, the text box's double click and a numeric entry's Enter into events,
// and holds back the rider's input while the device search polls the Escape key.
class QtEngineFilter : public QObject {
  public:
    explicit QtEngineFilter(QtEngine& engine) : engine(engine) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
                engine.escapeDown = type == QEvent::KeyPress;
        }
        // The wheel over an entry field the rider has not chosen scrolls past it: a value
        // changed by a passing wheel would go unnoticed into the setup.
        if (type == QEvent::Wheel) {
            auto* field = qobject_cast<QAbstractSpinBox*>(watched);
            if (field != nullptr && !field->hasFocus()) {
                event->ignore();
                return true;
            }
        }
        if (type == QEvent::Close) return CloseMainWindow(watched, event);
        if (type == QEvent::MouseButtonDblClick) DoubleClick(watched, event);
        if (type == QEvent::KeyPress) EnterInField(watched, event);
        return false;
    }

  private:
    bool CloseMainWindow(QObject* watched, QEvent* event) {
        const QString callback = watched->property(closeCallbackProperty).toString();
        if (callback.isEmpty()) return false;
        // Closing the main window is the quit button: the quit command saves and ends the run.
        event->ignore();
        const int handle = watched->property("zanHandle").toInt();
        if (CtrlCallbackPtr quit = FindCallback(callback.toLatin1().constData()))
            engine.CallOrHold(quit, handle, 0, EVENT_COMMIT);
        else
            engine.QuitUserInterface(0);
        return true;
    }

    void DoubleClick(QObject* watched, QEvent* event) {
        const QVariant ref = watched->property(doubleClickProperty);
        if (!ref.isValid()) return;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return;
        const QPoint control = ref.toPoint();
        engine.Fire(control.x(), control.y(), EVENT_LEFT_DOUBLE_CLICK);
    }

    void EnterInField(QObject* watched, QEvent* event) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
        const QVariant ref = watched->property(entryProperty);
        if (!ref.isValid()) return;
        const QPoint control = ref.toPoint();
        if (QtEngine::Control* found = engine.FindControl(control.x(), control.y()))
            found->enterPressed = true;
    }

    QtEngine& engine;
};

QtEngine::Control::~Control() = default;

QtEngine::QtEngine() {
    clock.start();
    InitCVIRTE(nullptr);
}

QtEngine::~QtEngine() {
    for (auto& [handle, panel] : panels) delete panel->window.data();
    panels.clear();
    for (const QPointer<QWidget>& window : discarded) delete window.data();
}

int QtEngine::InitCVIRTE(void*) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) return 0;
    if (!filter) {
        filter = std::make_unique<QtEngineFilter>(*this);
        application->installEventFilter(filter.get());
        // Only the quit command ends the run, whatever window closes.
        application->setQuitOnLastWindowClosed(false);
    }
    return 1;
}

QtEngine::Panel* QtEngine::FindPanel(int panel) const {
    const auto found = panels.find(panel);
    if (found == panels.end() || found->second->window.isNull()) return nullptr;
    return found->second.get();
}

QtEngine::Control* QtEngine::FindControl(int panel, int control) const {
    Panel* found = FindPanel(panel);
    if (found == nullptr) return nullptr;
    const auto entry = found->controls.find(control);
    return entry == found->controls.end() ? nullptr : &entry->second;
}

QWidget* QtEngine::PanelWindow(int panel) const {
    Panel* found = FindPanel(panel);
    return found == nullptr ? nullptr : found->window.data();
}

QWidget* QtEngine::ControlWidget(int panel, int control) const {
    Control* found = FindControl(panel, control);
    return found == nullptr ? nullptr : found->widget;
}

int QtEngine::LoadPanel(int, const char* file, int panelNumber) {
    if (InitCVIRTE(nullptr) == 0) return -1;
    if (!IsPanelResource(file)) return -1;
    // Each load builds the panels afresh, so a discarded panel can return.
    auto root = std::make_unique<QWidget>();
    Ui::zan_01().setupUi(root.get());
    QWidget* window = root->findChild<QWidget*>(QStringLiteral("panel%1").arg(panelNumber),
                                                Qt::FindDirectChildrenOnly);
    if (window == nullptr) return -1;
    const QSize size = window->size();
    window->hide();
    window->setParent(nullptr, Qt::Window);
    window->resize(size);
    root.reset();
    new PanelFit(window);

    const int handle = nextHandle++;
    auto panel = std::make_unique<Panel>();
    panel->window = window;
    panel->resourceNumber = panelNumber;
    window->setProperty("zanHandle", handle);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->property("zanId").isValid()) AttachControl(handle, *panel, child);
    if (running) StartTimers(*panel);
    panels.emplace(handle, std::move(panel));
    return handle;
}

void QtEngine::AttachControl(int handle, Panel& panel, QWidget* widget) {
    const int id = widget->property("zanId").toInt();
    ControlKind kind{};
    if (!KindFromName(widget->property("zanKind").toString(), &kind)) return;
    Control& control = panel.controls[id];
    control.widget = widget;
    control.kind = kind;
    widget->setProperty("zanBaseStyle", widget->styleSheet());

    // The accessible name is the label the rider reads, the description the name the code uses.
    const char* label = nullptr;
    const char* name = nullptr;
    if (DescribeControl(panel.resourceNumber, id, &label, &name)) {
        widget->setAccessibleName(QString::fromUtf8(label));
        widget->setAccessibleDescription(QString::fromUtf8(name));
    } else {
        widget->setAccessibleDescription(widget->property("zanName").toString());
    }

    // An entry field takes the focus from a click or the keyboard, never from a passing wheel.
    if (auto* field = qobject_cast<QAbstractSpinBox*>(widget);
        field != nullptr && field->focusPolicy() == Qt::WheelFocus)
        field->setFocusPolicy(Qt::StrongFocus);

    // The resource's image resolves like one the program sets: from the working folder, else
    // beside the program, whatever folder the program was started from.
    if (const QString image = widget->property("zanImage").toString(); !image.isEmpty())
        ApplyAttribute(control, ATTR_IMAGE_FILE, 0, 0.0, image);

    switch (kind) {
    case ControlKind::Numeric: {
        auto* spin = static_cast<QDoubleSpinBox*>(widget);
        control.value = static_cast<float>(spin->value());
        QObject::connect(spin, &QDoubleSpinBox::valueChanged, spin, [this, handle, id](double v) {
            if (Control* found = FindControl(handle, id)) {
                found->value = static_cast<float>(v);
                found->changedByUser = true;
            }
        });
        break;
    }
    case ControlKind::NumericInt:
        QObject::connect(static_cast<QSpinBox*>(widget), &QSpinBox::valueChanged, widget,
                         [this, handle, id] {
                             if (Control* found = FindControl(handle, id))
                                 found->changedByUser = true;
                         });
        break;
    case ControlKind::Led:
        ApplyColors(control);
        break;
    case ControlKind::Graph:
        SetupGraph(control);
        break;
    case ControlKind::Timer: {
        auto* timer = new QTimer(panel.window.data());
        timer->setInterval(widget->property("zanInterval").toInt());
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this, handle, id] {
            if (!timersSuspended) Fire(handle, id, EVENT_TIMER_TICK);
        });
        panel.timers.push_back(timer);
        break;
    }
    default:
        break;
    }
    ConnectCallback(handle, id, control, widget->property("zanCallback").toString());
}

void QtEngine::ConnectCallback(int handle, int id, Control& control, const QString& name) {
    if (name.isEmpty()) return;
    control.callback = FindCallback(name.toLatin1().constData());
    if (control.callback == nullptr) return;
    QWidget* widget = control.widget;
    const auto commit = [this, handle, id] { Fire(handle, id, EVENT_COMMIT); };
    switch (control.kind) {
    case ControlKind::Command:
    case ControlKind::Led:
    case ControlKind::Switch:
        QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, widget,
                         commit);
        break;
    case ControlKind::Selector:
        QObject::connect(static_cast<QComboBox*>(widget), &QComboBox::activated, widget, commit);
        break;
    case ControlKind::Numeric:
    case ControlKind::NumericInt: {
        auto* spin = static_cast<QAbstractSpinBox*>(widget);
        if (spin->isReadOnly()) break;
        // Enter always commits, even an unchanged value (the access code 0 locks the panel
        // again); leaving the field commits only what the rider changed.
        spin->setProperty(entryProperty, ControlRef(handle, id));
        if (auto* edit = spin->findChild<QLineEdit*>())
            edit->setProperty(entryProperty, ControlRef(handle, id));
        QObject::connect(spin, &QAbstractSpinBox::editingFinished, spin, [this, handle, id] {
            Control* found = FindControl(handle, id);
            if (found == nullptr || !(found->enterPressed || found->changedByUser)) return;
            found->enterPressed = false;
            found->changedByUser = false;
            Fire(handle, id, EVENT_COMMIT);
        });
        break;
    }
    case ControlKind::TextBox:
        static_cast<QPlainTextEdit*>(widget)->viewport()->setProperty(doubleClickProperty,
                                                                      ControlRef(handle, id));
        break;
    default:
        break;
    }
}

void QtEngine::Fire(int panel, int control, int event) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || found->callback == nullptr) return;
    CallOrHold(found->callback, panel, control, event);
}

void QtEngine::CallOrHold(CtrlCallbackPtr callback, int panel, int control, int event) {
    const bool holding = timersSuspended || pollingEscape;
    if (!holding || event == EVENT_TIMER_TICK) {
        callback(panel, control, event, nullptr, 0, 0);
        SettleGraphs();
        return;
    }
    for (const HeldCall& held : heldCalls)
        if (held.callback == callback && held.panel == panel && held.control == control &&
            held.event == event)
            return;
    heldCalls.push_back({callback, panel, control, event});
}

void QtEngine::RunHeldCalls() {
    // A held call may hold more (a quit that opens a dialog): take the list first.
    const std::vector<HeldCall> calls = std::move(heldCalls);
    heldCalls.clear();
    for (const HeldCall& held : calls)
        held.callback(held.panel, held.control, held.event, nullptr, 0, 0);
    SettleGraphs();
}

void QtEngine::StartTimers(Panel& panel) {
    for (QTimer* timer : panel.timers)
        if (!timer->isActive()) timer->start();
}

int QtEngine::DisplayPanel(int panel) {
    Panel* found = FindPanel(panel);
    if (found == nullptr) return -1;
    // Displaying a panel already shown brings it to the front.
    QWidget* window = found->window.data();
    if (window->isVisible()) {
        window->raise();
        return 0;
    }
    // Fitted once with the frame a desktop usually gives, and again with the one it gave.
    PanelFit::FitOnScreen(window);
    window->show();
    PanelFit::FitOnScreen(window);
    return 0;
}

int QtEngine::HidePanel(int panel) {
    Panel* found = FindPanel(panel);
    if (found == nullptr) return -1;
    found->window->hide();
    return 0;
}

int QtEngine::DiscardPanel(int panel) {
    const auto found = panels.find(panel);
    if (found == panels.end()) return -1;
    QWidget* window = found->second->window.data();
    for (QTimer* timer : found->second->timers) timer->stop();
    panels.erase(found);
    // The quit command discards the main panel from inside one of its own buttons' signals:
    // the widgets go once that signal has returned.
    if (window != nullptr) {
        window->hide();
        window->deleteLater();
        discarded.emplace_back(window);
    }
    return 0;
}

// The timers start with the event loop, so no tick runs before the start-up has finished;
// panels loaded while it runs start theirs at once.
int QtEngine::RunUserInterface() {
    if (quitRequested) {
        quitRequested = false;
        return quitCode;
    }
    running = true;
    for (auto& [handle, panel] : panels) StartTimers(*panel);
    const int code = QApplication::exec();
    running = false;
    quitRequested = false;
    return code;
}

int QtEngine::QuitUserInterface(int code) {
    quitCode = code;
    quitRequested = true;
    QCoreApplication::exit(code);
    return 0;
}

int QtEngine::ProcessSystemEvents() {
    QCoreApplication::processEvents();
    return 0;
}

// Timers keep running while suspended; only their callbacks are skipped.
int QtEngine::SuspendTimerCallbacks() {
    timersSuspended = true;
    return 0;
}

int QtEngine::ResumeTimerCallbacks() {
    timersSuspended = false;
    RunHeldCalls();
    return 0;
}

double QtEngine::CurrentDateTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 localSeconds = now.toSecsSinceEpoch() + now.offsetFromUtc();
    return static_cast<double>(localSeconds) + now.time().msec() / 1000.0;
}

double QtEngine::Timer() {
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Waits block the one thread: nothing is repainted and no callback runs meanwhile.
void QtEngine::Delay(double seconds) {
    if (seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void QtEngine::Sleep(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int QtEngine::EscapeKeyDown() {
#ifdef _WIN32
    return EscapeKeyDownNow() ? 1 : 0;
#else
    // No portable way asks the keyboard directly: let the pending window events in, without
    // timers, and read the key state the filter keeps. A press meanwhile is held, never run
    // inside the poll.
    pollingEscape = true;
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers |
                                    QEventLoop::ExcludeSocketNotifiers);
    pollingEscape = false;
    if (!timersSuspended) RunHeldCalls();
    return escapeDown ? 1 : 0;
#endif
}

int QtEngine::KeepPanelOnTop(int panel) {
    Panel* found = FindPanel(panel);
    if (found == nullptr) return 0;
    QWidget* window = found->window.data();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->show();
    window->raise();
    window->activateWindow();
    return 1;
}

int QtEngine::LaunchBluetoothSettings(int* handle) {
    struct Command {
        const char* program;
        QStringList arguments;
    };
#ifdef _WIN32
    const Command commands[] = {{"cmd", {"/c", "bthprops.cpl"}}};
#else
    const Command commands[] = {{"blueman-manager", {}}, {"gnome-control-center", {"bluetooth"}}};
#endif
    for (const Command& command : commands) {
        const QString program = QStandardPaths::findExecutable(command.program);
        if (program.isEmpty()) continue;
        auto process = std::make_unique<QProcess>();
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(program, command.arguments);
        if (!process->waitForStarted(3000)) continue;
        const int launch = nextLaunch++;
        launched.emplace(launch, std::move(process));
        if (handle != nullptr) *handle = launch;
        return 0;
    }
    return -1;
}

int QtEngine::ExecutableHasTerminated(int handle) {
    const auto found = launched.find(handle);
    if (found == launched.end()) return 1;
    QProcess& process = *found->second;
    // Polled in a loop that may not turn the event loop: ask the process directly.
    if (process.state() != QProcess::NotRunning) process.waitForFinished(0);
    return process.state() == QProcess::NotRunning ? 1 : 0;
}
