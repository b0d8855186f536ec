#include "platform/text_language.h"

#include <cstring>
#include <string_view>

namespace {
bool Given(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// "it", "it_IT.UTF-8", "it-CH" and "it_IT@euro" are Italian; "C", "C.UTF-8" and "POSIX" are the
// programs' own locale, whose texts are the ones written.
TextLanguage LanguageOfLocale(const char* locale) {
    if (!Given(locale)) return TextLanguage::Source;
    const std::string_view name(locale, std::strcspn(locale, "_-.@"));
    if (name.empty() || name == "it" || name == "C" || name == "POSIX") return TextLanguage::Source;
    return TextLanguage::English;
}
} // namespace

bool ChooseTextLanguage(const char* option, const char* lcAll, const char* lcMessages,
                        const char* lang, const char* systemLocale, TextLanguage& language) {
    if (option != nullptr) {
        if (std::strcmp(option, "it") == 0) {
            language = TextLanguage::Source;
        } else if (std::strcmp(option, "en") == 0) {
            language = TextLanguage::English;
        } else {
            return false;
        }
        return true;
    }
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (Given(locale)) {
            language = LanguageOfLocale(locale);
            return true;
        }
    }
    language = LanguageOfLocale(systemLocale);
    return true;
}
