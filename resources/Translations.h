// The language of the texts a user reads. English is the source language: with no catalogue for the
// locale's language, every text stays exactly as written. The language comes from the environment the
// way gettext reads it (see chooseLanguage), once, on first use.
#pragma once

#include <functional>
#include <string>

namespace resources {

// The translation of `source` in `context` as UTF-8, or `source` itself. lupdate finds the calls by this
// name: the context and the source text must be string literals at the call.
std::string translate(const char* context, const char* source);

// The catalogue language for the environment, "" for English. LC_ALL, LC_MESSAGES and LANG, the first one
// set, name the locale; in the "C" or "POSIX" locale the texts are English. Otherwise LANGUAGE (a list
// separated by colons) is tried first, then the locale's name: "de_AT.UTF-8" finds "de", "zh_CN.UTF-8"
// and "zh" find "zh_CN".
std::string chooseLanguage(const std::function<const char*(const char*)>& environment);

// The language in use: the environment's unless useLanguage() chose another.
std::string currentLanguage();

// Switches to `language` ("" for English), for the tests that show the windows in other languages.
void useLanguage(const std::string& language);

// Installs the catalogue into the running application, so that the windows' tr() use it too, with Qt's
// own texts (message box buttons, file dialogs) in the same language where Qt's translations are installed.
void installTranslations();

}  // namespace resources
