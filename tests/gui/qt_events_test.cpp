// What the rider does and what the clock does, as callbacks reach them.
#include "tests/gui/qt_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

namespace {
void Key(QWidget* widget, int key, QEvent::Type type = QEvent::KeyPress, const QString& text = {}) {
    QKeyEvent event(type, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &event);
}

void Mouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(10, 10);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void LeaveField(QWidget* widget) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(widget, &event);
}

// Runs the event loop for the given time, as the station's RunUserInterface.
int RunFor(int milliseconds) {
    QTimer::singleShot(milliseconds, [] { QuitUserInterface(0); });
    return RunUserInterface();
}
} // namespace

using ClickTest = QtEngineTest;

TEST_F(ClickTest, EveryButtonReachesItsCallbackWithCommit) {
    for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
        if (entry->callback == nullptr ||
            (entry->kind != ControlKind::Command && entry->kind != ControlKind::Led))
            continue;
        SCOPED_TRACE(entry->callback);
        const int panel = Handle(entry->panel);
        SetCtrlAttribute(panel, entry->control, ATTR_DIMMED, 0);
        ClearRecordedCalls();
        qobject_cast<QAbstractButton*>(engine->ControlWidget(panel, entry->control))->click();
        ASSERT_EQ(RecordedCalls().size(), 1u);
        EXPECT_EQ(RecordedCalls()[0].name, entry->callback);
        EXPECT_EQ(RecordedCalls()[0].panel, panel);
        EXPECT_EQ(RecordedCalls()[0].control, entry->control);
        EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
    }
}

TEST_F(ClickTest, SwitchCommitsWithItsNewState) {
    SetCtrlAttribute(mainPanel, MAIN_DEBU, ATTR_DIMMED, 0);
    Widget<QCheckBox>(MAIN_DEBU)->click();
    ASSERT_EQ(CallsOf("DEBU"), 1);
    EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
    double state = 0.0;
    GetCtrlVal(mainPanel, MAIN_DEBU, &state);
    EXPECT_EQ(state, 1.0);
}

TEST_F(ClickTest, SelectorCommitsWhenTheRiderPicksAnotherCode) {
    SetCtrlAttribute(mainPanel, MAIN_SINGLE_SIDE, ATTR_DIMMED, 0);
    Key(Widget(MAIN_SINGLE_SIDE), Qt::Key_Down);
    ASSERT_EQ(CallsOf("OFT"), 1);
    double side = 0.0;
    GetCtrlVal(mainPanel, MAIN_SINGLE_SIDE, &side);
    EXPECT_EQ(side, 1.0);
}

using EntryTest = QtEngineTest;

TEST_F(EntryTest, EnterCommitsTheCodeEvenWhenUnchanged) {
    // 0 is already in the field: entering it again is how the panel is locked.
    Key(Widget(MAIN_ACCESS_CODE), Qt::Key_Return);
    ASSERT_EQ(CallsOf("PWD"), 1);
    EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
    EXPECT_EQ(RecordedCalls()[0].control, MAIN_ACCESS_CODE);
}

TEST_F(EntryTest, LeavingTheFieldAfterEnterDoesNotCommitAgain) {
    Key(Widget(MAIN_ACCESS_CODE), Qt::Key_Return);
    LeaveField(Widget(MAIN_ACCESS_CODE));
    EXPECT_EQ(CallsOf("PWD"), 1);
}

TEST_F(EntryTest, LeavingTheFieldCommitsATypedValue) {
    QWidget* field = Widget(MAIN_ACCESS_CODE);
    Key(field, Qt::Key_End);
    Key(field, Qt::Key_7, QEvent::KeyPress, "7");
    LeaveField(field);
    ASSERT_EQ(CallsOf("PWD"), 1);
    double code = 0.0;
    GetCtrlVal(mainPanel, MAIN_ACCESS_CODE, &code);
    EXPECT_EQ(code, 7.0);
}

TEST_F(EntryTest, TypedNumberIsReadBackFromAFloatField) {
    QWidget* field = Widget(MAIN_WHEEL_DIAMETER);
    SetCtrlVal(mainPanel, MAIN_WHEEL_DIAMETER, 0.0);
    static_cast<QAbstractSpinBox*>(field)->selectAll();
    for (const char* digit : {"6", "7", "0"})
        Key(field, Qt::Key_0 + (digit[0] - '0'), QEvent::KeyPress, digit);
    Key(field, Qt::Key_Return);
    double diameter = 0.0;
    GetCtrlVal(mainPanel, MAIN_WHEEL_DIAMETER, &diameter);
    EXPECT_EQ(diameter, 670.0);
}

using TextBoxClickTest = QtEngineTest;

TEST_F(TextBoxClickTest, DoubleClickGivesItsEventAndASingleClickNothing) {
    QWidget* viewport = Widget<QPlainTextEdit>(MAIN_MESSAGES)->viewport();
    Mouse(viewport, QEvent::MouseButtonPress);
    Mouse(viewport, QEvent::MouseButtonRelease);
    EXPECT_EQ(CallsOf("RTEXT"), 0);
    Mouse(viewport, QEvent::MouseButtonDblClick);
    ASSERT_EQ(CallsOf("RTEXT"), 1);
    EXPECT_EQ(RecordedCalls().back().event, EVENT_LEFT_DOUBLE_CLICK);
    EXPECT_EQ(RecordedCalls().back().control, MAIN_MESSAGES);
}

using WindowCloseTest = QtEngineTest;

TEST_F(WindowCloseTest, ClosingTheMainWindowRunsTheQuitCommand) {
    QWidget* window = engine->PanelWindow(mainPanel);
    DisplayPanel(mainPanel);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(CallsOf("FINE"), 1);
    EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowCloseTest, ClosingTheWarmupWindowOnlyHidesIt) {
    DisplayPanel(warmupPanel);
    engine->PanelWindow(warmupPanel)->close();
    EXPECT_FALSE(engine->PanelWindow(warmupPanel)->isVisible());
    EXPECT_TRUE(RecordedCalls().empty());
}

TEST_F(WindowCloseTest, QuitCommandMayDiscardThePanelOfItsOwnButton) {
    QPointer<QWidget> window = engine->PanelWindow(mainPanel);
    afterCall = [this](const RecordedCall& call) {
        if (call.name == "FINE") DiscardPanel(mainPanel);
    };
    engine->ControlWidget(mainPanel, 107)->setEnabled(true);
    qobject_cast<QAbstractButton*>(engine->ControlWidget(mainPanel, 107))->click();
    EXPECT_EQ(CallsOf("FINE"), 1);
    EXPECT_EQ(engine->PanelWindow(mainPanel), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

using EventLoopTest = QtEngineTest;

TEST_F(EventLoopTest, RunEndsWithTheCodeGivenToQuit) {
    QTimer::singleShot(0, [] { QuitUserInterface(3); });
    EXPECT_EQ(RunUserInterface(), 3);
}

TEST_F(EventLoopTest, TimersTickOnlyOnceTheEventLoopRuns) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 120) ProcessSystemEvents();
    EXPECT_EQ(CallsOf("TIMER"), 0);

    RunFor(1150);
    EXPECT_GE(CallsOf("DISPLAY"), 1);
    EXPECT_LE(CallsOf("DISPLAY"), 3);
    // The link timer ticks many times per display tick.
    EXPECT_GT(CallsOf("TIMER"), 5 * CallsOf("DISPLAY"));
    for (const RecordedCall& call : RecordedCalls()) {
        EXPECT_EQ(call.event, EVENT_TIMER_TICK);
        EXPECT_EQ(call.panel, mainPanel);
    }
}

TEST_F(EventLoopTest, SuspendedTimersSkipTheirCallbacksUntilResumed) {
    SuspendTimerCallbacks();
    RunFor(200);
    EXPECT_EQ(CallsOf("TIMER"), 0);
    ResumeTimerCallbacks();
    RunFor(200);
    EXPECT_GT(CallsOf("TIMER"), 0);
}

using EscapeKeyTest = QtEngineTest;

TEST_F(EscapeKeyTest, FollowsTheKeyWhileHeld) {
    QWidget* window = engine->PanelWindow(mainPanel);
    EXPECT_EQ(EscapeKeyDown(), 0);
    Key(window, Qt::Key_Escape);
    EXPECT_EQ(EscapeKeyDown(), 1);
    Key(window, Qt::Key_Escape, QEvent::KeyRelease);
    EXPECT_EQ(EscapeKeyDown(), 0);
}

TEST_F(EscapeKeyTest, ClicksWaitingWhileTheSearchPollsRunOnceWhenTheSearchEnds) {
    SuspendTimerCallbacks();
    QWidget* hold = Widget(MAIN_HOLD);
    const QPointF at(5, 5);
    for (int press = 0; press < 2; ++press) {
        QCoreApplication::postEvent(hold, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                          hold->mapToGlobal(at), Qt::LeftButton,
                                                          Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(hold, new QMouseEvent(QEvent::MouseButtonRelease, at,
                                                          hold->mapToGlobal(at), Qt::LeftButton,
                                                          Qt::NoButton, Qt::NoModifier));
    }
    DisplayPanel(mainPanel);
    EXPECT_EQ(EscapeKeyDown(), 0);
    ProcessSystemEvents();
    // Closing the window is the quit command: held too.
    engine->PanelWindow(mainPanel)->close();
    EXPECT_EQ(CallsOf("HOLD"), 0);
    EXPECT_EQ(CallsOf("FINE"), 0);
    ResumeTimerCallbacks();
    EXPECT_EQ(CallsOf("HOLD"), 1);
    EXPECT_EQ(CallsOf("FINE"), 1);
}

TEST_F(EscapeKeyTest, TimersDoNotTickWhileTheSearchPolls) {
    QTimer::singleShot(0, [] { QuitUserInterface(0); });
    RunUserInterface(); // starts the timers
    ClearRecordedCalls();
    QElapsedTimer polled;
    polled.start();
    while (polled.elapsed() < 100) EscapeKeyDown();
    EXPECT_EQ(CallsOf("TIMER"), 0);
}

using WheelTest = QtEngineTest;

TEST_F(WheelTest, TheWheelOverAnEntryFieldWithoutFocusLeavesItsValue) {
    DisplayPanel(mainPanel);
    auto* field = Widget<QDoubleSpinBox>(MAIN_CRANK_LENGTH);
    ASSERT_NE(field, nullptr);
    field->setEnabled(true);
    field->setValue(172.5);
    const QPointF at(5, 5);
    const auto wheel = [&] {
        QWheelEvent event(at, field->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(field, &event);
    };
    wheel();
    EXPECT_DOUBLE_EQ(field->value(), 172.5);
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(field->focusPolicy(), Qt::StrongFocus);
}
