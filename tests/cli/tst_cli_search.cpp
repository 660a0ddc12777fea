#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

using tovrel::test::longRecord;
using tovrel::test::shortRecord;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

tovrel::test::ProgramRun search(const QStringList &args)
{
    return tovrel::test::runTovrel(QStringList{QStringLiteral("search")} + args);
}

} // namespace

class TestCliSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_folder.write(u("0305_in.spx"), shortRecord(0, 3, 5, 10, 15, "13800138000", 59999));
        m_folder.write(u("sub/0305_out.spx"),
                       longRecord(1, 25, 3, 5, 10, 16, "8613800", 235)); // 60 160 bytes
        m_folder.write(u("sub/deeper/0601_local.spx"),
                       shortRecord(2, 6, 1, 8, 0, "5551234", 3723000));
        m_folder.write(u("notes.txt"), "x");
    }

    // Each criterion through the program: the rows (by file name) it prints.
    void criteria_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("everything")
            << QStringList{}
            << QStringList{u("0305_in.spx"), u("0305_out.spx"), u("0601_local.spx")};
        QTest::newRow("one minute")
            << QStringList{u("--from"), u("2025-03-05 10:15"), u("--to"), u("2025-03-05 10:15:59")}
            << QStringList{u("0305_in.spx")};
        QTest::newRow("March across years finds only the short form of March")
            << QStringList{u("--from"), u("2008-03-01 00:00"), u("--to"), u("2012-03-31 23:59")}
            << QStringList{u("0305_in.spx")};
        QTest::newRow("number anywhere") << QStringList{u("--number"), u("138")}
                                         << QStringList{u("0305_in.spx"), u("0305_out.spx")};
        QTest::newRow("kinds out and local") << QStringList{u("--kinds"), u("out,local")}
                                             << QStringList{u("0305_out.spx"), u("0601_local.spx")};
        QTest::newRow("no kind ticked")
            << QStringList{u("--kinds"), QString()}
            << QStringList{u("0305_in.spx"), u("0305_out.spx"), u("0601_local.spx")};
        QTest::newRow("at least a minute") << QStringList{u("--min-seconds"), u("60")}
                                           << QStringList{u("0305_out.spx"), u("0601_local.spx")};
        QTest::newRow("at most 59 s")
            << QStringList{u("--max-seconds"), u("59")} << QStringList{u("0305_in.spx")};
    }

    void criteria()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, names);
        const auto run = search(QStringList{m_folder.path()} + options);
        QCOMPARE(run.exitCode, 0);
        QStringList got;
        for (const QString &line : run.out.split(u'\n', Qt::SkipEmptyParts))
            got.append(line.section(u'\t', 0, 0));
        QCOMPARE(got, names);
    }

    void rowsAndStatus()
    {
        // The folder without its trailing separator: names still join with one.
        const QString folder = m_folder.path().chopped(1);
        const auto run = search({folder, u("--header")});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], u("文件名\t电话号码\t时间\t时长\t属性\t文件路径"));
        QCOMPARE(lines[1],
                 u("0305_in.spx\t13800138000\t 03月05日 10:15 \t59秒\t来电\t") + m_folder.path());
        QCOMPARE(lines[2], u("0305_out.spx\t8613800\t 2025年03月05日 10:16 \t1分钟0秒\t去电\t") +
                               m_folder.path() + u("sub/"));
        QCOMPARE(lines[3], u("0601_local.spx\t5551234\t 06月01日 08:00 \t1小时2分钟3秒\t录音\t") +
                               m_folder.path() + u("sub/deeper/"));
        QCOMPARE(run.err, u("总计录音文件:3个 来电:1个 去电:1个 本地:1个\n"));
    }

    // The command line's messages follow the language (--lang, else the locale); the table it
    // prints stays the same, captions and cells, as the scripts that read it expect.
    void messagesInTheChosenLanguage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<bool>("english");
        QTest::newRow("C locale") << QStringList{} << QByteArray("C.UTF-8") << false;
        QTest::newRow("English locale") << QStringList{} << QByteArray("en_US.UTF-8") << true;
        QTest::newRow("--lang en in a Chinese locale")
            << QStringList{u("--lang"), u("en")} << QByteArray("zh_CN.UTF-8") << true;
        QTest::newRow("--lang zh in an English locale")
            << QStringList{u("--lang"), u("zh")} << QByteArray("en_US.UTF-8") << false;
    }

    void messagesInTheChosenLanguage()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, locale);
        QFETCH(bool, english);
        const QString folder = m_folder.path();
        const auto inChinese =
            tovrel::test::runTovrel({u("--lang"), u("zh"), u("search"), folder, u("--header")});
        QCOMPARE(inChinese.exitCode, 0);

        const QByteArray before = qgetenv("LANG");
        qputenv("LANG", locale);
        const auto refused = tovrel::test::runTovrel(
            options + QStringList{u("search"), folder, u("--number"), u("12a")});
        const auto found =
            tovrel::test::runTovrel(options + QStringList{u("search"), folder, u("--header")});
        qputenv("LANG", before);

        static const QRegularExpression chinese(u("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.startsWith(u("tovrel search: ")), qPrintable(refused.err));
        QVERIFY2(refused.err.contains(u("--number 12a")), qPrintable(refused.err));
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.out, inChinese.out);
        if (english) {
            QVERIFY2(!refused.err.contains(chinese), qPrintable(refused.err));
            QVERIFY2(!found.err.trimmed().isEmpty() && !found.err.contains(chinese),
                     qPrintable(found.err));
        } else {
            QVERIFY2(refused.err.contains(u("只能输入数字！")), qPrintable(refused.err));
            QCOMPARE(found.err, inChinese.err);
        }
    }

    // A tab, line break or backslash in a file or folder name cannot split a row or shift its
    // columns: the table escapes them, in the search's and in the PC list's output alike.
    void namesWithSeparatorsStayOneRow()
    {
        TempFolder dir;
        QVERIFY(dir.isValid());
        dir.write(u("a\tb\nc\\d.spx"), shortRecord(0, 3, 5, 10, 15, "1", 1000));
        const auto found = search({dir.path()});
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.out,
                 u("a\\tb\\nc\\\\d.spx\t1\t 03月05日 10:15 \t1秒\t来电\t") + dir.path() + u("\n"));
        const auto listed = tovrel::test::runTovrel({u("list"), dir.path()});
        QCOMPARE(listed.exitCode, 0);
        const QStringList cells = listed.out.chopped(1).split(u'\t');
        QCOMPARE(cells.size(), 7);
        QCOMPARE(cells.at(1), u("a\\tb\\nc\\\\d.spx"));
    }

    void nothingFound()
    {
        const auto run = search({m_folder.path(), u("--number"), u("999999")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err,
                 u("此目录没有符合要求的文件！\n总计录音文件:0个 来电:0个 去电:0个 本地:0个\n"));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty folder") << QStringList{QString()} << u("没设置目录");
        QTest::newRow("missing folder")
            << QStringList{u("/no/such/folder/here")} << u("文件夹不存在!");
        QTest::newRow("start date later") << QStringList{u("."), u("--from"), u("2025-03-06 00:00"),
                                                         u("--to"), u("2025-03-05 23:59")}
                                          << u("起止日期设置错误");
        QTest::newRow("equal times") << QStringList{u("."), u("--from"), u("2025-03-05 10:15:30"),
                                                    u("--to"), u("2025-03-05 10:15:30")}
                                     << u("起止时间设置错误");
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const auto run = search(args);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, u("tovrel search: ") + message + u'\n');
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("bound beyond 32 bits")
            << QStringList{u("."), u("--min-seconds"), u("4294967296")};
        QTest::newRow("bound not a number") << QStringList{u("."), u("--max-seconds"), u("1a")};
        QTest::newRow("from without to") << QStringList{u("."), u("--from"), u("2025-03-05 10:15")};
        QTest::newRow("not a date")
            << QStringList{u("."), u("--from"), u("yesterday"), u("--to"), u("2025-03-05 10:15")};
        QTest::newRow("unknown kind") << QStringList{u("."), u("--kinds"), u("in,fax")};
        QTest::newRow("letter in the number") << QStringList{u("."), u("--number"), u("12a")};
        QTest::newRow("sign in the number") << QStringList{u("."), u("--number"), u("+86")};
        // The folder holds recordings: only the refusal keeps the workbook from being written.
        QTest::newRow("export to a text file")
            << QStringList{m_folder.path(), u("--export"), m_folder.file(u("found.csv"))};
        QTest::newRow("export to a backup name")
            << QStringList{m_folder.path(), u("--export=") + m_folder.file(u("found.xls.bak"))};
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        const auto run = search(args);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.startsWith(u("tovrel search: ")), qPrintable(run.err));
        QCOMPARE(run.err.count(u'\n'), 1);
        // Refused before anything is searched or written.
        QVERIFY2(!run.err.contains(u("总计录音文件")), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(m_folder.file(u("found.csv"))));
        QVERIFY(!QFileInfo::exists(m_folder.file(u("found.xls.bak"))));
    }

    // What cannot be read, as a user who may not read it (a child process without privileges
    // when the tests run as root): a file or sub-folder is named and the rows of the others are
    // printed; a search folder that cannot be read or does not exist says so, never "nothing
    // found". Each makes the run a failure.
    void unreadable_data()
    {
        QTest::addColumn<QString>("searched");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("messages"); // %1: the temporary folder
        QTest::newRow("a file and a sub-folder")
            << QString() << QStringList{u("a.spx"), u("c.spx")}
            << QStringList{u("文件打开错误！ (%1b.spx: "),
                           u("tovrel search: 已略过文件夹（%1closed/：")};
        QTest::newRow("the search folder")
            << u("closed/") << QStringList{}
            << QStringList{u("tovrel search: 无法读取此目录！ (%1closed/: ")};
        QTest::newRow("a search folder that does not exist")
            << u("gone/") << QStringList{} << QStringList{u("文件夹不存在!\n")};
    }

    void unreadable()
    {
        QFETCH(QString, searched);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, messages);
        TempFolder t;
        t.write(u("a.spx"), shortRecord(0, 1, 1, 0, 0, "1", 1000));
        t.write(u("b.spx"), shortRecord(0, 1, 1, 0, 0, "2", 1000));
        t.write(u("c.spx"), shortRecord(0, 1, 1, 0, 0, "3", 1000));
        t.write(u("closed/d.spx"), shortRecord(0, 1, 1, 0, 0, "4", 1000));
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(t.path().chopped(1), open));
        QVERIFY(QFile::setPermissions(t.file(u("b.spx")), QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(t.file(u("closed")), QFile::WriteOwner));
        QStringList args{u("search"), t.path() + searched};
        QString program = tovrel::test::tovrelProgram();
        if (geteuid() == 0) {
            args.prepend(program);
            args =
                QStringList{u("--reuid=nobody"), u("--regid=nogroup"), u("--clear-groups")} + args;
            program = u("setpriv");
        }
        const auto run = tovrel::test::runProgram(program, args);
        QFile::setPermissions(t.file(u("closed")), open);
        QCOMPARE(run.exitCode, 1);
        QStringList names;
        for (const QString &line : run.out.split(u'\n', Qt::SkipEmptyParts))
            names.append(line.section(u'\t', 0, 0));
        QCOMPARE(names, rows);
        for (const QString &message : messages)
            QVERIFY2(run.err.contains(message.arg(t.path())), qPrintable(run.err));
        QVERIFY2(!run.err.contains(u("此目录没有符合要求的文件！")), qPrintable(run.err));
    }

private:
    TempFolder m_folder;
};

QTEST_GUILESS_MAIN(TestCliSearch)
#include "tst_cli_search.moc"
