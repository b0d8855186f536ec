// Popups answered as a rider would, printing, the clock and the ports.
#include "tests/gui/qt_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <functional>

namespace {
// Acts on the popup once it is up, from inside its own event loop.
void WhenPopupShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* popup = QApplication::activeModalWidget();
        ASSERT_NE(popup, nullptr);
        act(popup);
    });
}

QPushButton* ButtonLabelled(QWidget* popup, const QString& label) {
    for (QPushButton* button : popup->findChildren<QPushButton*>())
        if (button->text() == label) return button;
    return nullptr;
}
} // namespace

using PopupTest = QtEngineTest;

TEST_F(PopupTest, ConfirmAnswersOneForYesAndZeroForNo) {
    WhenPopupShows([](QWidget* popup) {
        static_cast<QMessageBox*>(popup)->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(ConfirmPopup("ZERO value ?", "Unload pedals & press [YES] to reset ..."), 1);
    WhenPopupShows(
        [](QWidget* popup) { static_cast<QMessageBox*>(popup)->button(QMessageBox::No)->click(); });
    EXPECT_EQ(ConfirmPopup("ZERO value ?", "Unload pedals"), 0);
}

TEST_F(PopupTest, GenericPopupAnswersTheButtonNumberAndTheTypedText) {
    WhenPopupShows([](QWidget* popup) {
        popup->findChild<QLineEdit*>()->insert("12345");
        ButtonLabelled(popup, "Search ZAN")->click();
    });
    char response[4] = "xxx";
    EXPECT_EQ(GenericMessagePopup("Attenzione !!!", "ZAN non connesso !", "Reconnect", "Skip",
                                  "Search ZAN", response, 3),
              3);
    EXPECT_STREQ(response, "123");
}

TEST_F(PopupTest, GenericPopupLeavesOutEmptyLabelsButKeepsTheNumbers) {
    WhenPopupShows([](QWidget* popup) {
        EXPECT_EQ(popup->findChildren<QPushButton*>().size(), 2);
        ButtonLabelled(popup, "Later")->click();
    });
    char response[4] = {};
    EXPECT_EQ(GenericMessagePopup("Title", "Message", "OK", "", "Later", response, 3), 3);
}

TEST_F(PopupTest, EscapeOnTheGenericPopupAnswersTheSecondButton) {
    WhenPopupShows([](QWidget* popup) { static_cast<QDialog*>(popup)->reject(); });
    char response[4] = {};
    EXPECT_EQ(GenericMessagePopup("Serializzazione pedivella ...", "Inserire Serial Number XXX",
                                  "OK", "SKIP", "", response, 3),
              2);
}

TEST_F(PopupTest, GenericPopupClosedByTheProgramGoesAwayAndAnswersNoButton) {
    // The not-connected dialog, closed when frames come back while nobody answers it.
    WhenPopupShows([](QWidget*) { EXPECT_EQ(DismissPopup(), 0); });
    char response[4] = {};
    EXPECT_EQ(GenericMessagePopup("Attenzione !!!", "ZAN non connesso !", "Reconnect", "Skip",
                                  "Search ZAN", response, 3),
              0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(DismissPopup(), -1);
}

TEST_F(PopupTest, CancelledFolderPopupAnswersZeroAndNoFolder) {
    WhenPopupShows([](QWidget* popup) { static_cast<QDialog*>(popup)->reject(); });
    char folder[64] = "previous";
    EXPECT_EQ(DirSelectPopup(QDir::tempPath().toLocal8Bit().constData(), "Selezionare FOLDER",
                             folder, sizeof folder),
              0);
    EXPECT_STREQ(folder, "");
}

using PrintTest = QtEngineTest;

TEST_F(PrintTest, WithoutThePrinterThePanelGoesToAPdfFile) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("panel.pdf");
    SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 250.0);
    EXPECT_EQ(PrintPanel(mainPanel, "No Such Printer 4711", pdf.toLocal8Bit().constData()), 2);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.size(), 1000);
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

using ClockTest = QtEngineTest;

TEST_F(ClockTest, DateTimeSplitsIntoTheLocalWallClock) {
    double now = 0.0;
    const QTime before = QTime::currentTime();
    GetCurrentDateTime(&now);
    int hour = 0, minute = 0, second = 0, month = 0, day = 0, year = 0;
    GetDateTimeElements(now, &hour, &minute, &second, &month, &day, &year);
    const QTime after = QTime::currentTime();
    const QTime split(hour, minute, second);
    EXPECT_GE(split.secsTo(after), 0);
    EXPECT_LE(split.secsTo(before), 0);
    EXPECT_EQ(QDate(year, month, day), QDate::currentDate());
}

TEST_F(ClockTest, DelayBlocksWithoutRunningCallbacks) {
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    const double start = Timer();
    Delay(0.05);
    EXPECT_GE(Timer() - start, 0.05);
    EXPECT_FALSE(ran);
    ProcessSystemEvents();
    EXPECT_TRUE(ran);
}

using PlatformTest = QtEngineTest;

TEST_F(PlatformTest, SerialOperationsReachThePortLayer) {
    // No ports/COM250 link exists in the test's folder: the port stays closed and silent.
    EXPECT_LT(OpenComConfig(250, "COM250", 38400, 0, 8, 1, 4096, 1024), 0);
    EXPECT_LE(GetInQLen(250), 0);
    EXPECT_LT(ComRdByte(250), 0);
    EXPECT_LT(ComWrtByte(250, 0x55), 0);
}
