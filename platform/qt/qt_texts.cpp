// The station's texts in the rider's language: Qt's translator with the catalogue compiled in
// from i18n/zan_en.ts, which the panels' labels (uic's retranslateUi) and the station's own
// texts (Translated) are both looked up in.
#include "platform/qt/qt_engine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include <cstring>

namespace {
QPointer<QTranslator> installedCatalogue;
} // namespace

bool UseTextLanguage(TextLanguage language) {
    if (installedCatalogue != nullptr) {
        QCoreApplication::removeTranslator(installedCatalogue);
        delete installedCatalogue;
    }
    if (language == TextLanguage::Source) return true;
    auto* catalogue = new QTranslator(QCoreApplication::instance());
    if (!catalogue->load(QStringLiteral(":/i18n/zan_en.qm"))) {
        delete catalogue;
        return false;
    }
    QCoreApplication::installTranslator(catalogue);
    installedCatalogue = catalogue;
    return true;
}

// In the engine's encoding of texts, the local 8-bit one, as every text the engine takes.
const char* QtEngine::Translated(const char* context, const char* source) {
    const QByteArray text = QCoreApplication::translate(context, source).toLocal8Bit();
    if (std::strcmp(text.constData(), source) == 0) return source;
    return translatedTexts.emplace(text.constData()).first->c_str();
}
