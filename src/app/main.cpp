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
#include <memory>

namespace {

// The program's options, as --help lists them.
void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Tovrel Desk"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        QStringLiteral("emulator"),
        QCoreApplication::translate("tovrel-desk", "使用在此本地套接字上监听的模拟电话机。"),
        QStringLiteral("SOCKET")));
    // Taken out of the arguments before (see main); listed here for --help.
    parser.addOption(
        QCommandLineOption(QStringLiteral("lang"),
                           QCoreApplication::translate(
                               "tovrel-desk", "窗口的语言：en 或 zh（默认：系统区域设置的语言）。"),
                           QStringLiteral("LANGUAGE")));
    // Taken out of the arguments before too (see main).
    parser.addOption(
        QCommandLineOption(QStringLiteral("config"),
                           QCoreApplication::translate(
                               "tovrel-desk", "设置文件（默认：~/.config/tovrel/SysConf.ini）。"),
                           QStringLiteral("FILE")));
}

// True when the command line asks for --help or --version (and holds nothing the parser
// refuses): what answers them needs no windows, and so no display.
bool asksForHelpOrVersion(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    addOptions(parser);
    return parser.parse(arguments) &&
           (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
            parser.isSet(QStringLiteral("version")));
}

// Answers --help and --version (and ends the program there), or runs the windows.
int run(const QStringList &arguments, tovrel::QtMessageSink &messages, const QString &notice)
{
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(arguments);

    tovrel::AppContext context;
    context.messages = &messages;
    context.pickFolder = &tovrel::pickFolderWithDialog;
    context.emulatorSocket = parser.value(QStringLiteral("emulator"));
    context.startNotice = notice;

    return tovrel::runWindows(context);
}

} // namespace

int main(int argc, char *argv[])
{
    tovrel::failWritesPastFileSizeLimit();
    tovrel::QtMessageSink messages;
    // --help and --version are answered by a plain application, made instead of the windows' one
    // (which needs a display); the texts and languages are the same.
    std::unique_ptr<QCoreApplication> app;
    tovrel::DeskApplication *desk = nullptr;
    if (asksForHelpOrVersion(argc, argv)) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tovrel-desk"));
    } else {
        app = std::make_unique<tovrel::DeskApplication>(argc, argv);
        desk = static_cast<tovrel::DeskApplication *>(app.get());
        desk->setErrorSink(&messages);
    }
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));
    QStringList arguments = QCoreApplication::arguments();
    QString error;
    const auto language = tovrel::chooseLanguage(arguments, qgetenv, &error);
    if (!language || !tovrel::applyLanguage(*app, *language, &error)) {
        std::fprintf(stderr, "tovrel-desk: %s\n", qUtf8Printable(error));
        return 1;
    }
    if (*language == tovrel::Language::Chinese) {
        if (desk)
            desk->loadQtTranslations();
        else
            tovrel::installQtChinese(*app);
    }
    bool configGiven = false;
    if (!tovrel::sysconf::chooseSettingsFile(arguments, &configGiven, &error)) {
        std::fprintf(stderr, "tovrel-desk: %s\n", qUtf8Printable(error));
        return 1;
    }
    // Settings taken over from the working folder are said on stderr and in the window (not
    // when only the help or the version is asked for).
    QString notice;
    if (!configGiven && desk)
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
