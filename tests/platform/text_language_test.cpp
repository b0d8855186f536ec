// The language of the station's texts: the --lang option, else the rider's locale.
#include "platform/text_language.h"

#include <gtest/gtest.h>

namespace {
struct LanguageCase {
    const char* option;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* systemLocale;
    TextLanguage expected;
};
} // namespace

TEST(TextLanguageTest, ItalianAndTheCLocaleKeepTheWrittenTextsAndAnyOtherLanguageReadsEnglish) {
    constexpr TextLanguage source = TextLanguage::Source;
    constexpr TextLanguage english = TextLanguage::English;
    for (const LanguageCase& c : {
             // The option wins over every locale.
             LanguageCase{"en", "it_IT.UTF-8", nullptr, "C", "it_IT", english},
             LanguageCase{"it", "en_US.UTF-8", nullptr, "en_US.UTF-8", "en_US", source},
             // LC_ALL, then LC_MESSAGES, then LANG; an empty variable is no variable.
             LanguageCase{nullptr, "C", "en_GB.UTF-8", "en_GB.UTF-8", "en_GB", source},
             LanguageCase{nullptr, "", "de_DE.UTF-8", "it_IT.UTF-8", "it_IT", english},
             LanguageCase{nullptr, nullptr, "", "en_US.UTF-8", "C", english},
             LanguageCase{nullptr, nullptr, "it_CH", "en_US.UTF-8", "C", source},
             // What LANG reads as.
             LanguageCase{nullptr, nullptr, nullptr, "POSIX", "C", source},
             LanguageCase{nullptr, nullptr, nullptr, "C.UTF-8", "C", source},
             LanguageCase{nullptr, nullptr, nullptr, "it", "C", source},
             LanguageCase{nullptr, nullptr, nullptr, "it_IT@euro", "C", source},
             LanguageCase{nullptr, nullptr, nullptr, "fr_FR.UTF-8", "C", english},
             // No variable: the system's locale (Windows).
             LanguageCase{nullptr, nullptr, nullptr, nullptr, "it_IT", source},
             LanguageCase{nullptr, nullptr, nullptr, nullptr, "en_GB", english},
             LanguageCase{nullptr, nullptr, nullptr, nullptr, "C", source},
             LanguageCase{nullptr, nullptr, nullptr, nullptr, "", source},
         }) {
        TextLanguage language = c.expected == source ? english : source;
        EXPECT_TRUE(
            ChooseTextLanguage(c.option, c.lcAll, c.lcMessages, c.lang, c.systemLocale, language));
        EXPECT_EQ(language, c.expected)
            << (c.option ? c.option : "-") << " " << (c.lcAll ? c.lcAll : "-") << " "
            << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-") << " "
            << c.systemLocale;
    }
}

TEST(TextLanguageTest, AnOptionOtherThanItOrEnIsRefusedAndLeavesTheLanguage) {
    for (const char* option : {"", "de", "EN", "english", "it_IT"}) {
        TextLanguage language = TextLanguage::English;
        EXPECT_FALSE(ChooseTextLanguage(option, nullptr, nullptr, "it_IT.UTF-8", "it_IT", language))
            << option;
        EXPECT_EQ(language, TextLanguage::English) << option;
    }
}
