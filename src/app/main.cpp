// Tovrel Desk: the desktop manager for the Tovrel call-recording telephone.

#include "AppContext.h"
#include "DeskApplication.h"
#include "DeskWindows.h"
#include "MessageSink.h"
#include "StandardError.h"

#include "io/AtomicFile.h"
#include "settings/Language.h"

#include <QCommandLineParser>

#include <cstdio>
#include <exception>

namespace {

int run(const QStringList &arguments, tovrel::QtMessageSink &messages)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tovrel Desk"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption emulator(
        QStringLiteral("emulator"),
        QCoreApplication::translate("tovrel-desk", "使用在此本地套接字上监听的模拟电话机。"),
        QStringLiteral("SOCKET"));
    parser.addOption(emulator);
    // Taken out of the arguments before (see main); listed here for --help.
    parser.addOption(
        QCommandLineOption(QStringLiteral("lang"),
                           QCoreApplication::translate(
                               "tovrel-desk", "窗口的语言：en 或 zh（默认：系统区域设置的语言）。"),
                           QStringLiteral("LANGUAGE")));
    parser.process(arguments);

    tovrel::AppContext context;
    context.messages = &messages;
    context.pickFolder = &tovrel::pickFolderWithDialog;
    context.emulatorSocket = parser.value(emulator);

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
    try {
        return run(arguments, messages);
    } catch (const std::exception &e) {
        tovrel::showStandardError(messages, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tovrel::showStandardError(messages, QString());
    }
    return 0;
}
