// Tovrel Desk: the desktop manager for the Tovrel call-recording telephone.

#include "AppContext.h"
#include "DeskApplication.h"
#include "DeskWindows.h"
#include "MessageSink.h"
#include "StandardError.h"

#include "io/AtomicFile.h"

#include <QCommandLineParser>

#include <exception>

namespace {

int run(tovrel::DeskApplication &app, tovrel::QtMessageSink &messages)
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
    parser.process(app);

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
    app.loadQtTranslations();
    try {
        return run(app, messages);
    } catch (const std::exception &e) {
        tovrel::showStandardError(messages, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tovrel::showStandardError(messages, QString());
    }
    return 0;
}
