#include "ProgramRun.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"
#include "TestText.h"
#include "recordings/RecordingHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

using namespace tovrel;
using tovrel::test::referenceDecode;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

using Run = tovrel::test::ProgramRun;

Run run(const QString &program, const QStringList &args)
{
    return tovrel::test::runProgram(program, args);
}

using tovrel::test::runTovrel;

// Records come from the emulated telephone's own encoder, not from the program's header code.
emulator::RecordFields header(bool longForm, int attribute, const char *number)
{
    emulator::RecordFields h;
    h.longForm = longForm;
    h.attribute = attribute;
    h.month = 12;
    h.day = 24;
    h.hour = 18;
    h.minute = 5;
    h.year = 2026;
    h.number = QString::fromLatin1(number);
    return h;
}

QByteArray speech(int milliseconds, unsigned seed)
{
    return spx::encodeSpeech(spx::syntheticSpeech(milliseconds, seed));
}

// 16-bit PCM WAV bytes at any rate and channel count.
QByteArray wavBytes(const QList<int16_t> &samples, int rate, int channels)
{
    QByteArray data(samples.size() * 2, '\0');
    qToLittleEndian<int16_t>(samples.constData(), samples.size(), data.data());
    QByteArray h(44, '\0');
    char *b = h.data();
    memcpy(b, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(36 + data.size()), b + 4);
    memcpy(b + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, b + 16);
    qToLittleEndian<quint16>(1, b + 20);
    qToLittleEndian<quint16>(quint16(channels), b + 22);
    qToLittleEndian<quint32>(quint32(rate), b + 24);
    qToLittleEndian<quint32>(quint32(rate * channels * 2), b + 28);
    qToLittleEndian<quint16>(quint16(channels * 2), b + 32);
    qToLittleEndian<quint16>(16, b + 34);
    memcpy(b + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(data.size()), b + 40);
    return h + data;
}

} // namespace

class TestCliRecordings : public QObject
{
    Q_OBJECT

private slots:
    void helpHasOneLayout_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("tovrel") << QString();
        for (const char *c : {"list", "convert", "play", "device", "search", "check"})
            QTest::newRow(c) << u(c);
    }

    // Every page: usage lines, a blank line, and an "Options:" section whose entries all put
    // their text in one column, ending with -h, --help.
    void helpHasOneLayout()
    {
        QFETCH(QString, command);
        // The English pages (the Chinese ones have the same layout).
        QStringList args{u("--lang"), u("en")};
        if (!command.isEmpty())
            args.append(command);
        args.append(u("--help"));
        const Run r = runTovrel(args);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        const QString usage =
            command.isEmpty() ? u("Usage: tovrel ") : u("Usage: tovrel %1 ").arg(command);
        QVERIFY2(lines.first().startsWith(usage), qPrintable(lines.first()));
        const qsizetype options = lines.indexOf(u("Options:"));
        QVERIFY2(options > 1, qPrintable(r.out));
        QCOMPARE(lines.at(options - 1), QString());
        const qsizetype last = lines.indexOf(QString(), options);
        QVERIFY(last > options + 1);
        for (qsizetype i = options + 1; i < last; ++i) {
            const QString &line = lines.at(i);
            QVERIFY2(line.startsWith(u("  -")), qPrintable(line));
            // The text starts in column 26, after the name or on the name's next line.
            const qsizetype text = line.indexOf(QRegularExpression(u("\\S")), 26);
            QVERIFY2(line.size() > 26 && text == 26 && line.at(25) == QLatin1Char(' '),
                     qPrintable(line));
        }
        QVERIFY(lines.at(last - 1).startsWith(u("  -h, --help")));
        QVERIFY(lines.at(last - 1).endsWith(u("show this help")));
    }

    void helpListsEveryCommand_data()
    {
        QTest::addColumn<QString>("command");
        for (const char *c : {"list", "convert", "play", "device", "search", "check"})
            QTest::newRow(c) << u(c);
    }

    // The top page's "Commands:" section names every command the program runs, with its summary.
    void helpListsEveryCommand()
    {
        QFETCH(QString, command);
        QCOMPARE(runTovrel({command, u("--help")}).exitCode, 0);
        const Run r = runTovrel({u("--lang"), u("en"), u("--help")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        const qsizetype section = lines.indexOf(u("Commands:"));
        QVERIFY2(section > 0, qPrintable(r.out));
        const qsizetype end = lines.indexOf(QString(), section);
        const QStringList entries = lines.mid(section + 1, end - section - 1);
        const QRegularExpression entry(u("  %1 +\\S.*").arg(command));
        QVERIFY2(entries.indexOf(entry) >= 0, qPrintable(r.out));
    }

    // Every action of `tovrel device` reaches the telephone, so every usage line offers the
    // emulated one.
    void deviceUsageOffersTheEmulator()
    {
        const Run r = runTovrel({u("device"), u("--help")});
        QCOMPARE(r.exitCode, 0);
        const QStringList usage = r.out.section(u("\n\n"), 0, 0).split(u'\n');
        QCOMPARE(usage.size(), 5);
        for (const QString &line : usage)
            QVERIFY2(line.endsWith(u(" [--emulator SOCKET]")), qPrintable(line));
    }

    // ALSA and JACK keep quiet while PortAudio searches the devices; our own message stays.
    void playLeavesNoSoundLibraryNoise()
    {
        TempFolder home;
        // A default device on a card no machine has: ALSA complains about it every time.
        home.write(u(".asoundrc"),
                   "pcm.!default { type hw card 29 }\nctl.!default { type hw card 29 }\n");
        const QString rec =
            home.write(u("1.spx"), spx::makeRecording(header(false, 0, "110"), speech(300, 1)));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qunsetenv("TOVREL_AUDIO_DEBUG");
        const Run quiet = runTovrel({u("play"), rec});
        qputenv("TOVREL_AUDIO_DEBUG", "1");
        const Run talking = runTovrel({u("play"), rec});
        qunsetenv("TOVREL_AUDIO_DEBUG");
        qputenv("HOME", oldHome);

        // Asked for, the libraries speak: the quiet run would otherwise have shown it.
        QVERIFY2(talking.err.contains(u("ALSA lib")), qPrintable(talking.err));
        QVERIFY2(quiet.exitCode == 0 || quiet.exitCode == 1, qPrintable(quiet.err));
        for (const QString &line : quiet.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(u("tovrel play: ")), qPrintable(line));
        // Without a device to play on, our own message says so.
        if (quiet.exitCode != 0)
            QVERIFY(!quiet.err.isEmpty());
    }

    // A speed that is not a number, or not one of 0.5 to 2.0 in steps of 0.1, is refused before
    // anything plays.
    void playSpeedRefused_data()
    {
        QTest::addColumn<QStringList>("speed");
        QTest::newRow("too fast") << QStringList{u("--speed"), u("2.1")};
        QTest::newRow("too slow") << QStringList{u("--speed=0.4")};
        QTest::newRow("between two steps") << QStringList{u("--speed"), u("1.25")};
        QTest::newRow("negative") << QStringList{u("--speed"), u("-1")};
        QTest::newRow("not a number") << QStringList{u("--speed"), u("fast")};
        QTest::newRow("not a finite number") << QStringList{u("--speed"), u("inf")};
        QTest::newRow("no value") << QStringList{u("--speed")};
    }

    void playSpeedRefused()
    {
        QFETCH(QStringList, speed);
        TempFolder dir;
        const QString rec =
            dir.write(u("1.spx"), spx::makeRecording(header(false, 0, "110"), speech(300, 1)));
        const Run r = runTovrel(QStringList{u("--lang"), u("en"), u("play"), rec} + speed);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u("tovrel play: --speed takes a number from 0.5 to 2.0")),
                 qPrintable(r.err));
    }

    void listPrintsTheRows()
    {
        TempFolder dir;
        dir.write(u("2 乙.spx"),
                  spx::makeRecording(header(true, 1, "13800138000"), QByteArray(2000, '\0')));
        dir.write(u("1.spx"), spx::makeRecording(header(false, 0, "110"), speech(1000, 1)));
        const Run r = runTovrel({u("list"), dir.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, u("1\t1.spx\t110\t 12月24日 18:05 \t来电\t1K\t2 秒\n"
                          "2\t2 乙.spx\t13800138000\t 12月24日 18:05 \t去电\t3K\t3 秒\n"));
        const Run withHeader = runTovrel({u("list"), u("--header"), dir.path()});
        QVERIFY(withHeader.out.startsWith(
            u("序号\t文件名\t电话号码\t时间\t属性\t文件长度\t时长\n1\t")));
    }

    // An empty folder has nothing to list; a folder that does not exist says so, never that it
    // is empty.
    void listOfNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty folder")
            << QString() << u("tovrel list: 此目录没有任何可支持的文件！\n");
        QTest::newRow("missing folder") << u("missing") << u("tovrel list: 文件夹不存在! (%1)\n");
    }

    void listOfNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TempFolder dir;
        const QString folder = dir.file(name);
        const Run r = runTovrel({u("list"), folder});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, name.isEmpty() ? message : message.arg(folder));
        QCOMPARE(runTovrel({u("list")}).exitCode, 1);
    }

    // Names that are not valid UTF-8 (GBK "测试" and a lone byte): listed with U+FFFD shown,
    // converted by --all, found by the search, each from the file's real name.
    void namesNotUtf8_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("list") << u("list");
        QTest::newRow("convert --all") << u("convert");
        QTest::newRow("search") << u("search");
    }

    void namesNotUtf8()
    {
        QFETCH(QString, command);
        TempFolder dir;
        TempFolder out;
        const QByteArray bytes = spx::makeRecording(header(false, 0, "110"), speech(1200, 1));
        test::BytesNamedFile gbk(dir.path(), "\xb2\xe2\xca\xd4.spx", bytes);
        test::BytesNamedFile lone(dir.path(), "z\xff.spx", bytes);
        QVERIFY(gbk.isValid() && lone.isValid());
        // In the order of their bytes: 'z' before 0xB2.
        const QString shown[] = {u("z") + QChar(QChar::ReplacementCharacter) + u(".spx"),
                                 QString(4, QChar::ReplacementCharacter) + u(".spx")};
        QStringList args{command, dir.path()};
        if (command == u("convert"))
            args = {command, u("--all"), dir.path(), u("--out"), out.path()};
        const Run r = runTovrel(args);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        for (int i = 0; i < 2; ++i) {
            if (command == u("list"))
                QVERIFY2(
                    lines[i].startsWith(QString::number(i + 1) + u("\t") + shown[i] + u("\t110\t")),
                    qPrintable(lines[i]));
            else if (command == u("search"))
                QVERIFY2(lines[i].startsWith(shown[i] + u("\t110\t")), qPrintable(lines[i]));
            else
                QCOMPARE(out.read(shown[i] + u(".wav")).size(), 44 + 2 * 8000);
        }
    }

    // Files and folders an unprivileged user cannot read (root reads everything, so the list
    // runs as nobody): one unreadable file hides none of the others and is named after the
    // scan; an unreadable folder says so instead of calling itself empty.
    void listAsNobody()
    {
        TempFolder dir;
        const auto open = QFileDevice::Permissions(0x7755);
        const auto readable = QFileDevice::Permissions(0x6644);
        QVERIFY(QFile::setPermissions(dir.path(), open));
        const QByteArray bytes = spx::makeRecording(header(false, 0, "110"), QByteArray(500, 'a'));
        for (const char *name : {"1.spx", "2.spx", "3.spx"})
            QVERIFY(QFile::setPermissions(dir.write(u(name), bytes), readable));
        QVERIFY(QFile::setPermissions(dir.file(u("2.spx")), QFileDevice::Permissions()));
        tovrel::test::ChildLimits asNobody;
        asNobody.asNobody = true;
        const Run r = tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                               {u("list"), dir.path()}, 60000, asNobody);
        QVERIFY2(r.exitCode == 1, qPrintable(r.err));
        const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].startsWith(u("1\t1.spx\t110\t")), qPrintable(r.out));
        QVERIFY2(rows[1].startsWith(u("2\t3.spx\t110\t")), qPrintable(r.out));
        QVERIFY2(r.err.startsWith(u("tovrel list: 以下文件无法读取：\n2.spx\n")),
                 qPrintable(r.err));

        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
        const Run locked = tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                                    {u("list"), dir.path()}, 60000, asNobody);
        QVERIFY(QFile::setPermissions(dir.path(), open));
        QCOMPARE(locked.exitCode, 1);
        QCOMPARE(locked.out, QString());
        QCOMPARE(locked.err, u("tovrel list: 无法读取此目录！ (") + dir.path() + u(")\n"));
    }

    // `tovrel check` names exactly the recording files that are not whole, in the PC list's
    // order (sub-folders where they fall in it), with what is wrong; with --recursive down to
    // five levels below FOLDER, never into a folder whose name begins with a dot.
    void checkNamesFilesNotWhole_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("rows");
        const QStringList top{u("b.spx\t文件不完整：缺少 600 字节"),
                              u("c.SPX\t文件太短，没有完整的文件头"),
                              u("d.spx\t文件过长：多出 3 字节")};
        QTest::newRow("folder alone") << QStringList{} << 1 << top;
        QTest::newRow("recursive")
            << QStringList{u("--recursive")} << 1
            << top + QStringList{u("sub/2/3/4/5/h.spx\t文件过长：多出 1 字节"),
                                 u("sub/g.spx\t文件不完整：缺少 100 字节")};
        QTest::newRow("only whole files") << QStringList{u("whole")} << 0 << QStringList{};
        QTest::newRow("folder missing") << QStringList{u("nowhere")} << 2 << QStringList{};
    }

    void checkNamesFilesNotWhole()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, rows);
        TempFolder dir;
        auto recording = [](bool longForm, quint32 length, int payload) {
            emulator::RecordFields h = header(longForm, 0, "110");
            h.payloadLength = length;
            return emulator::encodeRecord(h) + QByteArray(payload, 'a');
        };
        dir.write(u("a.spx"), recording(false, 1000, 1000));
        dir.write(u("b.spx"), recording(false, 1000, 400));
        dir.write(u("c.SPX"), recording(false, 1000, 0).left(10));
        dir.write(u("d.spx"), recording(true, 256, 259));
        dir.write(u("e.spx"), recording(true, 512, 512));
        dir.write(u("f.spx"), recording(false, 0xFFFFFFFFu, 0));
        dir.write(u("notes.txt"), "x");
        dir.write(u("sub/g.spx"), recording(false, 300, 200));
        dir.write(u("sub/2/3/4/5/h.spx"), recording(false, 10, 11));
        dir.write(u("sub/2/3/4/5/6/i.spx"), recording(false, 10, 0));
        dir.write(u(".hidden/j.spx"), recording(false, 10, 0));
        dir.write(u("whole/a.spx"), recording(false, 1000, 1000));
        dir.write(u("whole/b.spx"), recording(true, 256, 256));
        QString folder = dir.path();
        if (!args.isEmpty() && !args.first().startsWith(QLatin1Char('-')))
            folder = dir.file(args.takeFirst());
        const Run r = runTovrel(QStringList{u("check"), folder} + args);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
        QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts), rows);
        // Trouble with FOLDER itself is said on stderr; rows are the whole story otherwise.
        QCOMPARE(r.err.isEmpty(), exitCode != 2);
    }

    // Files and folders nobody may read: a file is a row saying so, and the others are still
    // checked; FOLDER itself not readable is exit status 2, never "all whole".
    void checkAsNobody()
    {
        TempFolder dir;
        const auto open = QFileDevice::Permissions(0x7755);
        QVERIFY(QFile::setPermissions(dir.path(), open));
        const QByteArray whole = spx::makeRecording(header(false, 0, "110"), QByteArray(500, 'a'));
        for (const char *name : {"1.spx", "2.spx", "3.spx"})
            QVERIFY(
                QFile::setPermissions(dir.write(u(name), whole), QFileDevice::Permissions(0x6644)));
        dir.write(u("4.spx"), whole.left(100));
        QVERIFY(QFile::setPermissions(dir.file(u("4.spx")), QFileDevice::Permissions(0x6644)));
        QVERIFY(QFile::setPermissions(dir.file(u("2.spx")), QFileDevice::Permissions()));
        tovrel::test::ChildLimits asNobody;
        asNobody.asNobody = true;
        const Run r = tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                               {u("check"), dir.path()}, 60000, asNobody);
        QVERIFY2(r.exitCode == 1, qPrintable(r.err));
        const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].startsWith(u("2.spx\t无法读取：")) && rows[0].size() > 12,
                 qPrintable(r.out));
        QCOMPARE(rows[1], u("4.spx\t文件不完整：缺少 419 字节"));

        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
        const Run locked = tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                                    {u("check"), dir.path()}, 60000, asNobody);
        QVERIFY(QFile::setPermissions(dir.path(), open));
        QCOMPARE(locked.exitCode, 2);
        QCOMPARE(locked.out, QString());
        QVERIFY2(locked.err.startsWith(u("tovrel check: 无法读取此目录！")),
                 qPrintable(locked.err));
    }

    // Converting again under a file-size limit (a full disk for the process): exit 1 with the
    // write failure, and the WAV of the earlier conversion stays whole.
    void convertPastFileSizeLimitKeepsEarlierWav()
    {
        TempFolder dir;
        TempFolder out;
        const QString input =
            dir.write(u("a.spx"), spx::makeRecording(header(false, 0, "110"), speech(3000, 2)));
        const Run first = runTovrel({u("convert"), u("--out"), out.path(), input});
        QCOMPARE(first.exitCode, 0);
        const QByteArray earlier = out.read(u("a.spx.wav"));
        QCOMPARE(earlier.size(), 44 + 6 * 8000);
        tovrel::test::ChildLimits limits;
        limits.fileSizeLimit = 20000;
        const Run r =
            tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                     {u("convert"), u("--out"), out.path(), input}, 60000, limits);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("写入文件失败！")), qPrintable(r.err));
        QCOMPARE(out.read(u("a.spx.wav")), earlier);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u("a.spx.wav")});
    }

    // Speech at 16 kHz stereo goes through tovrel-spx-encode and tovrel convert; the WAV holds
    // exactly what libspeex decodes from the recording's frames.
    void encodeAndConvertRoundTrip()
    {
        TempFolder dir;
        TempFolder out;
        QList<int16_t> stereo;
        for (int16_t s : spx::syntheticSpeech(6000, 4)) {
            stereo.append(s);
            stereo.append(s);
        }
        // Half the samples at twice the rate: 3 s of sound.
        const QString wav = dir.write(u("speech.wav"), wavBytes(stereo, 16000, 2));
        const Run enc = run(QStringLiteral(TOVREL_BINARY_DIR "/tools/spx-encode/tovrel-spx-encode"),
                            {u("--attribute"), u("out"), u("--when"), u("2026-02-03 04:05"),
                             u("--number"), u("12345"), u("--form"), u("long"), u("--position"),
                             u("7"), wav, dir.file(u("rec/"))});
        QCOMPARE(enc.exitCode, 0);
        const QString name = u("02030405_0007_xxxxxxxxxxxxxxx12345.spx");
        QCOMPARE(enc.out.trimmed(), dir.file(u("rec/")) + name);
        const QByteArray recording =
            QFile::exists(enc.out.trimmed()) ? dir.read(u("rec/") + name) : QByteArray();
        QVERIFY(recording.size() > 32 + 2900);
        const RecordingHeader h = decodeHeader(recording);
        QVERIFY(h.longForm);
        QCOMPARE(h.attribute, int(AttributeOutgoing));
        QCOMPARE(h.year, 2026);
        QCOMPARE(qsizetype(h.payloadLength), recording.size() - 32);

        const Run conv =
            runTovrel({u("convert"), u("--out"), out.path(), dir.file(u("rec/")) + name});
        QCOMPARE(conv.exitCode, 0);
        QCOMPARE(conv.out.trimmed(), out.file(name + u(".wav")));
        const QByteArray result = out.read(name + u(".wav"));
        const QByteArray payload = recording.mid(32);
        const QByteArray expected = referenceDecode(payload.left(payload.size() / 500 * 500));
        QCOMPARE(result.size(), 44 + expected.size());
        QVERIFY(result.mid(44) == expected);
    }

    // A number the record cannot hold is refused before anything is written: it would end up
    // in the file name, where a '/' leads out of the output folder.
    void encodeRefusesNumberItCannotStore_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("leaves the folder") << u("1/../../2");
        QTest::newRow("dash") << u("138-0013");
        QTest::newRow("lower-case x") << u("12x");
    }

    void encodeRefusesNumberItCannotStore()
    {
        QFETCH(QString, number);
        TempFolder dir;
        const QString wav =
            dir.write(u("speech.wav"), wavBytes(spx::syntheticSpeech(500), 8000, 1));
        dir.write(u("out/keep"), "x");
        const Run enc = run(QStringLiteral(TOVREL_BINARY_DIR "/tools/spx-encode/tovrel-spx-encode"),
                            {u("--number"), number, wav, dir.file(u("out/"))});
        QCOMPARE(enc.exitCode, 1);
        QVERIFY2(enc.err.contains(u("--number takes the digits 0 to 9, X and # only")),
                 qPrintable(enc.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{u("out"), u("speech.wav")}));
        QCOMPARE(
            QDir(dir.file(u("out"))).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{u("keep")});
    }

    void convertAll()
    {
        TempFolder dir;
        TempFolder out;
        dir.write(u("a.spx"), spx::makeRecording(header(false, 2, ""), speech(1200, 1)));
        dir.write(u("b 录音.spx"), spx::makeRecording(header(true, 2, ""), speech(800, 2)));
        const Run r = runTovrel({u("convert"), u("--all"), dir.path(), u("--out"), out.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, out.file(u("a.spx.wav\n")) + out.file(u("b 录音.spx.wav\n")));
        QCOMPARE(out.read(u("a.spx.wav")).size(), 44 + 2 * 8000);
        QCOMPARE(out.read(u("b 录音.spx.wav")).size(), 44 + 2 * 8000); // 1024 payload bytes
    }

    // Any number of jobs gives the WAVs, the lines and the messages of one job: each WAV holds
    // the decode of its whole recording, and the lines come in the order of the files given.
    void convertJobs_data()
    {
        QTest::addColumn<QString>("jobs");
        QTest::newRow("2 jobs") << u("2");
        QTest::newRow("3 jobs") << u("3");
        QTest::newRow("one per core") << QString();
    }
    void convertJobs()
    {
        QFETCH(QString, jobs);
        TempFolder dir;
        QStringList files;
        QList<QByteArray> payloads;
        // Long ones first, so that later files are done before earlier ones.
        const int lengths[] = {12000, 7000, 600, 1500, 900, 3100, 500, 2200};
        for (int i = 0; i < int(std::size(lengths)); ++i) {
            payloads.append(speech(lengths[i], unsigned(i + 1)));
            files.append(dir.write(u("%1/录音.spx").arg(i),
                                   spx::makeRecording(header(i % 2 == 1, 2, ""), payloads.last())));
        }
        const auto convert = [&](const QString &out, const QString &n) {
            QStringList args{u("convert"), u("--out"), out};
            if (!n.isEmpty())
                args += {u("--jobs"), n};
            return runTovrel(args + files);
        };
        const Run one = convert(dir.file(u("one/")), u("1"));
        const Run many = convert(dir.file(u("many/")), jobs);
        QCOMPARE(one.exitCode, 0);
        QCOMPARE(many.exitCode, 0);
        QCOMPARE(many.err, one.err);
        QCOMPARE(many.out, QString(one.out).replace(dir.file(u("one/")), dir.file(u("many/"))));
        const QStringList lines = many.out.split(u("\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), files.size());
        QCOMPARE(lines[0], dir.file(u("many/录音.spx.wav")));
        QCOMPARE(lines[3], dir.file(u("many/录音 (4).spx.wav")));
        for (int i = 0; i < files.size(); ++i) {
            QFile wav(lines[i]);
            QVERIFY(wav.open(QIODevice::ReadOnly));
            const QByteArray bytes = wav.readAll();
            QVERIFY(test::wavHeaderMatchesFile(bytes));
            QVERIFY2(bytes.mid(44) ==
                         referenceDecode(payloads[i].left(payloads[i].size() / 500 * 500)),
                     qPrintable(lines[i]));
        }
        QCOMPARE(QDir(dir.file(u("many"))).entryList(QDir::Files | QDir::Hidden).size(),
                 files.size());
    }

    // A refused option writes nothing, not even the output folder.
    void convertOptionsRefused_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero jobs") << QStringList{u("--jobs"), u("0")} << u("--jobs");
        QTest::newRow("negative jobs") << QStringList{u("--jobs"), u("-2")} << u("--jobs");
        QTest::newRow("jobs not a number") << QStringList{u("--jobs"), u("two")} << u("--jobs");
        QTest::newRow("unknown format") << QStringList{u("--format"), u("ogg")} << u("--format");
        QTest::newRow("opus below 6 kbit/s")
            << QStringList{u("--format=opus"), u("--bitrate"), u("5")} << u("Opus");
        QTest::newRow("mp3 at a rate MPEG-2.5 lacks")
            << QStringList{u("--format"), u("mp3"), u("--bitrate=20")} << u("MP3");
        QTest::newRow("flac has no bit rate")
            << QStringList{u("--format"), u("flac"), u("--bitrate"), u("16")} << u("FLAC");
        QTest::newRow("bit rate not a number")
            << QStringList{u("--format"), u("opus"), u("--bitrate"), u("high")} << u("--bitrate");
    }
    void convertOptionsRefused()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        TempFolder dir;
        const QString rec =
            dir.write(u("a.spx"), spx::makeRecording(header(false, 2, ""), speech(1000, 1)));
        const Run r =
            runTovrel(QStringList{u("convert"), u("--out"), dir.file(u("out/"))} + options << rec);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(dir.file(u("out"))));
    }

    // A run asked to terminate drops the WAV in hand and the later ones (an earlier WAV of the
    // name stays byte for byte), prints nothing as converted and exits with status 1.
    void convertTerminated_data()
    {
        QTest::addColumn<QString>("jobs");
        QTest::newRow("1 job") << u("1");
        QTest::newRow("3 jobs") << u("3");
    }
    void convertTerminated()
    {
        QFETCH(QString, jobs);
        TempFolder dir;
        TempFolder out;
        // Over two hours of speech frames: far longer than the test waits.
        const QString rec = dir.write(
            u("long.spx"), spx::makeRecording(header(false, 2, ""), QByteArray(8000000, '\0')));
        const QString next =
            dir.write(u("next.spx"), spx::makeRecording(header(false, 2, ""), speech(1000, 1)));
        out.write(u("long.spx.wav"), "earlier");
        QProcess p;
        p.start(QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel"),
                {u("--lang"), u("en"), u("convert"), u("--jobs"), jobs, u("--out"), out.path(), rec,
                 next});
        // The WAV in hand is written under a temporary name until its run ends.
        const auto inHand = [&] {
            qint64 largest = 0;
            for (const QFileInfo &f : QDir(out.path()).entryInfoList(QDir::Files | QDir::Hidden))
                largest = std::max(largest, f.size());
            return largest;
        };
        QTRY_VERIFY_WITH_TIMEOUT(inHand() > 44 + 8000, 20000);
        p.terminate();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(), QByteArray("tovrel convert: stopped after 0 file(s)\n"));
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        QCOMPARE(out.read(u("long.spx.wav")), QByteArray("earlier"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u("long.spx.wav")});
    }

    // A file that is no recording, or whose speech is corrupted, is named on stderr and the exit
    // status is 1; the decoder library's own complaints never reach the terminal. A recording cut
    // short converts what it has.
    void badInputSaysSo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // the line on stderr, after "tovrel COMMAND: "
        emulator::RecordFields month14 = header(false, 0, "110");
        month14.month = 14;
        QByteArray text;
        while (text.size() < 4000)
            text += "Hello world, this is a text file and not a recording at all.\n";
        QByteArray noise(6000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), 1500);
        const QString notWhole = u("不是录音文件（文件头中的日期或时间不存在）");
        for (const QString &command : {u("convert"), u("play")}) {
            const bool convert = command == u("convert");
            QTest::addRow("%s, month 14", qPrintable(command))
                << command << spx::makeRecording(month14, speech(1000, 1))
                << (convert ? u("{in}: ") + notWhole + u("，没有转换") : notWhole + u(" ({in})"));
            QTest::addRow("%s, text", qPrintable(command))
                << command << text
                << (convert ? u("{in}: 不是完整的录音（文件不完整：缺少 %1 "
                                "字节），录音数据已损坏，没有转换")
                                  .arg(19 + qFromBigEndian<quint32>(text.constData() + 15) -
                                       text.size())
                            : u("录音数据已损坏，无法继续播放！ ({in})"));
            QTest::addRow("%s, random bytes", qPrintable(command)) << command << noise << QString();
        }
        QTest::newRow("convert, cut short")
            << u("convert")
            << spx::makeRecording(header(false, 0, "110"), speech(2000, 3)).left(19 + 1250)
            << u("{in}: 不是完整的录音（文件不完整：缺少 750 字节），WAV 只含能转换的部分 ({wav})");
    }
    void badInputSaysSo()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TempFolder dir;
        const QString in = dir.write(u("r.spx"), bytes);
        const QString wav = dir.file(u("out/r.spx.wav"));
        message.replace(u("{in}"), in).replace(u("{wav}"), wav);
        const Run r = runTovrel(command == u("convert")
                                    ? QStringList{command, u("--out"), dir.file(u("out")), in}
                                    : QStringList{command, in});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : lines)
            QVERIFY2(line.startsWith(u("tovrel ") + command + u(": ")), qPrintable(r.err));
        if (!message.isEmpty())
            QCOMPARE(lines.value(0), u("tovrel ") + command + u(": ") + message);
        // A WAV is written only when the message names it.
        QCOMPARE(QFile::exists(wav), message.contains(wav));
    }

    void convertFailures()
    {
        TempFolder dir;
        dir.write(u("plain"), "x");
        const QString rec =
            dir.write(u("a.spx"), spx::makeRecording(header(false, 2, ""), speech(1000, 1)));
        Run r = runTovrel({u("convert"), u("--out"), dir.path(), dir.file(u("gone.spx"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("打开文件失败！")), qPrintable(r.err));
        r = runTovrel({u("convert"), u("--out"), dir.file(u("plain/")), rec});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("创建文件失败！")), qPrintable(r.err));
        r = runTovrel({u("convert"), u("--out"), dir.path(), u("--all"), dir.file(u("none/"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("文件夹不存在!")), qPrintable(r.err));
        QCOMPARE(runTovrel({u("convert"), rec}).exitCode, 1); // no --out
    }
};

QTEST_GUILESS_MAIN(TestCliRecordings)
#include "tst_cli_recordings.moc"
