// Values and attributes as the station sets them, and what reaches the widgets.
#include "tests/gui/qt_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>

#include <cmath>

namespace {
double Read(int panel, int control) {
    double value = -1.0;
    EXPECT_EQ(GetCtrlVal(panel, control, &value), 0);
    return value;
}

std::string ReadText(int panel, int control, std::size_t size = 256) {
    std::string text(size, '#');
    EXPECT_EQ(GetCtrlVal(panel, control, text.data(), size), 0);
    return text.c_str();
}

// The colour of a pixel near the left edge of a control, where its background shows.
QColor Background(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(6, image.height() / 2);
}
} // namespace

using ControlValueTest = QtEngineTest;

TEST_F(ControlValueTest, NumericFieldsKeepSinglePrecisionWhateverTheyShow) {
    SetCtrlVal(mainPanel, MAIN_RIGHT_FORCE_GAIN, 0.1234567891);
    EXPECT_EQ(Read(mainPanel, MAIN_RIGHT_FORCE_GAIN), static_cast<double>(0.1234567891f));
    // More decimals than the field shows still come back.
    SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 250.4375);
    EXPECT_EQ(Read(mainPanel, MAIN_POWER_TOTAL), 250.4375);
    EXPECT_EQ(Widget<QDoubleSpinBox>(MAIN_POWER_TOTAL)->text(), "250");
    float asFloat = 0.0f;
    GetCtrlVal(mainPanel, MAIN_RIGHT_FORCE_GAIN, &asFloat);
    EXPECT_EQ(asFloat, 0.1234567891f);
}

// A read-out with nothing to show is blank, not 0 nor "nan"; the next value shows again, its
// field's lowest one too.
TEST_F(ControlValueTest, NoValueShowsABlankReadoutUntilTheNextValue) {
    auto* battery = Widget<QDoubleSpinBox>(MAIN_BATTERY);
    SetCtrlVal(mainPanel, MAIN_BATTERY, 80.0);
    SetCtrlVal(mainPanel, MAIN_BATTERY, std::nan(""));
    EXPECT_TRUE(battery->text().trimmed().isEmpty()) << battery->text().toStdString();
    EXPECT_TRUE(std::isnan(Read(mainPanel, MAIN_BATTERY)));
    SetCtrlVal(mainPanel, MAIN_BATTERY, battery->minimum());
    EXPECT_FALSE(battery->text().trimmed().isEmpty());
    SetCtrlVal(mainPanel, MAIN_BATTERY, 75.0);
    EXPECT_EQ(battery->text(), battery->textFromValue(75.0));
}

TEST_F(ControlValueTest, IntegerFieldsTruncateTowardZero) {
    SetCtrlVal(mainPanel, MAIN_RECORD_INTERVAL, 7.9);
    EXPECT_EQ(Read(mainPanel, MAIN_RECORD_INTERVAL), 7.0);
    SetCtrlVal(mainPanel, MAIN_RECORD_INTERVAL, -3.7);
    EXPECT_EQ(Read(mainPanel, MAIN_RECORD_INTERVAL), -3.0);
    SetCtrlVal(warmupPanel, WARMUP_PROGRESS, 42);
    int progress = 0;
    GetCtrlVal(warmupPanel, WARMUP_PROGRESS, &progress);
    EXPECT_EQ(progress, 42);
}

TEST_F(ControlValueTest, SelectorsTakeOnlyTheirCodes) {
    EXPECT_EQ(SetCtrlVal(mainPanel, MAIN_PLOT_MODE, 2), 0);
    EXPECT_EQ(Read(mainPanel, MAIN_PLOT_MODE), 2.0);
    EXPECT_EQ(Widget<QComboBox>(MAIN_PLOT_MODE)->currentText(), "Time plot");
    EXPECT_EQ(SetCtrlVal(mainPanel, MAIN_PLOT_MODE, 3), 0);
    EXPECT_EQ(Widget<QComboBox>(MAIN_PLOT_MODE)->currentText(), "Polar");
    EXPECT_LT(SetCtrlVal(mainPanel, MAIN_PLOT_MODE, 4), 0);
    EXPECT_EQ(Read(mainPanel, MAIN_PLOT_MODE), 3.0);
}

TEST_F(ControlValueTest, SwitchesAndLampsAreZeroOrOne) {
    SetCtrlVal(mainPanel, MAIN_PLOT_HR, 1);
    EXPECT_EQ(Read(mainPanel, MAIN_PLOT_HR), 1.0);
    EXPECT_TRUE(Widget<QCheckBox>(MAIN_PLOT_HR)->isChecked());
    SetCtrlVal(mainPanel, MAIN_PLOT_HR, 0);
    EXPECT_EQ(Read(mainPanel, MAIN_PLOT_HR), 0.0);

    QWidget* lamp = Widget(MAIN_LINK_LED);
    SetCtrlVal(mainPanel, MAIN_LINK_LED, 1);
    EXPECT_EQ(Read(mainPanel, MAIN_LINK_LED), 1.0);
    const QColor lit = lamp->grab().toImage().pixelColor(lamp->width() / 2, lamp->height() / 2);
    EXPECT_GT(lit.green(), 180);
    SetCtrlVal(mainPanel, MAIN_LINK_LED, 0);
    EXPECT_EQ(Read(mainPanel, MAIN_LINK_LED), 0.0);
    const QColor dark = lamp->grab().toImage().pixelColor(lamp->width() / 2, lamp->height() / 2);
    EXPECT_LT(dark.green(), 100);
}

TEST_F(ControlValueTest, TextMessagesHoldTextAndCutItToTheBuffer) {
    SetCtrlVal(mainPanel, MAIN_SESSION_FILE, "Session closed !");
    EXPECT_EQ(Widget<QLabel>(MAIN_SESSION_FILE)->text(), "Session closed !");
    EXPECT_EQ(ReadText(mainPanel, MAIN_SESSION_FILE), "Session closed !");
    EXPECT_EQ(ReadText(mainPanel, MAIN_SESSION_FILE, 8), "Session");
    SetCtrlVal(mainPanel, MAIN_SESSION_CLOCK, "00:12:34");
    EXPECT_EQ(ReadText(mainPanel, MAIN_SESSION_CLOCK), "00:12:34");
}

TEST_F(ControlValueTest, TextBoxAppendsLinesAndResets) {
    ResetTextBox(mainPanel, MAIN_MESSAGES, "");
    InsertTextBoxLine(mainPanel, MAIN_MESSAGES, -1, "Search ZAN sn123 on COM3 ... [ESC=>Skip] \n");
    InsertTextBoxLine(mainPanel, MAIN_MESSAGES, -1, "second");
    EXPECT_EQ(Widget<QPlainTextEdit>(MAIN_MESSAGES)->toPlainText(),
              "Search ZAN sn123 on COM3 ... [ESC=>Skip] \nsecond");
    InsertTextBoxLine(mainPanel, MAIN_MESSAGES, 0, "first");
    EXPECT_EQ(Widget<QPlainTextEdit>(MAIN_MESSAGES)->document()->firstBlock().text(), "first");
    ResetTextBox(mainPanel, MAIN_MESSAGES, "");
    EXPECT_TRUE(Widget<QPlainTextEdit>(MAIN_MESSAGES)->toPlainText().isEmpty());
}

TEST_F(ControlValueTest, ValuesSetByTheProgramFireNoCallback) {
    SetCtrlVal(mainPanel, MAIN_ACCESS_CODE, 6868);
    SetCtrlVal(mainPanel, MAIN_WARMUP_MODE, 1);
    SetCtrlVal(mainPanel, MAIN_SINGLE_SIDE, 2);
    SetCtrlVal(mainPanel, MAIN_SERIAL, 1);
    SetCtrlVal(mainPanel, MAIN_LINK_LED, 1);
    SetCtrlVal(mainPanel, MAIN_RIGHT_FORCE_OFFSET, 1500.0);
    // Nor does leaving a field whose value only the program changed.
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(Widget(MAIN_ACCESS_CODE), &leave);
    EXPECT_TRUE(RecordedCalls().empty());
}

TEST_F(ControlValueTest, UnknownControlsAndKindsWithoutValueAreRefused) {
    double value = 0.0;
    EXPECT_LT(SetCtrlVal(mainPanel, 500, 1), 0);
    EXPECT_LT(SetCtrlVal(999, MAIN_POWER_TOTAL, 1), 0);
    EXPECT_LT(GetCtrlVal(mainPanel, MAIN_GRAPH, &value), 0);
    EXPECT_LT(SetCtrlVal(mainPanel, MAIN_CAL_COVER_1, 1), 0);
    EXPECT_LT(SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, "not a number"), 0);
}

using ControlAttributeTest = QtEngineTest;

TEST_F(ControlAttributeTest, DimmingReachesTheFieldAndItsCaption) {
    QWidget* field = Widget(MAIN_TOTAL_KM);
    QLabel* caption = CaptionOf(field);
    ASSERT_NE(caption, nullptr);

    SetCtrlAttribute(mainPanel, MAIN_TOTAL_KM, ATTR_DIMMED, 1);
    EXPECT_FALSE(field->isEnabled());
    EXPECT_FALSE(caption->isEnabled());
    EXPECT_EQ(Attribute(MAIN_TOTAL_KM, ATTR_DIMMED), 1);
    SetCtrlAttribute(mainPanel, MAIN_TOTAL_KM, ATTR_DIMMED, 0);
    EXPECT_TRUE(field->isEnabled());
    EXPECT_EQ(Attribute(MAIN_TOTAL_KM, ATTR_DIMMED), 0);
}

TEST_F(ControlAttributeTest, VisibilityReachesTheFieldAndItsCaption) {
    SetCtrlAttribute(mainPanel, MAIN_CRANK_CADENCE, ATTR_VISIBLE, 0);
    EXPECT_TRUE(Widget(MAIN_CRANK_CADENCE)->isHidden());
    ASSERT_NE(CaptionOf(Widget(MAIN_CRANK_CADENCE)), nullptr);
    EXPECT_TRUE(CaptionOf(Widget(MAIN_CRANK_CADENCE))->isHidden());
    EXPECT_EQ(Attribute(MAIN_CRANK_CADENCE, ATTR_VISIBLE), 0);
    SetCtrlAttribute(mainPanel, MAIN_CRANK_CADENCE, ATTR_VISIBLE, 1);
    EXPECT_FALSE(Widget(MAIN_CRANK_CADENCE)->isHidden());
    EXPECT_EQ(Attribute(MAIN_CRANK_CADENCE, ATTR_VISIBLE), 1);
}

TEST_F(ControlAttributeTest, FrontmostCoverHidesTheFieldsBeneath) {
    QWidget* window = engine->PanelWindow(mainPanel);
    const QPoint field = Widget(MAIN_RIGHT_FORCE_GAIN)->geometry().center();
    const auto topAt = [window](QPoint point) {
        QWidget* top = window->childAt(point);
        while (top != nullptr && top->parentWidget() != window) top = top->parentWidget();
        return top;
    };
    SetCtrlAttribute(mainPanel, MAIN_CAL_COVER_2, ATTR_ZPLANE_POSITION, 1);
    EXPECT_NE(topAt(field), Widget(MAIN_CAL_COVER_2));
    SetCtrlAttribute(mainPanel, MAIN_CAL_COVER_2, ATTR_ZPLANE_POSITION, 0);
    EXPECT_EQ(topAt(field), Widget(MAIN_CAL_COVER_2));
    EXPECT_EQ(Attribute(MAIN_CAL_COVER_2, ATTR_ZPLANE_POSITION), 0);
}

TEST_F(ControlAttributeTest, ValueColourPaintsTheBackground) {
    SetCtrlAttribute(mainPanel, MAIN_OFL, ATTR_TEXT_BGCOLOR, VAL_RED);
    EXPECT_EQ(Background(Widget(MAIN_OFL)), QColor(255, 0, 0));
    EXPECT_EQ(Attribute(MAIN_OFL, ATTR_TEXT_BGCOLOR), VAL_RED);
    SetCtrlAttribute(mainPanel, MAIN_OFL, ATTR_TEXT_BGCOLOR, VAL_CYAN);
    EXPECT_EQ(Background(Widget(MAIN_OFL)), QColor(0, 255, 255));

    SetCtrlAttribute(mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_GREEN);
    EXPECT_EQ(Background(Widget(MAIN_SESSION_CLOCK)), QColor(0, 255, 0));
}

TEST_F(ControlAttributeTest, CommandColourPaintsTheButton) {
    QWidget* reset = engine->ControlWidget(warmupPanel, WARMUP_RESET);
    SetCtrlAttribute(warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_YELLOW);
    EXPECT_EQ(Background(reset), QColor(255, 255, 0));
    SetCtrlAttribute(warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_LT_GRAY);
    EXPECT_EQ(Background(reset), QColor(192, 192, 192));
}

TEST_F(ControlAttributeTest, HoldButtonTakesLabelAndImage) {
    auto* hold = Widget<QPushButton>(MAIN_HOLD);
    SetCtrlAttribute(mainPanel, MAIN_HOLD, ATTR_LABEL_TEXT, "Run");
    EXPECT_EQ(hold->text(), "Run");

    const QString before = QDir::currentPath();
    QDir::setCurrent(ZAN_UI_DIR);
    EXPECT_EQ(SetCtrlAttribute(mainPanel, MAIN_HOLD, ATTR_IMAGE_FILE, "start.ico"), 0);
    const bool withIcon = !hold->icon().isNull();
    EXPECT_EQ(SetCtrlAttribute(mainPanel, MAIN_HOLD, ATTR_IMAGE_FILE, "missing.ico"), 0);
    const bool withoutIcon = hold->icon().isNull();
    QDir::setCurrent(before);
    EXPECT_TRUE(withIcon);
    EXPECT_TRUE(withoutIcon);
}

// The Windows folder and a build keep the icons beside the program; the installed program
// (/usr/bin/zan_pc) finds them in its data folder (/usr/share/zan-station), whatever folder the
// rider starts it in. A file in the working folder comes first, as it always did.
TEST(ImageFileLookup, ComesFromTheWorkingFolderThenBesideTheProgramThenTheDataFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir tree(root.path());
    const QString program = tree.filePath("usr/bin");
    const QString data = QDir::cleanPath(program + "/" + ZAN_INSTALLED_DATA);
    const QString work = tree.filePath("home/ZAN");
    for (const QString& folder : {program, data, work}) ASSERT_TRUE(tree.mkpath(folder));
    const auto put = [](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    put(data + "/start.ico");
    put(data + "/pausa.ico");
    put(program + "/pausa.ico");
    // A folder of the image's name is no image.
    ASSERT_TRUE(tree.mkpath(work + "/pausa.ico"));
    put(work + "/custom.ico");
    put(data + "/custom.ico");

    const QString before = QDir::currentPath();
    QDir::setCurrent(work);
    const QString installed = FindImageFile("start.ico", program);
    const QString besideProgram = FindImageFile("pausa.ico", program);
    const QString own = FindImageFile("custom.ico", program);
    const QString missing = FindImageFile("missing.ico", program);
    const QString unnamed = FindImageFile("", program);
    QDir::setCurrent(before);

    EXPECT_EQ(installed, data + "/start.ico");
    EXPECT_EQ(besideProgram, program + "/pausa.ico");
    EXPECT_EQ(own, "custom.ico");
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_TRUE(unnamed.isEmpty());
    EXPECT_EQ(QDir::cleanPath(tree.filePath("usr/share/zan-station")), data)
        << "the Debian package installs the icons into share/zan-station beside bin/";
}
