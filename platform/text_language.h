#pragma once
// Which language the station's own texts are shown in: the texts as written, or English.

enum class TextLanguage { Source, English };

// From the --lang option's value when given ("it" or "en"; false for anything else), else from
// the rider's locale: LC_ALL, LC_MESSAGES and LANG in the C library's order, and without any of
// them the system's locale name (Windows sets no variables). Italian, and the C and POSIX
// locales (a service, a test box), keep the texts as written; any other language reads English.
bool ChooseTextLanguage(const char* option, const char* lcAll, const char* lcMessages,
                        const char* lang, const char* systemLocale, TextLanguage& language);
