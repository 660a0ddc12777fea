// Tovrel Desk: the desktop manager for the Tovrel call-recording telephone.

#include "AppContext.h"
#include "DeskApplication.h"
#include "DeskWindows.h"
#include "MessageSink.h"
#include "StandardError.h"

#include "io/AtomicFile.h"
#include "settings/Language.h"
#include "settings/SysConf.h"

#include <QCommandLineParser>

#include <cstdio>
#include <exception>

namespace {

int run(const QStringList &arguments, tovrel::QtMessageSink &messages, const QString &notice)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tovrel Desk"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption emulator(
        QStringLiteral("emulator"),
        QStringLiteral("Use the emulated telephone listening on this local socket."),
        QStringLiteral("SOCKET"));
    parser.addOption(emulator);
    // Taken out of the arguments before (see main); listed here for --help.
    parser.addOption(QCommandLineOption(
        QStringLiteral("lang"),
        QStringLiteral("The language of the windows: en or zh (default: the system locale's)."),
        QStringLiteral("LANGUAGE")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("config"),
        QStringLiteral("The settings file (default: ~/.config/tovrel/SysConf.ini)."),
        QStringLiteral("FILE")));
    parser.process(arguments);

    tovrel::AppContext context;
    context.messages = &messages;
    context.pickFolder = &tovrel::pickFolderWithDialog;
    context.emulatorSocket = parser.value(emulator);
    context.startNotice = notice;

    return tovrel::runWindows(context);
}

} // namespace

int main(int argc, char *argv[])
{
    tovrel::failWritesPastFileSizeLimit();
    tovrel::QtMessageSink messages;
    tovrel::DeskApplication app(argc, argv);
    app.setErrorSink(&messages);
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));
    QStringList arguments = QCoreApplication::arguments();
    QString error;
    const auto language = tovrel::chooseLanguage(arguments, qgetenv, &error);
    if (!language || !tovrel::applyLanguage(app, *language, &error)) {
        std::fprintf(stderr, "tovrel-desk: %s\n", qUtf8Printable(error));
        return 1;
    }
    if (*language == tovrel::Language::Chinese)
        app.loadQtTranslations();
    bool configGiven = false;
    if (!tovrel::sysconf::chooseSettingsFile(arguments, &configGiven, &error)) {
        std::fprintf(stderr, "tovrel-desk: %s\n", qUtf8Printable(error));
        return 1;
    }
    // Settings taken over from the working folder are said on stderr and in the window.
    QString notice;
    if (!configGiven)
        notice = tovrel::sysconf::takeOverEarlierSettings().value_or(QString());
    if (!notice.isEmpty())
        std::fprintf(stderr, "tovrel-desk: %s\n", qUtf8Printable(notice));
    try {
        return run(arguments, messages, notice);
    } catch (const std::exception &e) {
        tovrel::showStandardError(messages, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tovrel::showStandardError(messages, QString());
    }
    return 0;
}
