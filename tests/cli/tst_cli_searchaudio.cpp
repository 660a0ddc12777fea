// tovrel search FOLDER --export PATH --with-audio [--wav], run as a program: the found recordings
// go into a folder named after the workbook, and the workbook's last column names each row's
// file. The workbooks are read back with libfreexl and the sheet XML.

#include "ProgramRun.h"
#include "SkipOutsideCi.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using namespace tovrel;
using tovrel::test::ProgramRun;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

emulator::RecordFields header(int attribute, const char *number, int minute)
{
    emulator::RecordFields h;
    h.attribute = attribute;
    h.month = 5;
    h.day = 17;
    h.hour = 9;
    h.minute = minute;
    h.number = QString::fromLatin1(number);
    return h;
}

// Three recordings, two of them of one name in different folders.
void writeRecordings(const TempFolder &dir)
{
    dir.write(u("x/a.spx"), test::speechRecording(header(0, "01088886666", 1), 1300, 1));
    dir.write(u("y/a.spx"), test::speechRecording(header(1, "13800138000", 2), 2100, 2));
    dir.write(u("b 乙#1.spx"), test::speechRecording(header(2, "", 3), 800, 3));
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QList<QStringList> readRows(const QString &path)
{
    QString error;
    const QList<QStringList> rows = path.endsWith(u(".xlsx"))
                                        ? test::readXlsx(path, &error).rows
                                        : test::readXls(path, &error).value(0).rows;
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    return rows;
}

// What a file made from the recording `source` must hold: the recording itself, or its WAV
// (the whole 500-byte chunks after the 19-byte header, decoded by libspeex).
QByteArray expectedFile(const QByteArray &source, bool wav)
{
    if (!wav)
        return source;
    const QByteArray payload = source.mid(19);
    const QByteArray pcm = test::referenceDecode(payload.left(payload.size() / 500 * 500));
    return pcm;
}

ProgramRun runLimited(const QStringList &args, int kilobytes)
{
    return test::runProgram(u("bash"), QStringList{u("-c"),
                                                   QStringLiteral("trap '' XFSZ; ulimit -f %1; "
                                                                  "exec \"$0\" \"$@\"")
                                                       .arg(kilobytes),
                                                   test::tovrelProgram()} +
                                           args);
}

} // namespace

class TestCliSearchAudio : public QObject
{
    Q_OBJECT

private slots:
    void exportsTheRecordings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("wav");
        QTest::newRow("xls copy") << u("查找结果.xls") << false;
        QTest::newRow("xlsx copy") << u("查找结果.xlsx") << false;
        QTest::newRow("xls wav") << u("查找结果.xls") << true;
        QTest::newRow("xlsx wav") << u("查找结果.xlsx") << true;
    }
    void exportsTheRecordings()
    {
        QFETCH(QString, name);
        QFETCH(bool, wav);
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        const QString path = out.file(name);
        QStringList args{u("search"), dir.path(), u("--export"), path, u("--with-audio")};
        if (wav)
            args.append(u("--wav"));
        const ProgramRun r = test::runTovrel(args);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.endsWith(u("导出 Excel 结束！\n")), qPrintable(r.err));
        QCOMPARE(entries(out.path()), (QStringList{u("查找结果"), name}));

        // The rows the search prints, each with its file last.
        const ProgramRun printed = test::runTovrel({u("search"), dir.path(), u("--header")});
        QList<QStringList> expected;
        for (const QString &line : printed.out.split(u'\n', Qt::SkipEmptyParts))
            expected.append(line.split(u'\t'));
        QCOMPARE(expected.size(), 4);
        const QList<QStringList> rows = readRows(path);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0], expected[0] + QStringList{u("文件")});

        const QString ext = wav ? u(".spx.wav") : u(".spx");
        QSet<QString> files;
        for (int i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].mid(0, 6), expected[i]);
            const QString relative = rows[i].value(6);
            files.insert(relative);
            // The path resolves from the workbook's folder to the row's own recording.
            QFile made(out.file(relative));
            QVERIFY2(made.open(QIODevice::ReadOnly), qPrintable(relative));
            QFile source(expected[i][5] + expected[i][0]);
            QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(source.fileName()));
            QByteArray bytes = made.readAll();
            if (wav) {
                QVERIFY(test::wavHeaderMatchesFile(bytes));
                bytes = bytes.mid(44);
            }
            QVERIFY2(bytes == expectedFile(source.readAll(), wav), qPrintable(relative));
        }
        // One name from two folders: kept apart as the conversion keeps them.
        QCOMPARE(files, (QSet<QString>{u("查找结果/a") + ext, u("查找结果/a (2)") + ext,
                                       u("查找结果/b 乙#1") + ext}));
        QCOMPARE(entries(out.file(u("查找结果"))).size(), 3);

        if (name.endsWith(u(".xlsx"))) {
            // Each 文件 cell is a link, and the link leads to the path the cell shows.
            const QString sheet =
                QString::fromUtf8(test::unzipMember(path, u("xl/worksheets/sheet1.xml")));
            const QString rels = QString::fromUtf8(
                test::unzipMember(path, u("xl/worksheets/_rels/sheet1.xml.rels")));
            QSet<QString> linked;
            static const QRegularExpression link(
                u(R"re(<hyperlink ref="G(\d+)" r:id="(rId\d+)")re"));
            for (const auto &m : link.globalMatch(sheet)) {
                const QRegularExpression target(u("Id=\"") + m.captured(2) +
                                                u("\"[^>]*Target=\"([^\"]*)\"[^>]*TargetMode="
                                                  "\"External\""));
                const auto t = target.match(rels);
                QVERIFY2(t.hasMatch(), qPrintable(rels));
                const QString decoded = QUrl::fromPercentEncoding(t.captured(1).toUtf8());
                QCOMPARE(decoded, rows[m.captured(1).toInt() - 1][6]);
                linked.insert(decoded);
            }
            QCOMPARE(linked, files);
        }
    }

    // --format converts the recordings into that format: FLAC, read back by another program's
    // decoder, holds exactly the samples the WAV would.
    void exportsInTheChosenFormat()
    {
        if (QStandardPaths::findExecutable(u("flac")).isEmpty())
            TOVREL_SKIP_OUTSIDE_CI("flac is not installed");
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        const ProgramRun r =
            test::runTovrel({u("search"), dir.path(), u("--export"), out.file(u("x.xls")),
                             u("--with-audio"), u("--format"), u("flac")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QStringList made = entries(out.file(u("x")));
        QCOMPARE(made, (QStringList{u("a (2).spx.flac"), u("a.spx.flac"), u("b 乙#1.spx.flac")}));
        QProcess flac;
        flac.start(u("flac"),
                   {u("-d"), u("-s"), u("-c"), u("--force-raw-format"), u("--endian=little"),
                    u("--sign=signed"), out.file(u("x/b 乙#1.spx.flac"))});
        QVERIFY(flac.waitForFinished(30000) && flac.exitCode() == 0);
        QFile source(dir.file(u("b 乙#1.spx")));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(flac.readAllStandardOutput(), expectedFile(source.readAll(), true));
    }

    // An existing folder of the workbook's name is kept without --replace, and replaced whole
    // with it.
    void existingFolder()
    {
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        out.write(u("r/old.txt"), "old");
        const QString path = out.file(u("r.xls"));
        ProgramRun r =
            test::runTovrel({u("search"), dir.path(), u("--export"), path, u("--with-audio")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.endsWith(u("文件已经存在,是否删除?\n放弃操作\n")), qPrintable(r.err));
        QCOMPARE(entries(out.path()), QStringList{u("r")});
        QCOMPARE(entries(out.file(u("r"))), QStringList{u("old.txt")});

        r = test::runTovrel(
            {u("search"), dir.path(), u("--export"), path, u("--with-audio"), u("--replace")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(entries(out.path()), (QStringList{u("r"), u("r.xls")}));
        QCOMPARE(entries(out.file(u("r"))),
                 (QStringList{u("a (2).spx"), u("a.spx"), u("b 乙#1.spx")}));
    }

    // The disk fills up part of the way (a file-size limit stands in for it): the failure is
    // named, nothing is left under the target names nor beside them, and what was there before
    // stays as it was.
    void failureLeavesNothing_data()
    {
        QTest::addColumn<bool>("wav");
        QTest::addColumn<bool>("before");
        QTest::newRow("copy") << false << false;
        QTest::newRow("wav") << true << false;
        QTest::newRow("copy over an earlier export") << false << true;
        QTest::newRow("wav over an earlier export") << true << true;
    }
    void failureLeavesNothing()
    {
        QFETCH(bool, wav);
        QFETCH(bool, before);
        TempFolder dir;
        // Small recordings first: some files are complete when the large one fails.
        dir.write(u("1.spx"), test::speechRecording(header(0, "1", 1), 300, 1));
        dir.write(u("2.spx"), test::speechRecording(header(0, "2", 2), 300, 2));
        dir.write(u("z/3.spx"), test::speechRecording(header(0, "3", 3), 80000, 3));
        TempFolder out;
        if (before) {
            out.write(u("查找结果.xls"), "old");
            out.write(u("查找结果/old.txt"), "old");
        }
        QStringList args{u("search"),       dir.path(),
                         u("--export"),     out.file(u("查找结果.xls")),
                         u("--with-audio"), u("--replace")};
        if (wav)
            args.append(u("--wav"));
        const ProgramRun r = runLimited(args, 16);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(wav ? u("写入文件失败！") : u("写入文件失败")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(u("导出 Excel 结束！")), qPrintable(r.err));
        if (before) {
            QCOMPARE(entries(out.path()), (QStringList{u("查找结果"), u("查找结果.xls")}));
            QCOMPARE(out.read(u("查找结果.xls")), QByteArray("old"));
            QCOMPARE(entries(out.file(u("查找结果"))), QStringList{u("old.txt")});
        } else {
            QCOMPARE(entries(out.path()), QStringList());
        }
    }

    // A folder the user may not write into (as root the program runs as nobody): named, and
    // nothing is made.
    void unwritableFolder()
    {
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther;
        for (const QString &folder : {dir.path(), dir.file(u("x")), dir.file(u("y"))})
            QVERIFY(QFile::setPermissions(folder, readable));
        QVERIFY(QFile::setPermissions(out.path(), geteuid() == 0 ? readable
                                                                 : QFileDevice::ReadOwner |
                                                                       QFileDevice::ExeOwner));
        const QStringList args{u("search"), dir.path(), u("--export"), out.file(u("a.xlsx")),
                               u("--with-audio")};
        const ProgramRun r =
            geteuid() == 0
                ? test::runProgram(u("setpriv"),
                                   QStringList{u("--reuid=nobody"), u("--regid=nogroup"),
                                               u("--clear-groups"), test::tovrelProgram()} +
                                       args)
                : test::runTovrel(args);
        QFile::setPermissions(out.path(), readable);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("无法创建目录")), qPrintable(r.err));
        QCOMPARE(entries(out.path()), QStringList());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("--with-audio alone") << QStringList{u("--with-audio")} << u("--export");
        QTest::newRow("--wav alone")
            << QStringList{u("--export"), u("a.xls"), u("--wav")} << u("--with-audio");
        QTest::newRow("--format alone")
            << QStringList{u("--export"), u("a.xls"), u("--format"), u("opus")}
            << u("--with-audio");
        QTest::newRow("--wav and --format mp3")
            << QStringList{u("--export"), u("a.xls"),    u("--with-audio"),
                           u("--wav"),    u("--format"), u("mp3")}
            << u("--format");
        QTest::newRow("opus at 300 kbit/s")
            << QStringList{u("--export"), u("a.xls"),     u("--with-audio"), u("--format"),
                           u("opus"),     u("--bitrate"), u("300")}
            << u("Opus");
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TempFolder dir;
        writeRecordings(dir);
        const ProgramRun r = test::runTovrel(QStringList{u("search"), dir.path()} + args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(u("a.xls")));
    }
};

QTEST_GUILESS_MAIN(TestCliSearchAudio)
#include "tst_cli_searchaudio.moc"
