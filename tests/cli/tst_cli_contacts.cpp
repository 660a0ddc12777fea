#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QTest>

using tovrel::test::longRecord;
using tovrel::test::runTovrel;
using tovrel::test::shortRecord;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

// The cells of the printed rows, one list per line.
QList<QStringList> rowsOf(const QString &out)
{
    QList<QStringList> rows;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        rows.append(line.split(u'\t'));
    return rows;
}

} // namespace

class TestCliContacts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        QVERIFY(m_recordings.isValid());
        m_keptConfig = qgetenv("XDG_CONFIG_HOME");
        useBook(u("book"));
        m_recordings.write(u("a_in.spx"), shortRecord(0, 3, 5, 10, 15, "13800138000", 59999));
        m_recordings.write(u("b_out.spx"), longRecord(1, 25, 3, 5, 10, 16, "8602155551234", 235));
        m_recordings.write(u("c_local.spx"), shortRecord(2, 6, 1, 8, 0, "654321", 3723000));
        // A 2.1 card as a phone exports it, and a CSV file from a spreadsheet.
        m_cards = m_config.write(
            u("phone.vcf"),
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Zhang =E5=BC=A0=E4=B8=\r\n=89\r\n"
            "TEL;CELL:+86 138-0013-8000\r\nTEL;HOME:021 5555 1234\r\nEND:VCARD\r\n");
        m_csv =
            m_config.write(u("sheet.csv"), "name,number\r\n\"Office, Shanghai\",(021) 5555-1234\r\n"
                                           "Short,9654321\r\n");
        const auto run = runTovrel({u("contacts"), u("import"), m_cards, m_csv});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    void cleanupTestCase() { qputenv("XDG_CONFIG_HOME", m_keptConfig); }

    // Imported, listed one row per number, exported and imported into another book: the same
    // list. A file that cannot be read leaves the book as it was.
    void roundTrip()
    {
        const QString expected = u("Zhang 张三\t+86 138-0013-8000\nZhang 张三\t021 5555 1234\n"
                                   "Office, Shanghai\t(021) 5555-1234\nShort\t9654321\n");
        auto list = runTovrel({u("contacts"), u("list")});
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.out, expected);

        const auto refused = runTovrel({u("contacts"), u("import"), m_csv, m_config.file(u("x"))});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(!refused.err.isEmpty());
        QCOMPARE(runTovrel({u("contacts"), u("list")}).out, expected);

        const QString exported = m_config.file(u("out.vcf"));
        QCOMPARE(runTovrel({u("contacts"), u("export"), exported}).exitCode, 0);
        useBook(u("other"));
        QCOMPARE(runTovrel({u("contacts"), u("list")}).out, QString());
        QCOMPARE(runTovrel({u("contacts"), u("export"), m_config.file(u("empty.vcf"))}).exitCode,
                 1);
        QCOMPARE(runTovrel({u("contacts"), u("import"), exported}).exitCode, 0);
        list = runTovrel({u("contacts"), u("list")});
        useBook(u("book"));
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.out, expected);
    }

    // add writes a contact typed in; a number in another form is no new one; a non-number fails.
    void add()
    {
        useBook(u("typed"));
        const QStringList add{u("contacts"), u("add"), u("王五"), u("020 8765 4321")};
        QCOMPARE(runTovrel(add).exitCode, 0);
        QCOMPARE(runTovrel(add.mid(0, 3) << u("+86 20 8765 4321")).exitCode, 0);
        QCOMPARE(runTovrel(add.mid(0, 3) << u("abc")).exitCode, 1);
        const QString list = runTovrel({u("contacts"), u("list")}).out;
        useBook(u("book"));
        QCOMPARE(list, u("王五\t020 8765 4321\n"));
    }

    // --contacts puts 联系人 right after 电话号码 and names each row; without it the output is
    // as it always was.
    void contactColumn_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("contacts");
        QTest::addColumn<int>("numberColumn");
        QTest::newRow("list") << u("list") << true << 2;
        QTest::newRow("list without --contacts") << u("list") << false << 2;
        QTest::newRow("search") << u("search") << true << 1;
        QTest::newRow("search without --contacts") << u("search") << false << 1;
    }

    void contactColumn()
    {
        QFETCH(QString, command);
        QFETCH(bool, contacts);
        QFETCH(int, numberColumn);
        QStringList args{command, u("--header"), m_recordings.path()};
        if (contacts)
            args.append(u("--contacts"));
        const auto run = runTovrel(args);
        QCOMPARE(run.exitCode, 0);
        const QList<QStringList> rows = rowsOf(run.out);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(0).at(numberColumn), u("电话号码"));
        if (!contacts) {
            QVERIFY(!rows.at(0).contains(u("联系人")));
            QVERIFY(rows.at(0).size() == rows.at(1).size());
            return;
        }
        QCOMPARE(rows.at(0).at(numberColumn + 1), u("联系人"));
        // The first contact with the number wins; a 6-digit number is no suffix of 9654321.
        const QStringList names{u("Zhang 张三"), u("Zhang 张三"), QString()};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rows.at(i + 1).size(), rows.at(0).size());
            QCOMPARE(rows.at(i + 1).at(numberColumn + 1), names.at(i));
        }
    }

    // --name finds the numbers of contacts whose name holds the text, letter case ignored; with
    // --number both must hold.
    void nameSearch_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("case ignored")
            << QStringList{u("--name"), u("zHANG")} << QStringList{u("a_in.spx"), u("b_out.spx")};
        QTest::newRow("Chinese") << QStringList{u("--name"), u("三")}
                                 << QStringList{u("a_in.spx"), u("b_out.spx")};
        QTest::newRow("name and number both hold")
            << QStringList{u("--name"), u("zhang"), u("--number"), u("5555")}
            << QStringList{u("b_out.spx")};
        QTest::newRow("a later contact's name is not the row's")
            << QStringList{u("--name"), u("office")} << QStringList{};
        QTest::newRow("no contact for the number")
            << QStringList{u("--name"), u("short")} << QStringList{};
    }

    void nameSearch()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, names);
        const auto run = runTovrel(QStringList{u("search"), m_recordings.path()} + options);
        QCOMPARE(run.exitCode, 0);
        QStringList got;
        for (const QStringList &row : rowsOf(run.out))
            got.append(row.first());
        QCOMPARE(got, names);
        QVERIFY(run.err.contains(u("总计录音文件:%1个").arg(names.size())));
    }

    // A book that cannot be read fails the command, never an empty column.
    void unreadableBook_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("list") << QStringList{u("list"), u("--contacts"), m_recordings.path()};
        QTest::newRow("search --name")
            << QStringList{u("search"), m_recordings.path(), u("--name"), u("a")};
        QTest::newRow("contacts list") << QStringList{u("contacts"), u("list")};
    }

    void unreadableBook()
    {
        QFETCH(QStringList, args);
        useBook(u("broken"));
        QVERIFY(QDir().mkpath(m_config.file(u("broken/tovrel/contacts.vcf"))));
        const auto run = runTovrel(args);
        useBook(u("book"));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QVERIFY(run.err.contains(u("contacts.vcf")));
    }

private:
    void useBook(const QString &name) { qputenv("XDG_CONFIG_HOME", m_config.file(name).toUtf8()); }

    TempFolder m_config;
    TempFolder m_recordings;
    QByteArray m_keptConfig;
    QString m_cards;
    QString m_csv;
};

QTEST_GUILESS_MAIN(TestCliContacts)
#include "tst_cli_contacts.moc"
