#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCoreApplication;

// The language the programs speak: Simplified Chinese (the program's own texts, the default) or
// English (the translation built into the programs). Both programs choose it the same way.
class QTranslator;

namespace tovrel {

enum class Language
{
    Chinese,
    English
};

// "en" or "zh" (as --lang takes them); nothing for any other name.
std::optional<Language> languageNamed(QStringView name);

// The language of the system locale, read as POSIX reads the locale of messages: LC_ALL, then
// LC_MESSAGES, then LANG, the first one set and not empty. English for an en locale ("en",
// "en_US.UTF-8"); Chinese for C, POSIX, zh locales and every locale without a translation.
Language languageOfEnvironment(const std::function<QByteArray(const char *)> &variable);

// The language chosen: --lang VALUE or --lang=VALUE among `arguments` when given (taken out of
// `arguments`), otherwise the system locale's. When --lang names no language or lacks its value,
// `error` holds the user's message and nothing is returned.
std::optional<Language> chooseLanguage(QStringList &arguments,
                                       const std::function<QByteArray(const char *)> &variable,
                                       QString *error);

// Makes `language` the program's: English installs the built-in translation into `app` and sets
// the default locale to English (dates, Qt's own buttons); Chinese keeps the program's own texts
// and sets the default locale to Simplified Chinese. False with the user's message in `error`
// when the translation cannot be loaded.
bool applyLanguage(QCoreApplication &app, Language language, QString *error);

// Installs Qt's own Chinese texts (qtbase_zh_CN.qm of the system's Qt: standard buttons, the
// option parser's refusals) into `app`: the translator, or null when the file is not installed
// (Qt's texts then stay English).
QTranslator *installQtChinese(QCoreApplication &app);

} // namespace tovrel
