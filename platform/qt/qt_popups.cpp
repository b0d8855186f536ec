// Popups and printing of the Qt engine: real dialogs, modal over the station's windows.
#include "platform/qt/qt_engine.h"

#include <cstdio>

#include "platform/bounded_text.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {
QString FromC(const char* text) {
    return text == nullptr ? QString() : QString::fromLocal8Bit(text);
}

// A chosen path goes out whole or not at all: a cut path would name another file.
int CopyPath(const QString& path, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return 0;
    const QByteArray bytes = QDir::toNativeSeparators(path).toLocal8Bit();
    if (path.isEmpty() || static_cast<std::size_t>(bytes.size()) + 1 > size) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
    return 1;
}

QWidget* PopupParent() {
    return QApplication::activeWindow();
}
} // namespace

int QtEngine::ConfirmPopup(const char* title, const char* message) {
    QMessageBox box(QMessageBox::Question, FromC(title), FromC(message),
                    QMessageBox::Yes | QMessageBox::No, PopupParent());
    // Every question asked here undoes something (zeroes the offsets under loaded pedals,
    // overwrites the calibration's serial number): Enter alone must not do it.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int QtEngine::GenericMessagePopup(const char* title, const char* message, const char* button1,
                                  const char* button2, const char* button3, char* response,
                                  int maxResponseLength) {
    QDialog dialog(PopupParent());
    dialog.setWindowTitle(FromC(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(FromC(message));
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(text);
    QLineEdit* field = nullptr;
    if (response != nullptr && maxResponseLength > 0) {
        field = new QLineEdit();
        field->setMaxLength(maxResponseLength);
        layout->addWidget(field);
    }
    auto* row = new QHBoxLayout();
    row->addStretch();
    layout->addLayout(row);

    // Buttons keep their numbers from 1 even when an empty label leaves one out. Enter answers
    // with the first button, Escape or closing the window with the second.
    const char* labels[] = {button1, button2, button3};
    int pressed = 0;
    int first = 0;
    int second = 0;
    for (int number = 1; number <= 3; ++number) {
        const QString label = FromC(labels[number - 1]);
        if (label.isEmpty()) continue;
        auto* button = new QPushButton(label);
        button->setAutoDefault(false);
        if (first == 0) {
            first = number;
            button->setDefault(true);
        } else if (second == 0) {
            second = number;
        }
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &pressed, number] {
            pressed = number;
            dialog.accept();
        });
        row->addWidget(button);
    }
    if (first == 0) {
        auto* button = new QPushButton(QStringLiteral("OK"));
        QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
        row->addWidget(button);
        first = 1;
    }
    if (field != nullptr) field->setFocus();
    genericPopup = &dialog;
    popupDismissed = false;
    dialog.exec();
    genericPopup = nullptr;
    if (popupDismissed)
        pressed = 0;
    else if (pressed == 0)
        pressed = second != 0 ? second : first;

    if (field != nullptr) {
        const QByteArray typed = field->text().toLocal8Bit().left(maxResponseLength);
        std::memcpy(response, typed.constData(), static_cast<std::size_t>(typed.size()));
        response[typed.size()] = '\0';
    }
    return pressed;
}

// One dialog picks a setup file to load or names one to save: an existing file or a new name.
int QtEngine::FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                              const char* title, char* pathOut, std::size_t size) {
    QFileDialog dialog(PopupParent(), FromC(title), FromC(defaultDirectory));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString spec = FromC(defaultFileSpec);
    if (!spec.isEmpty())
        dialog.setNameFilters({QStringLiteral("%1 (%1)").arg(spec), QStringLiteral("* (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return CopyPath({}, pathOut, size);
    return CopyPath(dialog.selectedFiles().constFirst(), pathOut, size);
}

int QtEngine::DirSelectPopup(const char* defaultDirectory, const char* title, char* pathOut,
                             std::size_t size) {
    const QString folder =
        QFileDialog::getExistingDirectory(PopupParent(), FromC(title), FromC(defaultDirectory));
    return CopyPath(folder, pathOut, size);
}

int QtEngine::MessagePopup(const char* title, const char* message) {
    if (popupsToStandardError) {
        std::fprintf(stderr, "%s: %s\n", title, message);
        return 0;
    }
    QMessageBox::information(PopupParent(), FromC(title), FromC(message));
    return 0;
}

int QtEngine::OpenReviewWindow(const char* path, char* reason, std::size_t size) {
    if (reviewOpener != nullptr) {
        reviewOpener(path);
        return 0;
    }
    FormatText(reason, size, "%s: this engine has no review window", path);
    return -1;
}

int QtEngine::PrintPanel(int panel, const char* printerName, const char* pdfPath) {
    QWidget* window = PanelWindow(panel);
    if (window == nullptr) return -1;
    const QString printer = FromC(printerName);
    std::unique_ptr<QPrinter> device;
    int printed = 1;
    if (!printer.isEmpty() && QPrinterInfo::availablePrinterNames().contains(printer)) {
        device = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(printer),
                                            QPrinter::HighResolution);
    } else {
        // Without that printer the panel still goes on paper, as a PDF file.
        if (pdfPath == nullptr || pdfPath[0] == '\0') return -2;
        device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(FromC(pdfPath));
        printed = 2;
    }
    device->setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(device.get())) return -3;
    const QRect page = device->pageLayout().paintRectPixels(device->resolution());
    const double scale = std::min(static_cast<double>(page.width()) / window->width(),
                                  static_cast<double>(page.height()) / window->height());
    painter.scale(scale, scale);
    window->render(&painter);
    return painter.end() ? printed : -4;
}

int QtEngine::DismissPopup() {
    if (genericPopup.isNull()) return -1;
    popupDismissed = true;
    genericPopup->reject();
    return 0;
}

int QtEngine::PostDeferredCall(void (*call)(void* data), void* data) {
    QTimer::singleShot(0, QCoreApplication::instance(), [call, data] { call(data); });
    return 0;
}

int QtEngine::PostDelayedCall(void (*call)(void* data), void* data, double seconds) {
    const int milliseconds = seconds > 0.0 ? static_cast<int>(std::lround(seconds * 1000.0)) : 0;
    QTimer::singleShot(milliseconds, QCoreApplication::instance(), [call, data] { call(data); });
    return 0;
}
