// The station's texts in English: the catalogue compiled into the program, looked up by the
// panels as they are built and by the station's own popups and message lines.
#include "app/callbacks.h"
#include "platform/bounded_text.h"
#include "platform/text_language.h"
#include "tests/gui/qt_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
#include <QXmlStreamReader>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {
struct TextEntry {
    std::string context;
    std::string source;
    std::string translation;
    bool finished = true;
};

// The entries of i18n/zan_en.ts, the file the build compiles.
std::vector<TextEntry> ReadCatalogue() {
    std::vector<TextEntry> entries;
    QFile file(QStringLiteral(ZAN_TEXT_CATALOGUE));
    if (!file.open(QIODevice::ReadOnly)) return entries;
    QXmlStreamReader xml(&file);
    std::string context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        const QStringView name = xml.name();
        if (name == u"name") {
            context = xml.readElementText().toStdString();
        } else if (name == u"message") {
            entries.emplace_back().context = context;
        } else if (name == u"source" && !entries.empty()) {
            entries.back().source = xml.readElementText().toStdString();
        } else if (name == u"translation" && !entries.empty()) {
            entries.back().finished = xml.attributes().value(QStringLiteral("type")).isEmpty();
            entries.back().translation = xml.readElementText().toStdString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return entries;
}

// The printf conversions of a format in their order: a translated format must take the same
// arguments as the one written, or the numbers land in the wrong place or worse.
std::vector<std::string> Conversions(const std::string& format) {
    static const QRegularExpression conversion(
        QStringLiteral("%[-+ #0]*[0-9*]*(\\.[0-9*]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcsp%]"));
    std::vector<std::string> found;
    for (const QRegularExpressionMatch& match :
         conversion.globalMatch(QString::fromStdString(format)))
        found.push_back(match.captured().toStdString());
    return found;
}

// Acts on the popup once it is up, from inside its own event loop.
void WhenPopupShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* popup = QApplication::activeModalWidget();
        ASSERT_NE(popup, nullptr);
        act(popup);
    });
}

// The title and the texts of the popup the serial number's switch opens, skipped.
std::string SerialPopupSeen(int mainPanel) {
    std::string seen;
    WhenPopupShows([&seen](QWidget* popup) {
        seen = popup->windowTitle().toStdString();
        for (QLabel* label : popup->findChildren<QLabel*>())
            seen += " | " + label->text().toStdString();
        static_cast<QDialog*>(popup)->reject();
    });
    SERIAL(mainPanel, MAIN_SERIAL, EVENT_COMMIT, nullptr, 0, 0);
    return seen;
}

// A catalogue for every text of the panel resource, as a translator who took the machine
// names for words would write it.
class EveryPanelTextTranslated : public QTranslator {
  public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (std::strcmp(context, "zan_01") != 0) return {};
        return QStringLiteral("EN ") + QString::fromUtf8(source);
    }
    bool isEmpty() const override { return false; }
};
} // namespace

class EnglishTextsTest : public QtEngineTest {
  protected:
    void TearDown() override {
        UseTextLanguage(TextLanguage::Source);
        QtEngineTest::TearDown();
    }
};

TEST_F(EnglishTextsTest, EveryItalianTextOfTheCatalogueHasItsEnglishWithTheSameConversions) {
    const std::vector<TextEntry> entries = ReadCatalogue();
    ASSERT_GE(entries.size(), 8u);
    ASSERT_TRUE(UseTextLanguage(TextLanguage::English));
    for (const TextEntry& entry : entries) {
        SCOPED_TRACE(entry.context + ": " + entry.source);
        EXPECT_TRUE(entry.finished);
        EXPECT_FALSE(entry.translation.empty());
        EXPECT_NE(entry.translation, entry.source);
        EXPECT_EQ(Conversions(entry.translation), Conversions(entry.source));
        // The compiled catalogue is the file's.
        EXPECT_EQ(Translated(entry.context.c_str(), entry.source.c_str()), entry.translation);
    }
    // The texts as written: the very text the code wrote, untouched.
    ASSERT_TRUE(UseTextLanguage(TextLanguage::Source));
    for (const TextEntry& entry : entries)
        EXPECT_EQ(Translated(entry.context.c_str(), entry.source.c_str()), entry.source.c_str());
}

TEST_F(EnglishTextsTest, ARidersPopupAndAComposedLineReadEnglishAndStayAsWrittenInTheCLocale) {
    zan.setup.mainPanel = mainPanel;
    TextLanguage language = TextLanguage::Source;
    ASSERT_TRUE(ChooseTextLanguage(nullptr, nullptr, nullptr, "en_US.UTF-8", "C", language));
    ASSERT_TRUE(UseTextLanguage(language));
    EXPECT_EQ(SerialPopupSeen(mainPanel), "Crank serial number ... | Enter Serial Number XXX");
    char line[64];
    FormatText(line, sizeof line, Translated("DeviceSearch", "Found SN%03d su COM%d"), 123, 5);
    EXPECT_STREQ(line, "Found SN123 on COM5");

    ASSERT_TRUE(ChooseTextLanguage(nullptr, nullptr, nullptr, "C", "C", language));
    ASSERT_TRUE(UseTextLanguage(language));
    EXPECT_EQ(SerialPopupSeen(mainPanel),
              "Serializzazione pedivella ... | Inserire Serial Number XXX");
    FormatText(line, sizeof line, Translated("DeviceSearch", "Found SN%03d su COM%d"), 123, 5);
    EXPECT_STREQ(line, "Found SN123 su COM5");
}

TEST_F(EnglishTextsTest, APanelTakesItsLabelsFromTheCatalogueButNeverItsControlsNamesOrCallbacks) {
    EveryPanelTextTranslated catalogue;
    QCoreApplication::installTranslator(&catalogue);
    const int translated = LoadPanel(0, resourcePath, MAIN);
    QCoreApplication::removeTranslator(&catalogue);
    ASSERT_GT(translated, 0);

    auto* button =
        qobject_cast<QPushButton*>(engine->ControlWidget(translated, MAIN_SESSION_CMD_1));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "EN Save turn file");
    QWidget* power = engine->ControlWidget(translated, MAIN_POWER_TOTAL);
    ASSERT_NE(power, nullptr);
    ASSERT_NE(CaptionOf(power), nullptr);
    EXPECT_EQ(CaptionOf(power)->text(), "EN Power (W)");
    // The button still calls its callback, by the name the resource gives it.
    SetCtrlAttribute(translated, MAIN_SESSION_CMD_1, ATTR_DIMMED, 0);
    button->click();
    EXPECT_EQ(CallsOf("SAVET"), 1);
    DiscardPanel(translated);
}
