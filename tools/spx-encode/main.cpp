// tovrel-spx-encode: turns WAV speech into a recording file as the telephone stores it.

#include "SpeechEncoder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <optional>

using namespace tovrel;
using emulator::RecordFields;

namespace {

// Kinds of recording as the record stores them.
constexpr int kIncoming = 0;
constexpr int kOutgoing = 1;
constexpr int kLocal = 2;

// The long-form record stores the year as an offset from 2000; the desktop program reads
// offsets above 200 as 2000, so a year outside 2000..2200 is written as 2000.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2200;

std::optional<int> parseAttribute(const QString &text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("in") || t == QLatin1String("incoming"))
        return kIncoming;
    if (t == QLatin1String("out") || t == QLatin1String("outgoing"))
        return kOutgoing;
    if (t == QLatin1String("local"))
        return kLocal;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok && v >= 0 && v <= 3)
        return v;
    return std::nullopt;
}

// A telephone number holds the digits 0 to 9, 'X' and '#' only. Anything else would not be
// stored in the record, and would end up in the file name (a '/' there would even leave the
// output folder), so it is refused.
bool isTelephoneNumber(const QString &number)
{
    return std::all_of(number.cbegin(), number.cend(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('X') ||
               c == QLatin1Char('#');
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Encodes a WAV file (16-bit PCM; other rates and stereo are converted to 8 kHz mono)\n"
        "into a recording file: the telephone's record as header, then Speex narrowband\n"
        "speech at 1000 bytes per second. OUTPUT is a file, or a folder in which the file is\n"
        "named MMDDhhmm_NNNN_<number>.spx like an upload names it."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("WAV file"));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("file or folder"));
    const QCommandLineOption attribute(QStringLiteral("attribute"),
                                       QStringLiteral("in, out or local (or 0..3); default local"),
                                       QStringLiteral("KIND"), QStringLiteral("local"));
    const QCommandLineOption when(QStringLiteral("when"),
                                  QStringLiteral("date and time, YYYY-MM-DD hh:mm (default now)"),
                                  QStringLiteral("DATETIME"));
    const QCommandLineOption number(QStringLiteral("number"),
                                    QStringLiteral("telephone number (digits, X, #)"),
                                    QStringLiteral("NUMBER"));
    const QCommandLineOption form(QStringLiteral("form"),
                                  QStringLiteral("short (19-byte header) or long (32 bytes)"),
                                  QStringLiteral("FORM"), QStringLiteral("short"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("start address in the telephone's memory"),
                                   QStringLiteral("ADDRESS"), QStringLiteral("0"));
    const QCommandLineOption position(QStringLiteral("position"),
                                      QStringLiteral("place in the telephone's list, for the name"),
                                      QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({attribute, when, number, form, start, position});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        err << "tovrel-spx-encode: give INPUT and OUTPUT (see --help)\n";
        return 1;
    }
    RecordFields header;
    const auto kind = parseAttribute(parser.value(attribute));
    if (!kind) {
        err << "tovrel-spx-encode: unknown attribute " << parser.value(attribute) << '\n';
        return 1;
    }
    header.attribute = *kind;
    QDateTime dt = QDateTime::currentDateTime();
    if (parser.isSet(when)) {
        dt = QDateTime::fromString(parser.value(when), QStringLiteral("yyyy-MM-dd hh:mm"));
        if (!dt.isValid()) {
            err << "tovrel-spx-encode: --when wants YYYY-MM-DD hh:mm\n";
            return 1;
        }
    }
    header.month = dt.date().month();
    header.day = dt.date().day();
    header.hour = dt.time().hour();
    header.minute = dt.time().minute();
    header.number = parser.value(number);
    if (!isTelephoneNumber(header.number)) {
        err << "tovrel-spx-encode: --number takes the digits 0 to 9, X and # only\n";
        return 1;
    }
    const QString f = parser.value(form);
    if (f != QLatin1String("short") && f != QLatin1String("long")) {
        err << "tovrel-spx-encode: --form is short or long\n";
        return 1;
    }
    header.longForm = f == QLatin1String("long");
    const int year = dt.date().year();
    header.year = header.longForm && year >= kFirstYear && year <= kLastYear ? year : kFirstYear;
    bool ok = false;
    header.startAddress = parser.value(start).toUInt(&ok, 0);
    const int pos = parser.value(position).toInt();
    if (!ok || pos < 1) {
        err << "tovrel-spx-encode: bad --start or --position\n";
        return 1;
    }

    QString error;
    const auto pcm = spx::readWav(args[0], &error);
    if (!pcm) {
        err << "tovrel-spx-encode: " << args[0] << ": " << error << '\n';
        return 1;
    }
    const QByteArray file = spx::makeRecording(header, spx::encodeSpeech(spx::toMono8k(*pcm)));

    QString target = args[1];
    if (QFileInfo(target).isDir() || target.endsWith(QLatin1Char('/'))) {
        target = QDir(target).filePath(emulator::recordFileName(header, pos));
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile output(target);
    if (!output.open(QIODevice::WriteOnly) || output.write(file) != file.size() ||
        !output.flush()) {
        err << "tovrel-spx-encode: " << target << ": " << output.errorString() << '\n';
        return 1;
    }
    out << target << '\n';
    return 0;
}
