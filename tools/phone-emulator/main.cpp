// tovrel-phone-emulator: an emulated recording telephone on a local socket, for the demo mode
// and the tests of Tovrel Desk.

#include "EmulatorOptions.h"
#include "PhoneEmulator.h"
#include "PhoneMemory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace tovrel::emulator;

namespace {

int fail(const QString &text)
{
    QTextStream(stderr) << "tovrel-phone-emulator: " << text << '\n';
    return 2;
}

bool countOption(const QCommandLineParser &parser, const QCommandLineOption &option, int *out,
                 QString *error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < 0) {
        *error = QStringLiteral("--") + option.names().constFirst() +
                 QStringLiteral(" needs a number of 0 or more");
        return false;
    }
    *out = value;
    return true;
}

void quitOnSignal(int)
{
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrel-phone-emulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "An emulated recording telephone: serves recordings on a local socket in frames of a "
        "2-byte little-endian length and its bytes."));
    parser.addHelpOption();
    const QCommandLineOption socket(QStringLiteral("socket"),
                                    QStringLiteral("Listen on this local socket."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("The telephone's four-digit password."),
                                      QStringLiteral("DDDD"), QStringLiteral("9137"));
    const QCommandLineOption recordings(
        QStringLiteral("recordings"),
        QStringLiteral("Serve the .spx recording files of this folder (in name order)."),
        QStringLiteral("DIR"));
    const QCommandLineOption generate(QStringLiteral("generate"),
                                      QStringLiteral("Generate N recordings of speech."),
                                      QStringLiteral("N"));
    const QCommandLineOption payloadBytes(
        QStringLiteral("payload-bytes"),
        QStringLiteral("Give every generated recording this payload length (0 to 4294967295)."),
        QStringLiteral("L"));
    const QCommandLineOption form(QStringLiteral("form"),
                                  QStringLiteral("Directory records: short (19 bytes) or long "
                                                 "(32 bytes)."),
                                  QStringLiteral("short|long"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                   QStringLiteral("Wait N ms before each answer."),
                                   QStringLiteral("N"));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("Stop answering after K commands."),
                                       QStringLiteral("K"));
    const QCommandLineOption shortAfter(
        QStringLiteral("short-after"),
        QStringLiteral("Answer the first data command after K commands short."),
        QStringLiteral("K"));
    const QCommandLineOption unplugAfter(
        QStringLiteral("unplug-after"),
        QStringLiteral("After K commands, cut the next answer and close the connection and the "
                       "socket (as if unplugged)."),
        QStringLiteral("K"));
    const QCommandLineOption lateOnce(
        QStringLiteral("late-once"),
        QStringLiteral("--late-once K MS: answer command number K (counted from 1) MS ms late."),
        QStringLiteral("K MS"));
    const QCommandLineOption dropOnly(
        QStringLiteral("drop-only"),
        QStringLiteral("Leave command number K (counted from 1) unanswered."), QStringLiteral("K"));
    const QCommandLineOption failWrites(
        QStringLiteral("fail-writes"),
        QStringLiteral("Close every connection at once, so commands cannot be sent."));
    const QCommandLineOption hold(
        QStringLiteral("hold"),
        QStringLiteral("Hold every answer until a line with a number N on stdin lets N more go."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log each command on stderr."));
    parser.addOptions({socket, password, recordings, generate, payloadBytes, form, delay, dropAfter,
                       shortAfter, unplugAfter, lateOnce, dropOnly, failWrites, hold, verbose});
    // "--late-once K MS" takes two words; the parser sees them as one value "K MS".
    QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 0; i + 2 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--late-once")) {
            arguments[i + 1] += QLatin1Char(' ') + arguments[i + 2];
            arguments.removeAt(i + 2);
        }
    }
    parser.process(arguments);

    EmulatorOptions options;
    QString error;
    options.socket = parser.value(socket);
    if (options.socket.isEmpty())
        return fail(QStringLiteral("--socket PATH is required"));
    options.password = parser.value(password);
    if (!QRegularExpression(QStringLiteral("^[0-9]{4}$")).match(options.password).hasMatch())
        return fail(QStringLiteral("--password needs four digits"));
    options.recordingsDir = parser.value(recordings);
    if (!countOption(parser, generate, &options.generate, &error) ||
        !countOption(parser, delay, &options.delayMs, &error) ||
        !countOption(parser, dropAfter, &options.dropAfter, &error) ||
        !countOption(parser, shortAfter, &options.shortAfter, &error) ||
        !countOption(parser, unplugAfter, &options.unplugAfter, &error) ||
        !countOption(parser, dropOnly, &options.dropOnly, &error))
        return fail(error);
    if (parser.isSet(lateOnce)) {
        const QStringList words = parser.value(lateOnce).split(QLatin1Char(' '));
        bool okK = false;
        bool okMs = false;
        options.lateCommand = words.size() == 2 ? words[0].toInt(&okK) : -1;
        options.lateMs = words.size() == 2 ? words[1].toInt(&okMs) : -1;
        if (!okK || !okMs || options.lateCommand < 1 || options.lateMs < 0)
            return fail(QStringLiteral("--late-once needs a command number K of 1 or more and "
                                       "MS of 0 or more"));
    }
    if (options.recordingsDir.isEmpty() == (options.generate < 0))
        return fail(QStringLiteral("give either --recordings DIR or --generate N"));
    if (parser.isSet(payloadBytes)) {
        bool ok = false;
        const qint64 value = parser.value(payloadBytes).toLongLong(&ok);
        if (!ok || value < 0 || value > 0xFFFFFFFFLL)
            return fail(QStringLiteral("--payload-bytes needs 0 to 4294967295"));
        options.payloadBytes = value;
    }
    if (parser.isSet(form)) {
        const QString f = parser.value(form);
        if (f == QLatin1String("short"))
            options.form = RecordForm::Short;
        else if (f == QLatin1String("long"))
            options.form = RecordForm::Long;
        else
            return fail(QStringLiteral("--form is short or long"));
    }
    options.failWrites = parser.isSet(failWrites);
    options.verbose = parser.isSet(verbose);
    options.hold = parser.isSet(hold);

    auto memory = PhoneMemory::build(options, &error);
    if (!memory)
        return fail(error);
    PhoneEmulator emulator(options, std::move(*memory));
    if (!emulator.listen(&error))
        return fail(QStringLiteral("cannot listen on ") + options.socket + QStringLiteral(": ") +
                    error);
    // The test driving a held telephone writes one number a line: the answers it lets go.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(options.hold);
    QByteArray typed;
    QObject::connect(&input, &QSocketNotifier::activated, &emulator, [&] {
        char bytes[256];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        typed.append(bytes, n);
        for (qsizetype end = typed.indexOf('\n'); end >= 0; end = typed.indexOf('\n')) {
            emulator.release(typed.left(end).trimmed().toInt());
            typed.remove(0, end + 1);
        }
    });
    std::signal(SIGTERM, quitOnSignal);
    std::signal(SIGINT, quitOnSignal);
    if (options.verbose)
        QTextStream(stderr) << "listening on " << options.socket << '\n';
    return app.exec();
}
