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

const QString kFirst = QStringLiteral("03151230_0001_xxxxx1234567.spx");
const QString kSecond = QStringLiteral("03161000_0002_xxxxx7654321.spx");
const QString kThird = QStringLiteral("03171100_0003_xxxxx1234000.spx");

// Three recordings, the first two with notes written by the program.
void fillFolder(const TempFolder &dir)
{
    dir.write(kFirst, shortRecord(0, 3, 15, 12, 30, "1234567", 61000));
    dir.write(kSecond, longRecord(1, 26, 3, 16, 10, 0, "7654321", 5000));
    dir.write(kThird, shortRecord(2, 3, 17, 11, 0, "1234000", 2000));
}

// Sets the note of the recording `name` in `dir` as the user does.
bool setNote(const TempFolder &dir, const QString &name, const QString &text)
{
    return runTovrel({u("note"), dir.file(name), u("--set"), text}).exitCode == 0;
}

} // namespace

class TestCliNotes : public QObject
{
    Q_OBJECT

private slots:
    // Set, replace and clear as the user runs them; the note file is the recording's name with
    // .txt added. Every refusal is a message and exit status 1, and the note there stays.
    void noteCommand_data()
    {
        QTest::addColumn<QString>("recording"); // name in the folder
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("printed"); // what tovrel note prints afterwards
        const QString kept = u("原来\n");
        QTest::newRow("one line") << kFirst << QStringList{u("--set"), u("回电 Call back")} << false
                                  << false << u("回电 Call back\n");
        QTest::newRow("two lines") << kFirst << QStringList{u("--set"), u("第一行\n第二行\n")}
                                   << false << false << u("第一行\n第二行\n");
        QTest::newRow("clear") << kFirst << QStringList{u("--clear")} << false << false
                               << QString();
        QTest::newRow("empty text")
            << kFirst << QStringList{u("--set"), QString()} << false << false << QString();
        QTest::newRow("no such recording, print")
            << u("gone.spx") << QStringList() << false << true << kept;
        QTest::newRow("no such recording, set")
            << u("gone.spx") << QStringList{u("--set"), u("x")} << false << true << kept;
        QTest::newRow("no such recording, clear")
            << u("gone.spx") << QStringList{u("--clear")} << false << true << kept;
        QTest::newRow("a folder") << QString() << QStringList{u("--set"), u("x")} << false << true
                                  << kept;
        QTest::newRow("not a recording")
            << kFirst + u(".txt") << QStringList{u("--set"), u("x")} << false << true << kept;
        QTest::newRow("set without text")
            << kFirst << QStringList{u("--set")} << false << true << kept;
        QTest::newRow("set and clear")
            << kFirst << QStringList{u("--set"), u("x"), u("--clear")} << false << true << kept;
        QTest::newRow("folder not writable, set")
            << kFirst << QStringList{u("--set"), u("新")} << true << true << kept;
        QTest::newRow("folder not writable, clear")
            << kFirst << QStringList{u("--clear")} << true << true << kept;
    }

    void noteCommand()
    {
        QFETCH(QString, recording);
        QFETCH(QStringList, options);
        QFETCH(bool, asNobody);
        QFETCH(bool, refused);
        QFETCH(QString, printed);
        TempFolder dir;
        fillFolder(dir);
        QVERIFY(setNote(dir, kFirst, u("原来")));
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        ChildLimits limits;
        limits.asNobody = asNobody;
        const ProgramRun run = runProgram(
            tovrelProgram(), QStringList{u("note"), dir.file(recording)} + options, 60000, limits);
        if (refused) {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.startsWith(u("tovrel note: ")), qPrintable(run.err));
            QCOMPARE(run.out, QString());
        } else {
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        }
        const ProgramRun print = runTovrel({u("note"), dir.file(kFirst)});
        QCOMPARE(print.exitCode, 0);
        QCOMPARE(print.out, printed);
        QCOMPARE(print.err, QString());
        // No other file comes or goes.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), printed.isEmpty() ? 3 : 4);
        QCOMPARE(QFile::exists(dir.file(kFirst) + u(".txt")), !printed.isEmpty());
    }

    // A recording behind a folder the user may not enter is not called missing.
    void recordingOutOfReach()
    {
        TempFolder dir;
        QVERIFY(QDir(dir.path()).mkdir(u("locked")));
        dir.write(u("locked/") + kFirst, shortRecord(0, 3, 15, 12, 30, "1234567", 61000));
        QCOMPARE(::chmod(QFile::encodeName(dir.file(u("locked"))).constData(), 0700), 0);
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        ChildLimits limits;
        limits.asNobody = true;
        const ProgramRun run = runProgram(
            tovrelProgram(), {u("--lang"), u("en"), u("note"), dir.file(u("locked/") + kFirst)},
            60000, limits);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u("Permission denied")), qPrintable(run.err));
        QVERIFY2(!run.err.contains(u("no such recording")), qPrintable(run.err));
    }

    // A note file that cannot be read is named, never taken for "no note".
    void unreadableNote()
    {
        TempFolder dir;
        fillFolder(dir);
        QVERIFY(QDir(dir.path()).mkdir(kFirst + u(".txt")));
        const ProgramRun print = runTovrel({u("note"), dir.file(kFirst)});
        QCOMPARE(print.exitCode, 1);
        QVERIFY(print.err.contains(kFirst + u(".txt")));
        const ProgramRun list = runTovrel({u("list"), u("--notes"), dir.path()});
        QCOMPARE(list.exitCode, 1);
        QCOMPARE(tableRowsOf(list.out).size(), 3);
        QVERIFY(list.err.contains(kFirst + u(".txt")));
    }

    // --note finds notes whatever their letter case, together with the other criteria.
    void searchByNote_data()
    {
        QTest::addColumn<QStringList>("criteria");
        QTest::addColumn<QStringList>("found"); // 文件名 of the rows
        QTest::newRow("case ignored")
            << QStringList{u("--note"), u("call BACK")} << QStringList{kFirst, kSecond};
        QTest::newRow("second line") << QStringList{u("--note"), u("合同")} << QStringList{kSecond};
        QTest::newRow("with a number")
            << QStringList{u("--note"), u("call back"), u("--number"), u("7654")}
            << QStringList{kSecond};
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
        QVERIFY(setNote(dir, kFirst, u("Call back 周一")));
        QVERIFY(setNote(dir, kSecond, u("CALL BACK\n合同")));
        const ProgramRun run = runTovrel(QStringList{u("search"), dir.path()} + criteria);
        QCOMPARE(run.exitCode, 0);
        QStringList names;
        for (const QStringList &row : tableRowsOf(run.out))
            names.append(row.value(0));
        QCOMPARE(names, found);
    }

    // --notes adds one last cell to each row a list or search prints, the note's first line,
    // and changes nothing else. Notes travel with the folder: the rows are read from a copy.
    void notesColumn_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("withNote");
        for (const char *command : {"list", "search"}) {
            QTest::addRow("%s, no note", command) << u(command) << false;
            QTest::addRow("%s, a note", command) << u(command) << true;
        }
    }

    void notesColumn()
    {
        QFETCH(QString, command);
        QFETCH(bool, withNote);
        TempFolder dir;
        TempFolder elsewhere;
        fillFolder(dir);
        if (withNote)
            QVERIFY(setNote(dir, kSecond, u("客户投诉\n详情见邮件")));
        const QString copy = elsewhere.file(u("copied"));
        QCOMPARE(QProcess::execute(u("cp"), {u("-a"), dir.path(), copy}), 0);
        QVERIFY(QDir(dir.path()).removeRecursively());
        const ProgramRun plain = runTovrel({command, u("--header"), copy});
        const ProgramRun noted = runTovrel({command, u("--notes"), u("--header"), copy});
        QVERIFY2(plain.exitCode == 0, qPrintable(plain.err));
        QVERIFY2(noted.exitCode == 0, qPrintable(noted.err));
        QList<QStringList> expected = tableRowsOf(plain.out);
        QCOMPARE(expected.size(), 4);
        QVERIFY(!expected.first().contains(u("备注")));
        const QStringList notes{u("备注"), QString(), withNote ? u("客户投诉") : QString(), {}};
        for (qsizetype r = 0; r < expected.size(); ++r)
            expected[r].append(notes.at(r));
        QCOMPARE(tableRowsOf(noted.out), expected);
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
            QVERIFY(setNote(dir, kThird, u("第三个\n更多")));
        const QString path = out.file(u("list.") + extension);
        const ProgramRun run = runTovrel({command, dir.path(), u("--export"), path});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QString error;
        const QList<QStringList> rows = extension == u("xlsx")
                                            ? tovrel::test::readXlsx(path, &error).rows
                                            : tovrel::test::readXls(path, &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.first().count(u("备注")), withNote ? 1 : 0);
        if (withNote)
            QCOMPARE(lastCells(rows), (QStringList{u("备注"), QString(), QString(), u("第三个")}));
    }
};

QTEST_GUILESS_MAIN(TestCliNotes)
#include "tst_cli_notes.moc"
