// The panel as screen readers and the keyboard reach it.
#include "app/callbacks.h"
#include "app/link_watchdog.h"
#include "link/link_control.h"
#include "tests/gui/qt_fixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>

namespace {
QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

void Type(QWidget* widget, Qt::Key key) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}
} // namespace

using AccessibilityTest = QtEngineTest;

TEST_F(AccessibilityTest, ControlsAreReadByTheLabelTheyShowNow) {
    zan.setup.mainPanel = mainPanel;
    afterCall = [](const RecordedCall& call) {
        if (call.name == "HOLD") HOLD(call.panel, call.control, call.event, nullptr, 0, 0);
    };
    Type(Widget(MAIN_HOLD), Qt::Key_Space);
    EXPECT_EQ(Accessible(Widget(MAIN_HOLD))->text(QAccessible::Name), "Run");
    // A field is read by its caption.
    SetCtrlAttribute(mainPanel, MAIN_TOTAL_KM, ATTR_LABEL_TEXT, "Total (mi)");
    EXPECT_EQ(Accessible(Widget(MAIN_TOTAL_KM))->text(QAccessible::Name), "Total (mi)");
}

TEST_F(AccessibilityTest, LinkLampIsReadCheckedWhileTheWatchdogSeesTheLink) {
    zan.setup.mainPanel = mainPanel;
    zan.app.linkDialogOff = 1;
    WatchLink(EngineStation());
    EXPECT_TRUE(Accessible(Widget(MAIN_LINK_LED))->state().checkable);
    EXPECT_TRUE(Accessible(Widget(MAIN_LINK_LED))->state().checked);
    zan.link.ticksSinceFrame = lostAfterTicks + 1;
    WatchLink(EngineStation());
    EXPECT_FALSE(Accessible(Widget(MAIN_LINK_LED))->state().checked);
    // Pressing the lamp asks for a reconnection; only the link lights it.
    Widget<QAbstractButton>(MAIN_LINK_LED)->click();
    EXPECT_EQ(CallsOf("ONLINE"), 1);
    EXPECT_FALSE(Accessible(Widget(MAIN_LINK_LED))->state().checked);
}

TEST_F(AccessibilityTest, EveryCommandAndSwitchTakesTabAndRunsOnSpaceAndEnter) {
    for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
        if (entry->kind != ControlKind::Command && entry->kind != ControlKind::Switch &&
            (entry->kind != ControlKind::Led || entry->callback == nullptr))
            continue;
        SCOPED_TRACE(entry->label);
        SetCtrlAttribute(Handle(entry->panel), entry->control, ATTR_DIMMED, 0);
        auto* button = qobject_cast<QAbstractButton*>(
            engine->ControlWidget(Handle(entry->panel), entry->control));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
        int clicks = 0;
        const auto counter =
            QObject::connect(button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) Type(button, key);
        QObject::disconnect(counter);
        EXPECT_EQ(clicks, 3);
    }
}
