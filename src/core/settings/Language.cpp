#include "settings/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tovrel {

std::optional<Language> languageNamed(QStringView name)
{
    if (name == u"en")
        return Language::English;
    if (name == u"zh")
        return Language::Chinese;
    return std::nullopt;
}

Language languageOfEnvironment(const std::function<QByteArray(const char *)> &variable)
{
    QByteArray locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = variable(name);
        if (!locale.isEmpty())
            break;
    }
    // language[_territory][.codeset][@modifier]: only the language counts.
    qsizetype end = 0;
    while (end < locale.size() && locale.at(end) >= 'a' && locale.at(end) <= 'z')
        ++end;
    const bool whole = end == locale.size() || locale.at(end) == '_' || locale.at(end) == '.' ||
                       locale.at(end) == '@';
    if (whole && locale.first(end) == "en")
        return Language::English;
    return Language::Chinese;
}

std::optional<Language> chooseLanguage(QStringList &arguments,
                                       const std::function<QByteArray(const char *)> &variable,
                                       QString *error)
{
    const QString option = QStringLiteral("--lang");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            break;
        QString value;
        qsizetype taken = 1;
        if (a == option) {
            if (i + 1 >= arguments.size()) {
                *error = QCoreApplication::translate("Language", "--lang 缺少语言（en 或 zh）");
                return std::nullopt;
            }
            value = arguments.at(i + 1);
            taken = 2;
        } else if (a.startsWith(option + u'=')) {
            value = a.mid(option.size() + 1);
        } else {
            continue;
        }
        const auto named = languageNamed(value);
        if (!named) {
            *error =
                QCoreApplication::translate("Language", "未知的语言：%1（en 或 zh）").arg(value);
            return std::nullopt;
        }
        arguments.remove(i, taken);
        return named;
    }
    return languageOfEnvironment(variable);
}

QTranslator *installQtChinese(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

bool applyLanguage(QCoreApplication &app, Language language, QString *error)
{
    if (language == Language::Chinese) {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        return true;
    }
    auto *translator = new QTranslator(&app);
    const QString file = QStringLiteral(":/i18n/tovrel_en.qm");
    if (!translator->load(file)) {
        delete translator;
        *error = QStringLiteral("The English translation (%1) cannot be loaded").arg(file);
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return true;
}

} // namespace tovrel
