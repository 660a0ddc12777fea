// The call's time as the files' time: tovrel touch on recordings uploaded earlier, and the WAVs
// of tovrel convert taking their recording's time.

#include "ProgramRun.h"
#include "SpeechEncoder.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

using namespace tovrel;
using tovrel::test::runTovrel;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;
using Run = tovrel::test::ProgramRun;

// Records come from the emulated telephone's own encoder, not from the program's header code.
QByteArray recording(bool longForm, int year, int month, int day, int hour, int minute)
{
    emulator::RecordFields h;
    h.longForm = longForm;
    h.year = year;
    h.month = month;
    h.day = day;
    h.hour = hour;
    h.minute = minute;
    h.number = QStringLiteral("1234567");
    return spx::makeRecording(h, QByteArray(1500, '\0'));
}

bool setTime(const QString &path, const QDateTime &time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}

QDateTime timeOf(const QString &path)
{
    return QFileInfo(path).lastModified();
}

QDateTime local(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

} // namespace

class TestCliCallTime : public QObject
{
    Q_OBJECT

private slots:
    // Each file's own time stands for its upload: a recording without a year goes to the
    // latest such date before it. A second run changes nothing.
    void touchSetsCallTimes()
    {
        TempFolder dir;
        const QDateTime uploaded = local(2026, 6, 1, 10, 0);
        struct Case
        {
            const char *name;
            QByteArray bytes;
            QDateTime expected; // invalid: left at the upload's time
        };
        const Case cases[] = {
            {"a.spx", recording(false, 0, 3, 15, 12, 30), local(2026, 3, 15, 12, 30)},
            {"b.spx", recording(false, 0, 11, 2, 9, 0), local(2025, 11, 2, 9, 0)},
            {"c.spx", recording(true, 2021, 7, 4, 8, 5), local(2021, 7, 4, 8, 5)},
            {"d.spx", recording(true, 2021, 13, 4, 8, 5), QDateTime()},
            {"e.spx", recording(false, 0, 4, 31, 8, 5), QDateTime()},
        };
        for (const Case &c : cases)
            QVERIFY(setTime(dir.write(u(c.name), c.bytes), uploaded));
        const Run r = runTovrel({u("--lang"), u("en"), u("touch"), dir.path()});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u("tovrel touch: changed 3 of 5 recording file(s)\n"));
        for (const Case &c : cases)
            QCOMPARE(timeOf(dir.file(u(c.name))), c.expected.isValid() ? c.expected : uploaded);
        const Run again = runTovrel({u("--lang"), u("en"), u("touch"), dir.path()});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, u("tovrel touch: changed 0 of 5 recording file(s)\n"));
        QCOMPARE(timeOf(dir.file(u("b.spx"))), local(2025, 11, 2, 9, 0));
    }

    // A file it may not change (another user's: the program runs as nobody) is named and the
    // run fails; the others are still changed. A folder that is not there fails too.
    void touchNamesWhatItCannotChange()
    {
        TempFolder dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
        const QString theirs = dir.write(u("a.spx"), recording(false, 0, 3, 15, 12, 30));
        QVERIFY(QFile::setPermissions(theirs, QFileDevice::Permissions(0x6644)));
        const QString mine = dir.write(u("b.spx"), recording(false, 0, 3, 16, 12, 30));
        QVERIFY(::chown(QFile::encodeName(mine).constData(), tovrel::test::kNobodyId,
                        tovrel::test::kNobodyId) == 0);
        const QDateTime uploaded = local(2026, 6, 1, 10, 0);
        QVERIFY(setTime(theirs, uploaded));
        QVERIFY(setTime(mine, uploaded));
        tovrel::test::ChildLimits asNobody;
        asNobody.asNobody = true;
        const Run r = tovrel::test::runProgram(tovrel::test::tovrelProgram(),
                                               {u("--lang"), u("en"), u("touch"), dir.path()},
                                               60000, asNobody);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u("tovrel touch: ") + theirs + u(": ")), qPrintable(r.err));
        QCOMPARE(r.err.count(u'\n'), 1);
        QCOMPARE(r.out, u("tovrel touch: changed 1 of 2 recording file(s)\n"));
        QCOMPARE(timeOf(theirs), uploaded);
        QCOMPARE(timeOf(mine), local(2026, 3, 16, 12, 30));

        const Run missing = runTovrel({u("touch"), dir.file(u("missing"))});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(!missing.err.isEmpty());
    }

    // stat of a WAV shows its recording's time, whatever the header form.
    void wavTakesRecordingTime_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::newRow("short form") << false;
        QTest::newRow("long form") << true;
    }
    void wavTakesRecordingTime()
    {
        QFETCH(bool, longForm);
        TempFolder dir;
        TempFolder out;
        const QString input = dir.write(u("a.spx"), recording(longForm, 2024, 2, 29, 7, 45));
        const QDateTime call = local(2024, 2, 29, 7, 45);
        QVERIFY(setTime(input, call));
        const Run r = runTovrel({u("convert"), u("--out"), out.path(), input});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(timeOf(out.file(u("a.spx.wav"))), call);
    }
};

QTEST_GUILESS_MAIN(TestCliCallTime)
#include "tst_cli_calltime.moc"
