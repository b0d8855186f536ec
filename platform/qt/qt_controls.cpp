// Control values and attributes of the Qt engine. Every attribute number the station sets is
// mapped to its widget operation here, in ApplyAttribute, and nowhere else.
#include "platform/qt/qt_engine.h"

#include "platform/qt/qt_graph.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace {
QString FromC(const char* text) {
    return text == nullptr ? QString() : QString::fromLocal8Bit(text);
}

int CopyOut(const QString& text, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return -1;
    const QByteArray bytes = text.toLocal8Bit();
    const std::size_t length = std::min(static_cast<std::size_t>(bytes.size()), size - 1);
    std::memcpy(out, bytes.constData(), length);
    out[length] = '\0';
    return 0;
}

QString ColorName(int rgb) {
    return QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff).name();
}

// A double to an integer control: truncated toward zero, as every conversion of the station.
int ToInt(double value) {
    if (!(value == value)) return 0;
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(value, -limit, limit));
}

// A lamp is a disc in its colour inside a grey ring, painted here: the revolution lamp changes
// at every revolution, and a repaint costs a fraction of restyling the button with a new sheet.
// The ring takes the highlight colour while the keyboard is on the lamp.
const char* const litProperty = "zanLit";

class LampPainter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* lamp = static_cast<QWidget*>(watched);
        QPainter painter(lamp);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(lamp->hasFocus() ? lamp->palette().color(QPalette::Highlight)
                                             : QColor(0x60, 0x60, 0x60),
                            2.0));
        painter.setBrush(lamp->property(litProperty).toBool() ? QColor(0x20, 0xe0, 0x40)
                                                              : QColor(0x20, 0x30, 0x20));
        const double side = std::min(lamp->width(), lamp->height()) - 2.0;
        painter.drawEllipse(
            QRectF((lamp->width() - side) / 2.0, (lamp->height() - side) / 2.0, side, side));
        return true;
    }
};

// Screen readers read a lamp as checked while it is lit. The rider's press on the link lamp runs
// its command; it never switches the lamp, which shows the link only.
void SetUpLamp(QAbstractButton* lamp) {
    lamp->installEventFilter(new LampPainter(lamp));
    lamp->setCheckable(true);
    QObject::connect(lamp, &QAbstractButton::toggled, lamp, [lamp](bool checked) {
        const bool lit = lamp->property(litProperty).toBool();
        if (checked == lit) return;
        const QSignalBlocker blocker(lamp);
        lamp->setChecked(lit);
    });
    // A lamp with a command is reached with Tab; a click does not leave the focus ring on it.
    if (!lamp->property("zanCallback").toString().isEmpty()) lamp->setFocusPolicy(Qt::TabFocus);
}

// A panel is no dialog, so Enter on a focused button would do nothing: on a control it runs the
// command, or switches the switch, as Space and a click do.
class CommandKeys : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button == nullptr || !button->property("zanId").isValid()) return false;
        // A key held down runs the command once.
        if (!key->isAutoRepeat()) button->click();
        return true;
    }
};

// The same float to the bit: 0 and -0 show differently, and NaN is never the same.
bool SameFloat(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) && a == a;
}

// The caption labels the resource puts beside a control follow its dimming and visibility.
QList<QLabel*> Captions(QWidget* control) {
    QList<QLabel*> captions;
    if (QWidget* panel = control->window())
        for (QLabel* label : panel->findChildren<QLabel*>())
            if (label->buddy() == control) captions.append(label);
    return captions;
}

// An image file of a button, found as FindImageFile finds it for this program.
QPixmap ImageFile(const QString& name) {
    const QString path = FindImageFile(name, QCoreApplication::applicationDirPath());
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}
} // namespace

QString FindImageFile(const QString& name, const QString& programFolder) {
    if (name.isEmpty()) return {};
    const QDir program(programFolder);
    for (const QString& path : {name, program.filePath(name),
                                program.filePath(QStringLiteral(ZAN_INSTALLED_DATA "/") + name)})
        if (QFileInfo(path).isFile()) return QDir::cleanPath(path);
    return {};
}

int QtEngine::SetValue(Control& control, double number, const QString& text, bool isText) {
    QWidget* widget = control.widget;
    const QSignalBlocker blocker(widget);
    bool ok = true;
    const double parsed = isText ? text.trimmed().toDouble(&ok) : number;
    switch (control.kind) {
    case ControlKind::Numeric: {
        if (!ok) return -1;
        // A float control: the value read back is the value written, in single precision.
        const float value = static_cast<float>(parsed);
        auto* spin = static_cast<QDoubleSpinBox*>(widget);
        // The display sets every read-out twice a second; one that would show what it shows
        // already is not repainted for nothing.
        if (spin->isReadOnly() && !control.changedByUser &&
            SameFloat(value, static_cast<float>(control.value)))
            return 0;
        control.value = value;
        // No value (NaN) shows blank: a number there would read as one measured.
        const bool blank = std::isnan(value);
        if (blank != !spin->specialValueText().isEmpty())
            spin->setSpecialValueText(blank ? QStringLiteral(" ") : QString());
        spin->setValue(blank ? spin->minimum() : control.value);
        control.changedByUser = false;
        return 0;
    }
    case ControlKind::NumericInt: {
        if (!ok) return -1;
        auto* spin = static_cast<QSpinBox*>(widget);
        const int value = std::clamp(ToInt(parsed), spin->minimum(), spin->maximum());
        if (spin->isReadOnly() && !control.changedByUser && value == spin->value()) return 0;
        spin->setValue(value);
        control.changedByUser = false;
        return 0;
    }
    case ControlKind::Selector: {
        auto* combo = static_cast<QComboBox*>(widget);
        const int index = ToInt(parsed);
        if (!ok || index < 0 || index >= combo->count()) return -1;
        combo->setCurrentIndex(index);
        return 0;
    }
    case ControlKind::Switch:
        if (!ok) return -1;
        static_cast<QCheckBox*>(widget)->setChecked(parsed != 0.0);
        return 0;
    case ControlKind::Led: {
        if (!ok) return -1;
        // The revolution lamp is set on every frame; it is repainted only when it changes.
        const double lit = parsed != 0.0 ? 1.0 : 0.0;
        if (lit == control.value && control.styled) return 0;
        control.value = lit;
        control.styled = true;
        ApplyColors(control);
        return 0;
    }
    case ControlKind::TextMessage:
        static_cast<QLabel*>(widget)->setText(isText ? text : QString::number(number));
        return 0;
    case ControlKind::TextBox:
        static_cast<QPlainTextEdit*>(widget)->setPlainText(isText ? text : QString::number(number));
        return 0;
    default:
        return -1;
    }
}

int QtEngine::SetCtrlValInt(int panel, int control, int value) {
    Control* found = FindControl(panel, control);
    return found == nullptr ? -1 : SetValue(*found, value, {}, false);
}

int QtEngine::SetCtrlValDouble(int panel, int control, double value) {
    Control* found = FindControl(panel, control);
    return found == nullptr ? -1 : SetValue(*found, value, {}, false);
}

int QtEngine::SetCtrlValText(int panel, int control, const char* value) {
    Control* found = FindControl(panel, control);
    return found == nullptr ? -1 : SetValue(*found, 0.0, FromC(value), true);
}

int QtEngine::GetCtrlValDouble(int panel, int control, double* value) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || value == nullptr) return -1;
    QWidget* widget = found->widget;
    switch (found->kind) {
    case ControlKind::Numeric:
    case ControlKind::Led:
        *value = found->value;
        return 0;
    case ControlKind::NumericInt:
        *value = static_cast<QSpinBox*>(widget)->value();
        return 0;
    case ControlKind::Selector:
        *value = static_cast<QComboBox*>(widget)->currentIndex();
        return 0;
    case ControlKind::Switch:
        *value = static_cast<QCheckBox*>(widget)->isChecked();
        return 0;
    case ControlKind::TextMessage:
        *value = static_cast<QLabel*>(widget)->text().trimmed().toDouble();
        return 0;
    case ControlKind::TextBox:
        *value = static_cast<QPlainTextEdit*>(widget)->toPlainText().trimmed().toDouble();
        return 0;
    default:
        return -1;
    }
}

int QtEngine::GetCtrlValText(int panel, int control, char* value, std::size_t size) {
    Control* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    QWidget* widget = found->widget;
    switch (found->kind) {
    case ControlKind::TextMessage:
        return CopyOut(static_cast<QLabel*>(widget)->text(), value, size);
    case ControlKind::TextBox:
        return CopyOut(static_cast<QPlainTextEdit*>(widget)->toPlainText(), value, size);
    case ControlKind::Selector:
        return CopyOut(static_cast<QComboBox*>(widget)->currentText(), value, size);
    default: {
        double number = 0.0;
        if (GetCtrlValDouble(panel, control, &number) < 0) return -1;
        return CopyOut(QString::number(number, 'g', 9), value, size);
    }
    }
}

int QtEngine::ResetTextBox(int panel, int control, const char* text) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || found->kind != ControlKind::TextBox) return -1;
    static_cast<QPlainTextEdit*>(found->widget)->setPlainText(FromC(text));
    return 0;
}

int QtEngine::InsertTextBoxLine(int panel, int control, int index, const char* text) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || found->kind != ControlKind::TextBox) return -1;
    auto* box = static_cast<QPlainTextEdit*>(found->widget);
    QString line = FromC(text);
    // A line is a line: the line end some messages carry would add an empty one.
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
    QTextDocument* document = box->document();
    const bool empty = document->isEmpty();
    if (index < 0 || index >= document->blockCount() || empty) {
        if (empty)
            box->setPlainText(line);
        else
            box->appendPlainText(line);
        return 0;
    }
    QTextCursor cursor(document->findBlockByNumber(index));
    cursor.insertText(line + QLatin1Char('\n'));
    return 0;
}

void QtEngine::ApplyColors(Control& control) {
    QWidget* widget = control.widget;
    const QString base = widget->property("zanBaseStyle").toString();
    const auto color = [&control](int attribute) {
        const auto found = control.intAttributes.find(attribute);
        return found == control.intAttributes.end() ? -1 : found->second;
    };
    if (control.kind == ControlKind::Led) {
        auto* lamp = static_cast<QAbstractButton*>(widget);
        if (!widget->property(litProperty).isValid()) SetUpLamp(lamp);
        widget->setProperty(litProperty, control.value != 0.0);
        lamp->setChecked(control.value != 0.0);
        widget->update();
        return;
    }
    if (control.kind == ControlKind::Command) {
        const int button = color(ATTR_CMD_BUTTON_COLOR);
        if (button < 0) return;
        widget->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: black; "
                                             "border: 1px solid #707070; border-radius: 3px; } "
                                             "QPushButton:disabled { color: #808080; }")
                                  .arg(ColorName(button)));
        return;
    }
    const int background = color(ATTR_TEXT_BGCOLOR);
    if (background < 0) return;
    widget->setStyleSheet(
        base + QStringLiteral(" background-color: %1; color: black;").arg(ColorName(background)));
}

int QtEngine::ApplyAttribute(Control& control, int attribute, int number, double real,
                             const QString& text) {
    QWidget* widget = control.widget;
    switch (attribute) {
    case ATTR_DIMMED:
        widget->setEnabled(number == 0);
        for (QLabel* caption : Captions(widget)) caption->setEnabled(number == 0);
        break;
    case ATTR_VISIBLE:
        widget->setVisible(number != 0);
        for (QLabel* caption : Captions(widget)) caption->setVisible(number != 0);
        break;
    case ATTR_ZPLANE_POSITION:
        // 0 is the front: a cover put there hides the fields beneath it and their captions.
        if (number == 0)
            widget->raise();
        else
            widget->lower();
        break;
    case ATTR_LABEL_TEXT:
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        } else {
            const QList<QLabel*> captions = Captions(widget);
            if (captions.isEmpty()) return -1;
            for (QLabel* caption : captions) caption->setText(text);
        }
        // A screen reader reads the label shown now, not the one the panel was loaded with.
        widget->setAccessibleName(text);
        break;
    case ATTR_IMAGE_FILE: {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button == nullptr) return -1;
        // A missing image leaves the button with its label only.
        const QPixmap image = ImageFile(text);
        button->setIcon(image.isNull() ? QIcon() : QIcon(image));
        break;
    }
    case ATTR_TEXT_BGCOLOR:
    case ATTR_CMD_BUTTON_COLOR: {
        // The display sets the same colours twice a second: restyling a widget for nothing is
        // the costliest thing a tick could do.
        const auto set = control.intAttributes.find(attribute);
        if (set != control.intAttributes.end() && set->second == (number & 0xffffff)) return 0;
        control.intAttributes[attribute] = number & 0xffffff;
        ApplyColors(control);
        return 0;
    }
    case ATTR_XNAME:
    case ATTR_YNAME:
        if (!control.graph) return -1;
        NameGraphAxis(*control.graph, attribute == ATTR_XNAME, text);
        break;
    case ATTR_XAXIS_GAIN:
        if (!control.graph) return -1;
        control.graph->xGain = real;
        control.doubleAttributes[attribute] = real;
        return 0;
    default:
        return -1;
    }
    control.intAttributes[attribute] = number;
    return 0;
}

int QtEngine::SetCtrlAttributeInt(int panel, int control, int attribute, int value) {
    Control* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    return ApplyAttribute(*found, attribute, value, value, QString::number(value));
}

int QtEngine::SetCtrlAttributeDouble(int panel, int control, int attribute, double value) {
    Control* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    return ApplyAttribute(*found, attribute, ToInt(value), value, QString::number(value));
}

int QtEngine::SetCtrlAttributeText(int panel, int control, int attribute, const char* value) {
    Control* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    return ApplyAttribute(*found, attribute, 0, 0.0, FromC(value));
}

int QtEngine::GetCtrlAttributeInt(int panel, int control, int attribute, int* value) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || value == nullptr) return -1;
    switch (attribute) {
    case ATTR_DIMMED:
        *value = found->widget->isEnabled() ? 0 : 1;
        return 0;
    case ATTR_VISIBLE:
        *value = found->widget->isHidden() ? 0 : 1;
        return 0;
    case ATTR_XAXIS_GAIN:
        if (!found->graph) return -1;
        *value = ToInt(found->graph->xGain);
        return 0;
    default: {
        const auto set = found->intAttributes.find(attribute);
        if (set == found->intAttributes.end()) return -1;
        *value = set->second;
        return 0;
    }
    }
}

int QtEngine::SetPanelAttributeInt(int panel, int attribute, int value) {
    Panel* found = FindPanel(panel);
    if (found == nullptr) return -1;
    QWidget* window = found->window.data();
    switch (attribute) {
    case ATTR_WINDOW_ZOOM:
        // A hidden panel keeps the zoom for when it is displayed.
        if (value == VAL_MAXIMIZE) {
            if (window->isVisible())
                window->showMaximized();
            else
                window->setWindowState(window->windowState() | Qt::WindowMaximized);
        } else if (window->isVisible()) {
            window->showNormal();
        } else {
            window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
        }
        return 0;
    case ATTR_TITLE:
        window->setWindowTitle(QString::number(value));
        return 0;
    default:
        return -1;
    }
}

int QtEngine::SetPanelAttributeText(int panel, int attribute, const char* value) {
    Panel* found = FindPanel(panel);
    if (found == nullptr || attribute != ATTR_TITLE) return -1;
    found->window->setWindowTitle(FromC(value));
    return 0;
}

int QtEngine::GetPanelAttributeText(int panel, int attribute, char* value, std::size_t size) {
    Panel* found = FindPanel(panel);
    if (found == nullptr || attribute != ATTR_TITLE) return -1;
    return CopyOut(found->window->windowTitle(), value, size);
}

std::unique_ptr<QObject> QtEngine::MakeCommandKeys() {
    auto keys = std::make_unique<CommandKeys>();
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(keys.get());
    return keys;
}
