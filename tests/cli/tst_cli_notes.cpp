// tovrel note, search --note and the --notes column, run as the user runs them.

#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

using tovrel::test::ChildLimits;
using tovrel::test::longRecord;
using tovrel::test::ProgramRun;
using tovrel::test::runProgram;
using tovrel::test::runTovrel;
using tovrel::test::shortRecord;
using tovrel::test::tableRowsOf;
using tovrel::test::TempFolder;
using tovrel::test::tovrelProgram;
using tovrel::test::u;

namespace {

// The last cell of each row.
QStringList lastCells(const QList<QStringList> &rows)
{
    QStringList cells;
    for (const QStringList &row : rows)
        cells.append(row.value(row.size() - 1));
    return cells;
}

// Three recordings, the first two with notes written by the program.
void fillFolder(const TempFolder &dir)
{
    dir.write(u("03151230_0001_xxxxx1234567.spx"), shortRecord(0, 3, 15, 12, 30, "1234567", 61000));
    dir.write(u("03161000_0002_xxxxx7654321.spx"),
              longRecord(1, 26, 3, 16, 10, 0, "7654321", 5000));
    dir.write(u("03171100_0003_xxxxx1234000.spx"), shortRecord(2, 3, 17, 11, 0, "1234000", 2000));
}

} // namespace

class TestCliNotes : public QObject
{
    Q_OBJECT

private slots:
    // Set, print, replace and clear; the note file is the recording's name with .txt added.
    void setPrintClear_data()
    {
        QTest::addColumn<QStringList>("change"); // the options after FILE
        QTest::addColumn<QString>("printed");    // what tovrel note FILE prints afterwards
        QTest::addColumn<bool>("noteFile");      // whether the note file exists afterwards
        QTest::newRow("one line") << QStringList{u("--set"), u("回电 Call back")}
                                  << u("回电 Call back\n") << true;
        QTest::newRow("two lines")
            << QStringList{u("--set"), u("第一行\n第二行\n")} << u("第一行\n第二行\n") << true;
        QTest::newRow("clear") << QStringList{u("--clear")} << QString() << false;
        QTest::newRow("empty text") << QStringList{u("--set"), QString()} << QString() << false;
    }

    void setPrintClear()
    {
        QFETCH(QStringList, change);
        QFETCH(QString, printed);
        QFETCH(bool, noteFile);
        TempFolder dir;
        fillFolder(dir);
        const QString recording = dir.file(u("03151230_0001_xxxxx1234567.spx"));
        QCOMPARE(runTovrel({u("note"), recording, u("--set"), u("earlier")}).exitCode, 0);
        const ProgramRun set = runTovrel(QStringList{u("note"), recording} + change);
        QVERIFY2(set.exitCode == 0, qPrintable(set.err));
        QCOMPARE(QFile::exists(recording + u(".txt")), noteFile);
        const ProgramRun print = runTovrel({u("note"), recording});
        QCOMPARE(print.exitCode, 0);
        QCOMPARE(print.out, printed);
        QCOMPARE(print.err, QString());
    }

    // Every refusal is a message and exit status 1; a note that was there stays.
    void refusals_data()
    {
        QTest::addColumn<QString>("recording"); // name in the folder
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("asNobody");
        QTest::newRow("no such recording, print") << u("gone.spx") << QStringList() << false;
        QTest::newRow("no such recording, set")
            << u("gone.spx") << QStringList{u("--set"), u("x")} << false;
        QTest::newRow("no such recording, clear")
            << u("gone.spx") << QStringList{u("--clear")} << false;
        QTest::newRow("set without text")
            << u("03151230_0001_xxxxx1234567.spx") << QStringList{u("--set")} << false;
        QTest::newRow("set and clear") << u("03151230_0001_xxxxx1234567.spx")
                                       << QStringList{u("--set"), u("x"), u("--clear")} << false;
        QTest::newRow("folder not writable, set")
            << u("03151230_0001_xxxxx1234567.spx") << QStringList{u("--set"), u("新")} << true;
        QTest::newRow("folder not writable, clear")
            << u("03151230_0001_xxxxx1234567.spx") << QStringList{u("--clear")} << true;
    }

    void refusals()
    {
        QFETCH(QString, recording);
        QFETCH(QStringList, options);
        QFETCH(bool, asNobody);
        TempFolder dir;
        fillFolder(dir);
        const QString noted = dir.file(u("03151230_0001_xxxxx1234567.spx"));
        QCOMPARE(runTovrel({u("note"), noted, u("--set"), u("原来")}).exitCode, 0);
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        ChildLimits limits;
        limits.asNobody = asNobody;
        const ProgramRun run = runProgram(
            tovrelProgram(), QStringList{u("note"), dir.file(recording)} + options, 60000, limits);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.startsWith(u("tovrel note: ")));
        QCOMPARE(run.out, QString());
        QCOMPARE(runTovrel({u("note"), noted}).out, u("原来\n"));
    }

    // A note file that cannot be read is named, never taken for "no note".
    void unreadableNote()
    {
        TempFolder dir;
        fillFolder(dir);
        QVERIFY(QDir(dir.path()).mkdir(u("03151230_0001_xxxxx1234567.spx.txt")));
        const ProgramRun print =
            runTovrel({u("note"), dir.file(u("03151230_0001_xxxxx1234567.spx"))});
        QCOMPARE(print.exitCode, 1);
        QVERIFY(print.err.contains(u("03151230_0001_xxxxx1234567.spx.txt")));
        const ProgramRun list = runTovrel({u("list"), u("--notes"), dir.path()});
        QCOMPARE(list.exitCode, 1);
        QCOMPARE(tableRowsOf(list.out).size(), 3);
        QVERIFY(list.err.contains(u("03151230_0001_xxxxx1234567.spx.txt")));
    }

    // --note finds notes whatever their letter case, together with the other criteria.
    void searchByNote_data()
    {
        QTest::addColumn<QStringList>("criteria");
        QTest::addColumn<QStringList>("found"); // 文件名 of the rows
        QTest::newRow("case ignored") << QStringList{u("--note"), u("call BACK")}
                                      << QStringList{u("03151230_0001_xxxxx1234567.spx"),
                                                     u("03161000_0002_xxxxx7654321.spx")};
        QTest::newRow("second line") << QStringList{u("--note"), u("合同")}
                                     << QStringList{u("03161000_0002_xxxxx7654321.spx")};
        QTest::newRow("with a number")
            << QStringList{u("--note"), u("call back"), u("--number"), u("7654")}
            << QStringList{u("03161000_0002_xxxxx7654321.spx")};
        QTest::newRow("with a kind that fails")
            << QStringList{u("--note"), u("合同"), u("--kinds"), u("in")} << QStringList();
        QTest::newRow("nothing holds it") << QStringList{u("--note"), u("xyz")} << QStringList();
    }

    void searchByNote()
    {
        QFETCH(QStringList, criteria);
        QFETCH(QStringList, found);
        TempFolder dir;
        fillFolder(dir);
        QCOMPARE(runTovrel({u("note"), dir.file(u("03151230_0001_xxxxx1234567.spx")), u("--set"),
                            u("Call back 周一")})
                     .exitCode,
                 0);
        QCOMPARE(runTovrel({u("note"), dir.file(u("03161000_0002_xxxxx7654321.spx")), u("--set"),
                            u("CALL BACK\n合同")})
                     .exitCode,
                 0);
        const ProgramRun run = runTovrel(QStringList{u("search"), dir.path()} + criteria);
        QCOMPARE(run.exitCode, 0);
        QStringList names;
        for (const QStringList &row : tableRowsOf(run.out))
            names.append(row.value(0));
        QCOMPARE(names, found);
    }

    // Without notes the lists are what they were; --notes adds one last, empty cell.
    void folderWithoutNotes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("list") << u("list");
        QTest::newRow("search") << u("search");
    }

    void folderWithoutNotes()
    {
        QFETCH(QString, command);
        TempFolder dir;
        fillFolder(dir);
        const ProgramRun plain = runTovrel({command, dir.path()});
        const ProgramRun noted = runTovrel({command, u("--notes"), dir.path()});
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(noted.exitCode, 0);
        QList<QStringList> expected = tableRowsOf(plain.out);
        QCOMPARE(expected.size(), 3);
        QCOMPARE(expected.first().size(), command == u("list") ? 7 : 6);
        for (QStringList &row : expected)
            row.append(QString());
        QCOMPARE(tableRowsOf(noted.out), expected);
        QCOMPARE(runTovrel({u("search"), dir.path(), u("--note"), u("x")}).out, QString());
    }

    // Notes travel with the folder: a copy lists them, last, by first line.
    void notesSurviveACopy()
    {
        TempFolder dir;
        TempFolder elsewhere;
        fillFolder(dir);
        QCOMPARE(runTovrel({u("note"), dir.file(u("03161000_0002_xxxxx7654321.spx")), u("--set"),
                            u("客户投诉\n详情见邮件")})
                     .exitCode,
                 0);
        const QString copy = elsewhere.file(u("copied"));
        QCOMPARE(QProcess::execute(u("cp"), {u("-a"), dir.path(), copy}), 0);
        QVERIFY(QDir(dir.path()).removeRecursively());
        const ProgramRun list = runTovrel({u("list"), u("--notes"), u("--header"), copy});
        QVERIFY2(list.exitCode == 0, qPrintable(list.err));
        const QList<QStringList> rows = tableRowsOf(list.out);
        QCOMPARE(lastCells(rows), (QStringList{u("备注"), QString(), u("客户投诉"), QString()}));
        QCOMPARE(rows.first().size(), 8);
    }

    // A workbook carries the 备注 column when a recording has a note, and only then.
    void exportCarriesNotes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("withNote");
        for (const char *command : {"list", "search"}) {
            for (const char *extension : {"xls", "xlsx"}) {
                QTest::addRow("%s %s, a note", command, extension)
                    << u(command) << u(extension) << true;
                QTest::addRow("%s %s, no note", command, extension)
                    << u(command) << u(extension) << false;
            }
        }
    }

    void exportCarriesNotes()
    {
        QFETCH(QString, command);
        QFETCH(QString, extension);
        QFETCH(bool, withNote);
        TempFolder dir;
        TempFolder out;
        fillFolder(dir);
        if (withNote)
            QCOMPARE(runTovrel({u("note"), dir.file(u("03171100_0003_xxxxx1234000.spx")),
                                u("--set"), u("第三个\n更多")})
                         .exitCode,
                     0);
        const QString path = out.file(u("list.") + extension);
        const ProgramRun run = runTovrel({command, dir.path(), u("--export"), path});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QString error;
        const QList<QStringList> rows = extension == u("xlsx")
                                            ? tovrel::test::readXlsx(path, &error).rows
                                            : tovrel::test::readXls(path, &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 4);
        const qsizetype plainColumns = command == u("list") ? 7 : 6;
        QCOMPARE(rows.first().size(), plainColumns + (withNote ? 1 : 0));
        if (withNote)
            QCOMPARE(lastCells(rows), (QStringList{u("备注"), QString(), QString(), u("第三个")}));
        else
            QVERIFY(!rows.first().contains(u("备注")));
    }
};

QTEST_GUILESS_MAIN(TestCliNotes)
#include "tst_cli_notes.moc"
