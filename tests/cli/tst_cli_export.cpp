// tovrel list FOLDER --export PATH [--replace], run as a program; the workbooks are read back
// with libfreexl and the sheet XML.

#include "ProgramRun.h"
#include "SpeechEncoder.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

using namespace tovrel;
using tovrel::test::ProgramRun;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

using tovrel::test::runTovrel;

// Short-form records from the emulated telephone's own encoder, not the program's header code.
emulator::RecordFields header(int attribute, const char *number, int minute)
{
    emulator::RecordFields h;
    h.attribute = attribute;
    h.month = 3;
    h.day = 9;
    h.hour = 7;
    h.minute = minute;
    h.number = QString::fromLatin1(number);
    return h;
}

// Two recordings, one with a number that begins with 0.
void writeRecordings(const TempFolder &dir)
{
    dir.write(u("a.spx"), spx::makeRecording(header(0, "01088886666", 1), QByteArray(1500, '\0')));
    dir.write(u("b 乙.spx"), spx::makeRecording(header(2, "", 2), QByteArray(300, '\0')));
}

const QStringList kCaptions{u("序号"), u("文件名"),   u("电话号码  "), u("时间"),
                            u("属性"), u("文件长度"), u("时长   ")};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// One data row per workbook format: the file `stem` with that format's extension.
void formatRows(const QString &stem)
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xls") << stem + u(".xls");
    QTest::newRow("xlsx") << stem + u(".xlsx");
}

} // namespace

class TestCliExport : public QObject
{
    Q_OBJECT

private slots:
    void exportsTheListsRows_data() { formatRows(u("列表")); }
    void exportsTheListsRows()
    {
        QFETCH(QString, name);
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        const QString path = out.file(name);
        const ProgramRun r = runTovrel({u("list"), dir.path(), u("--export"), path});
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, u("导出 Excel 结束！\n"));
        QCOMPARE(r.exitCode, 0);

        // The same rows as the printed list, under the list's captions.
        const ProgramRun printed = runTovrel({u("list"), dir.path()});
        QList<QStringList> expected{kCaptions};
        for (const QString &line : printed.out.split(u'\n', Qt::SkipEmptyParts))
            expected.append(line.split(u'\t'));
        QCOMPARE(expected.size(), 3);
        QCOMPARE(expected[1][2], u("01088886666"));

        QString error;
        const QList<QStringList> rows = name.endsWith(u(".xlsx"))
                                            ? tovrel::test::readXlsx(path, &error).rows
                                            : tovrel::test::readXls(path, &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows, expected);
        QCOMPARE(entries(out.path()), QStringList{name});
    }

    // tovrel search --export writes the rows the search prints, under its six captions; an
    // empty result is refused as the export dialog refuses it, and nothing is written.
    void searchExportsItsRows()
    {
        TempFolder dir;
        writeRecordings(dir);
        TempFolder out;
        const QString path = out.file(u("查找结果.xls"));
        ProgramRun r = runTovrel({u("search"), dir.path(), u("--export"), path});
        QCOMPARE(r.out, QString());
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.endsWith(u("导出 Excel 结束！\n")), qPrintable(r.err));

        const ProgramRun printed = runTovrel({u("search"), dir.path(), u("--header")});
        QList<QStringList> expected;
        for (const QString &line : printed.out.split(u'\n', Qt::SkipEmptyParts))
            expected.append(line.split(u'\t'));
        QCOMPARE(expected.size(), 3);
        QString error;
        QCOMPARE(tovrel::test::readXls(path, &error).value(0).rows, expected);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const QString none = out.file(u("none.xls"));
        r = runTovrel({u("search"), dir.path(), u("--number"), u("999"), u("--export"), none});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.endsWith(u("列表空！\n")), qPrintable(r.err));
        QCOMPARE(entries(out.path()), QStringList{u("查找结果.xls")});
    }

    void existingFileKeptUnlessReplace()
    {
        TempFolder dir;
        writeRecordings(dir);
        const QString path = dir.write(u("old.xls"), "old");
        ProgramRun r = runTovrel({u("list"), dir.path(), u("--export"), path});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, u("文件已经存在,是否删除?\n放弃操作\n"));
        QCOMPARE(dir.read(u("old.xls")), QByteArray("old"));

        // --replace answers the question beforehand: the run reports what a successful export
        // reports, nothing more.
        r = runTovrel({u("list"), u("--replace"), dir.path(), u("--export=") + path});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, u("导出 Excel 结束！\n"));
        QString error;
        QCOMPARE(tovrel::test::readXls(path, &error).value(0).rows.size(), 3);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void emptyFolderGivesHeaderOnly()
    {
        TempFolder dir;
        const ProgramRun r =
            runTovrel({u("list"), dir.path(), u("--export"), dir.file(u("e.xls"))});
        QCOMPARE(r.exitCode, 0);
        QString error;
        const auto sheets = tovrel::test::readXls(dir.file(u("e.xls")), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sheets.value(0).rows, QList<QStringList>{kCaptions});
    }

    void failuresCreateNothing_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("language");
        const QStringList english{u("--lang"), u("en")};
        QTest::newRow("missing target folder")
            << QStringList() << u("missing/a.xls") << u("目录不存在") << QStringList();
        QTest::newRow("missing list folder")
            << QStringList{u("nolist")} << u("a.xls") << u("no such folder") << english;
        QTest::newRow("--export without a path")
            << QStringList() << QString() << u("--export needs a PATH") << english;
        QTest::newRow("not a workbook name")
            << QStringList() << u("a.csv") << u("--export PATH ends in .xls or .xlsx") << english;
    }
    void failuresCreateNothing()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QFETCH(QStringList, language);
        TempFolder dir;
        writeRecordings(dir);
        const QString listFolder = extra.isEmpty() ? dir.path() : dir.file(extra.first());
        QStringList args = language + QStringList{u("list"), listFolder, u("--export")};
        if (!target.isEmpty())
            args.append(dir.file(target));
        const ProgramRun r = runTovrel(args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(entries(dir.path()), (QStringList{u("a.spx"), u("b 乙.spx")}));
    }

    // The disk fills up while the workbook is written (a file size limit stands in for it): the
    // failure is reported, the old file is kept and no temporary file is left.
    void writeFailureKeepsTheOldFile_data() { formatRows(u("old")); }
    void writeFailureKeepsTheOldFile()
    {
        QFETCH(QString, name);
        TempFolder dir;
        for (int i = 0; i < 300; ++i)
            dir.write(QStringLiteral("r%1.spx").arg(i, 3, 10, QLatin1Char('0')),
                      spx::makeRecording(header(0, "01088886666", i % 60), QByteArray(300, '\0')));
        TempFolder out;
        const QString path = out.write(name, "old");
        const ProgramRun r = tovrel::test::runProgram(
            u("bash"), {u("-c"), u("trap '' XFSZ; ulimit -f 2; exec \"$0\" \"$@\""),
                        tovrel::test::tovrelProgram(), u("list"), dir.path(), u("--export"), path,
                        u("--replace")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(u("写入文件失败")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(u("导出 Excel 结束！")), qPrintable(r.err));
        QCOMPARE(out.read(name), QByteArray("old"));
        QCOMPARE(entries(out.path()), QStringList{name});
    }

    // A workbook the user made read-only, in a folder the user may write into: --replace puts
    // the new workbook in its place, and the new one is read-only too. As root the program runs
    // as nobody, for whom the old file's permissions count.
    void readOnlyWorkbookIsReplaced_data() { formatRows(u("old")); }
    void readOnlyWorkbookIsReplaced()
    {
        QFETCH(QString, name);
        const QFileDevice::Permissions readOnly =
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const QFileDevice::Permissions open =
            readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        TempFolder dir;
        writeRecordings(dir);
        QVERIFY(QFile::setPermissions(dir.path(), open));
        for (const QString &f : entries(dir.path()))
            QVERIFY(QFile::setPermissions(dir.file(f), readOnly));
        TempFolder out;
        QVERIFY(QFile::setPermissions(out.path(), open | QFileDevice::WriteOwner |
                                                      QFileDevice::WriteGroup |
                                                      QFileDevice::WriteOther));
        const QString path = out.write(name, "old");
        QVERIFY(QFile::setPermissions(path, readOnly));

        const QStringList args{u("list"), dir.path(), u("--export"), path, u("--replace")};
        const ProgramRun r =
            geteuid() == 0 ? tovrel::test::runProgram(
                                 u("setpriv"),
                                 QStringList{u("--reuid=nobody"), u("--regid=nogroup"),
                                             u("--clear-groups"), tovrel::test::tovrelProgram()} +
                                     args)
                           : runTovrel(args);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.err, u("导出 Excel 结束！\n"));
        QString error;
        const QList<QStringList> rows = name.endsWith(u(".xlsx"))
                                            ? tovrel::test::readXlsx(path, &error).rows
                                            : tovrel::test::readXls(path, &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 3);
        // The owner, group and other bits; the "user" bits describe the test's own access.
        const QFileDevice::Permissions userBits =
            QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
        QCOMPARE(QFileInfo(path).permissions() & ~userBits, readOnly);
        QCOMPARE(entries(out.path()), QStringList{name});
    }

    // A folder the user may not write into: the failure is reported and nothing is left. As
    // root the program runs as nobody, since root writes anywhere.
    void unwritableFolder()
    {
        TempFolder dir;
        writeRecordings(dir);
        const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                                  QFileDevice::ExeGroup;
        QVERIFY(QFile::setPermissions(dir.path(), readable));
        for (const QString &f : entries(dir.path()))
            QVERIFY(QFile::setPermissions(dir.file(f),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadOther | QFileDevice::ReadGroup));
        TempFolder out;
        QVERIFY(QFile::setPermissions(out.path(), geteuid() == 0 ? readable
                                                                 : QFileDevice::ReadOwner |
                                                                       QFileDevice::ExeOwner));
        const QStringList args{u("list"), dir.path(), u("--export"), out.file(u("a.xls"))};
        const ProgramRun r =
            geteuid() == 0 ? tovrel::test::runProgram(
                                 u("setpriv"),
                                 QStringList{u("--reuid=nobody"), u("--regid=nogroup"),
                                             u("--clear-groups"), tovrel::test::tovrelProgram()} +
                                     args)
                           : runTovrel(args);
        QFile::setPermissions(out.path(), readable | QFileDevice::WriteOwner);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(u("无法在目录中创建文件")), qPrintable(r.err));
        QCOMPARE(entries(out.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCliExport)
#include "tst_cli_export.moc"
