#include "CliText.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tovrel::cli {
namespace {

// The context of every command-line text in the translation.
constexpr char kContext[] = "tovrel::cli";

} // namespace

QString cliTr(const char *english)
{
    return QCoreApplication::translate(kContext, english);
}

bool applyCliLanguage(QCoreApplication &app, Language language, QString *error)
{
    if (language != Language::Chinese)
        return true;
    auto *translator = new QTranslator(&app);
    const QString file = QStringLiteral(":/i18n/tovrel_cli_zh.qm");
    if (!translator->load(file)) {
        delete translator;
        *error = QStringLiteral("无法载入命令行的中文翻译（%1）").arg(file);
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // Qt's option parser (tovrel device) refuses in Qt's own words: Chinese too where the
    // system has them, English otherwise.
    installQtChinese(app);
    return true;
}

} // namespace tovrel::cli
