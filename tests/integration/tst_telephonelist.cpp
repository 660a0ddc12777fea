// The login and the telephone's list against the emulator process, faults included.

#include "PhoneFixture.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/PasswordCheck.h"
#include "device/TelephoneList.h"

#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

struct ListRun
{
    bool ok = false;
    bool formSeen = false;
    bool longForm = false;
    QList<ReportRow> rows;
    QStringList failures;
};

ListRun readList(TelephoneLink &link)
{
    ListRun run;
    TelephoneListReader reader(link);
    QObject::connect(&reader, &TelephoneListReader::formChosen, [&](bool longForm) {
        run.formSeen = true;
        run.longForm = longForm;
    });
    QObject::connect(&reader, &TelephoneListReader::rowRead,
                     [&](const ReportRow &row) { run.rows.append(row); });
    QObject::connect(&reader, &TelephoneListReader::failure,
                     [&](const QString &text) { run.failures.append(text); });
    run.ok = reader.run();
    return run;
}

} // namespace

class TestTelephoneList : public QObject
{
    Q_OBJECT

private slots:
    // The fixtures' own record encoder against literal bytes: 15 March 12:30, incoming, number
    // 1234567, address 0x2000, 1000 bytes (short form), and the same in the long form.
    void fixtureRecordsAreTheTelephonesBytes()
    {
        emulator::RecordFields f;
        f.month = 3;
        f.day = 15;
        f.hour = 12;
        f.minute = 30;
        f.number = QStringLiteral("1234567");
        f.startAddress = 0x2000;
        f.payloadLength = 1000;
        QCOMPARE(emulator::encodeRecord(f),
                 QByteArray::fromHex("0000037b1e1234567fffff00002000000003e8"));
        QCOMPARE(emulator::recordFileName(f, 1), u("03151230_0001_xxxxx1234567.spx"));
        f.longForm = true;
        f.payloadLength = 1024;
        QCOMPARE(emulator::encodeRecord(f),
                 QByteArray::fromHex("0000037b1e000020000412345"
                                     "67fffffffffffff000000001a000000ffffffff"));
    }

    void login_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("outcome");
        QTest::newRow("right") << QStringLiteral("0457") << int(LoginOutcome::Accepted);
        QTest::newRow("wrong") << QStringLiteral("0458") << int(LoginOutcome::Refused);
        QTest::newRow("without leading zero")
            << QStringLiteral("457") << int(LoginOutcome::Refused);
        QTest::newRow("empty") << QString() << int(LoginOutcome::Refused);
        QTest::newRow("negative") << QStringLiteral("-457") << int(LoginOutcome::Refused);
        QTest::newRow("letters") << QStringLiteral("abcd") << int(LoginOutcome::Refused);
    }
    void login()
    {
        QFETCH(QString, typed);
        QFETCH(int, outcome);
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("1"),
                              QStringLiteral("--password"), QStringLiteral("0457")}),
                 qPrintable(phone.error()));
        const LoginResult result = checkPassword(*phone.link(), typed);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.message,
                 outcome == int(LoginOutcome::Accepted) ? QString() : u("密码错误，无法登录"));
    }

    void loginWithoutAnswer()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("1"),
                              QStringLiteral("--drop-after"), QStringLiteral("0")},
                             300),
                 qPrintable(phone.error()));
        const LoginResult result = checkPassword(*phone.link(), QStringLiteral("9137"));
        QCOMPARE(int(result.outcome), int(LoginOutcome::LinkFailed));
        QCOMPARE(result.message, u("USB读数据错误"));
    }

    void rowsOfBothForms_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<int>("fileNameWidth");
        QTest::newRow("short") << false << u("03151230_0001_xxxxx1234567.spx") << 200;
        QTest::newRow("long") << true << u("03151230_0001_xxxxxxxxxxxxx1234567.spx") << 240;
    }
    void rowsOfBothForms()
    {
        QFETCH(bool, longForm);
        QFETCH(QString, firstName);
        QFETCH(int, fileNameWidth);
        TempFolder dir;
        const auto recordings = makeRecordings({1024, 59 * 1024, 0}, longForm);
        writeRecordings(dir.path() + QStringLiteral("phone"), recordings);
        Phone phone;
        QVERIFY2(
            phone.start({QStringLiteral("--recordings"), dir.path() + QStringLiteral("phone")}),
            qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QVERIFY(run.ok);
        QVERIFY(run.failures.isEmpty());
        QVERIFY(run.formSeen);
        QCOMPARE(run.longForm, longForm);
        QCOMPARE(telephoneListWidths(run.longForm).fileName, fileNameWidth);
        QCOMPARE(run.rows.size(), 3);
        QCOMPARE(run.rows[0].cells,
                 (QStringList{u("1"), firstName, u("1234567"), u(" 03月15日 12:30 "), u("来电"),
                              u("2K"), u("2 秒")}));
        QCOMPARE(run.rows[1].cells[0], u("2"));
        QCOMPARE(run.rows[1].cells[4], u("去电"));
        QCOMPARE(run.rows[2].cells[4], u("录音"));
        QCOMPARE(run.rows[2].cells[5], u("0K"));
        QCOMPARE(run.rows[2].cells[6], u("0 秒"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(run.rows[i].key.toInt(), i);
    }

    void emptyTelephone()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("0"),
                              QStringLiteral("--form"), QStringLiteral("long")}),
                 qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QVERIFY(run.ok);
        QVERIFY(run.rows.isEmpty());
        QVERIFY(run.failures.isEmpty());
        QVERIFY(run.formSeen);
        QVERIFY(run.longForm);
    }

    void tenThousandAndOneRecordings()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("10001"),
                              QStringLiteral("--payload-bytes"), QStringLiteral("40")}),
                 qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QVERIFY(run.ok);
        QCOMPARE(run.rows.size(), 10001);
        QCOMPARE(run.rows.last().cells[0], u("10001"));
        QVERIFY2(run.rows.last().cells[1].contains(u("_10001_")),
                 qPrintable(run.rows.last().cells[1]));
        QVERIFY(run.rows[9998].cells[1].contains(u("_9999_")));
        QCOMPARE(run.rows.last().key.toInt(), 10000);
    }

    // Faults: which failures the list reports and which rows it still shows.
    void faults_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("failures");
        const QString read = u("USB读数据错误");
        QTest::newRow("count unanswered")
            << QStringList{QStringLiteral("--drop-after"), QStringLiteral("0")} << false << 0
            << QStringList{read};
        QTest::newRow("probe unanswered")
            << QStringList{QStringLiteral("--drop-after"), QStringLiteral("1")} << false << 0
            << QStringList{read};
        QTest::newRow("answers stop after the first record")
            << QStringList{QStringLiteral("--drop-after"), QStringLiteral("3")} << true << 1
            << QStringList{read, read};
        // The link is gone: the list ends at once with one message, not one per record left.
        QTest::newRow("unplugged after the first record")
            << QStringList{QStringLiteral("--unplug-after"), QStringLiteral("3")} << false << 1
            << QStringList{read};
    }
    void faults()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        QFETCH(int, rows);
        QFETCH(QStringList, failures);
        Phone phone;
        QVERIFY2(
            phone.start(QStringList{QStringLiteral("--generate"), QStringLiteral("3")} + arguments,
                        300),
            qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QCOMPARE(run.ok, ok);
        QCOMPARE(run.rows.size(), rows);
        QCOMPARE(run.failures, failures);
        if (rows > 0)
            QCOMPARE(run.rows[0].key.toInt(), 0);
    }

    // One record answer that comes late or never: that row is missing, and every later row
    // still shows its own recording under its own name (the late answer is waited out, not
    // taken for the next record), the last one included.
    void lateOrMissingRecordAnswer_data()
    {
        QTest::addColumn<QStringList>("fault");
        // Commands: count (1), probe (2), record 0 (3), record 1 (4), ...
        QTest::newRow("late by 1.5 time-outs") << QStringList{
            QStringLiteral("--late-once"), QStringLiteral("4"), QStringLiteral("1500")};
        QTest::newRow("never") << QStringList{QStringLiteral("--drop-only"), QStringLiteral("4")};
    }
    void lateOrMissingRecordAnswer()
    {
        QFETCH(QStringList, fault);
        TempFolder dir;
        const auto recordings = makeRecordings({300, 600, 900, 1200}, false);
        writeRecordings(dir.path(), recordings);
        Phone phone;
        QVERIFY2(phone.start(QStringList{QStringLiteral("--recordings"), dir.path()} + fault, 1000),
                 qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QVERIFY(run.ok);
        QCOMPARE(run.failures, QStringList{u("USB读数据错误")});
        QCOMPARE(run.rows.size(), 3);
        const QList<int> indices{0, 2, 3};
        for (int i = 0; i < 3; ++i) {
            const int n = indices[i];
            QCOMPARE(run.rows[i].key.toInt(), n);
            QCOMPARE(run.rows[i].cells[1], recordings[n].fileName(n + 1));
            QCOMPARE(run.rows[i].cells[2], recordings[n].header.number);
        }
    }

    // The index the telephone never serves: with 65535 recordings the last one, 65534, gets
    // neither a request nor a row.
    void index65534Skipped()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("65535"),
                              QStringLiteral("--payload-bytes"), QStringLiteral("0")},
                             5000),
                 qPrintable(phone.error()));
        const ListRun run = readList(*phone.link());
        QVERIFY(run.ok);
        QVERIFY(run.failures.isEmpty());
        QCOMPARE(run.rows.size(), 65534);
        QCOMPARE(run.rows.last().key.toInt(), 65533);
        QCOMPARE(run.rows.last().cells[0], u("65534"));
    }

    void unpluggedTelephoneIsAbsent()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("1"),
                              QStringLiteral("--unplug-after"), QStringLiteral("0")}),
                 qPrintable(phone.error()));
        QCOMPARE(phone.link()->deviceCount(), 1u);
        QCOMPARE(phone.link()->readCount().error, LinkError::Read);
        QTRY_COMPARE(phone.link()->deviceCount(), 0u);
        QCOMPARE(phone.link()->readCount().error, LinkError::Write);
        phone.stop();
        QCOMPARE(phone.link()->deviceCount(), 0u);
    }

    void refusedWrites()
    {
        Phone phone;
        QVERIFY2(phone.start({QStringLiteral("--generate"), QStringLiteral("1"),
                              QStringLiteral("--fail-writes")},
                             200),
                 qPrintable(phone.error()));
        QCOMPARE(phone.link()->deviceCount(), 1u);
        // The telephone closes the connection as soon as it notices it.
        QTRY_COMPARE_WITH_TIMEOUT(int(phone.link()->readCount().error), int(LinkError::Write),
                                  5000);
    }
};

QTEST_GUILESS_MAIN(TestTelephoneList)
#include "tst_telephonelist.moc"
