// The call's date and time taken from a recording's header: the long form's own year, the
// short form's most recent year not after "now", and the dates that do not exist.

#include "recordings/CallTime.h"

#include <QTest>

using namespace tovrel;

namespace {

RecordingHeader header(bool longForm, int year, int month, int day, int hour, int minute)
{
    RecordingHeader h;
    h.longForm = longForm;
    h.year = longForm ? year : 0;
    h.month = month;
    h.day = day;
    h.hour = hour;
    h.minute = minute;
    return h;
}

QDateTime local(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

} // namespace

class TestCallTime : public QObject
{
    Q_OBJECT

private slots:
    void callDateTime_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<int>("year"); // the record's year (long form only)
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected"); // invalid: no call time

        const QDateTime none;
        const QDateTime midYear = local(2026, 6, 15, 12, 0);
        // The long form keeps its year, even one after "now".
        QTest::newRow("long") << true << 2031 << 3 << 15 << 12 << 30 << midYear
                              << local(2031, 3, 15, 12, 30);
        QTest::newRow("long 29 February of a leap year")
            << true << 2024 << 2 << 29 << 8 << 5 << midYear << local(2024, 2, 29, 8, 5);
        QTest::newRow("long 29 February of another year")
            << true << 2023 << 2 << 29 << 8 << 5 << midYear << none;
        QTest::newRow("long 31 April") << true << 2026 << 4 << 31 << 8 << 5 << midYear << none;
        QTest::newRow("long 23:59")
            << true << 2026 << 12 << 31 << 23 << 59 << midYear << local(2026, 12, 31, 23, 59);
        for (const int month : {0, 13, 15}) {
            QTest::addRow("long month %d", month)
                << true << 2026 << month << 1 << 8 << 5 << midYear << none;
            QTest::addRow("short month %d", month)
                << false << 0 << month << 1 << 8 << 5 << midYear << none;
        }
        QTest::newRow("day 0") << false << 0 << 5 << 0 << 8 << 5 << midYear << none;
        QTest::newRow("hour 24") << true << 2026 << 5 << 1 << 24 << 0 << midYear << none;
        QTest::newRow("hour 31") << false << 0 << 5 << 1 << 31 << 0 << midYear << none;
        QTest::newRow("minute 60") << true << 2026 << 5 << 1 << 8 << 60 << midYear << none;
        QTest::newRow("minute 63") << false << 0 << 5 << 1 << 8 << 63 << midYear << none;

        // The short form: this year unless that lies after "now".
        QTest::newRow("short earlier this year")
            << false << 0 << 3 << 15 << 12 << 30 << midYear << local(2026, 3, 15, 12, 30);
        QTest::newRow("short later this year is last year")
            << false << 0 << 11 << 2 << 9 << 0 << midYear << local(2025, 11, 2, 9, 0);
        QTest::newRow("short same day, a minute later, is last year")
            << false << 0 << 6 << 15 << 12 << 1 << midYear << local(2025, 6, 15, 12, 1);
        QTest::newRow("short exactly now")
            << false << 0 << 6 << 15 << 12 << 0 << midYear << local(2026, 6, 15, 12, 0);
        // Around New Year: a call on New Year's Eve uploaded just after midnight.
        const QDateTime newYear = local(2027, 1, 1, 0, 30);
        QTest::newRow("short New Year's Eve after midnight")
            << false << 0 << 12 << 31 << 23 << 59 << newYear << local(2026, 12, 31, 23, 59);
        QTest::newRow("short New Year 00:29")
            << false << 0 << 1 << 1 << 0 << 29 << newYear << local(2027, 1, 1, 0, 29);
        QTest::newRow("short New Year 00:31 is a year ago")
            << false << 0 << 1 << 1 << 0 << 31 << newYear << local(2026, 1, 1, 0, 31);
        // 29 February goes back to the latest leap year not after "now".
        QTest::newRow("short 29 February") << false << 0 << 2 << 29 << 10 << 0
                                           << local(2027, 3, 1, 0, 0) << local(2024, 2, 29, 10, 0);
        QTest::newRow("short 29 February on the day")
            << false << 0 << 2 << 29 << 10 << 0 << local(2028, 2, 29, 11, 0)
            << local(2028, 2, 29, 10, 0);
        QTest::newRow("short 29 February before it came")
            << false << 0 << 2 << 29 << 12 << 0 << local(2028, 2, 29, 11, 0)
            << local(2024, 2, 29, 12, 0);
        // 2100 is no leap year: eight years back.
        QTest::newRow("short 29 February across 2100")
            << false << 0 << 2 << 29 << 10 << 0 << local(2103, 6, 1, 0, 0)
            << local(2096, 2, 29, 10, 0);
        QTest::newRow("short 31 April") << false << 0 << 4 << 31 << 8 << 5 << midYear << none;
        QTest::newRow("short 30 February") << false << 0 << 2 << 30 << 8 << 5 << midYear << none;
    }
    void callDateTime()
    {
        QFETCH(bool, longForm);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        const auto got =
            tovrel::callDateTime(header(longForm, year, month, day, hour, minute), now);
        if (!expected.isValid()) {
            QVERIFY2(!got, qPrintable(got ? got->toString(Qt::ISODate) : QString()));
            return;
        }
        QVERIFY(got.has_value());
        QCOMPARE(*got, expected);
        QCOMPARE(got->timeSpec(), Qt::LocalTime);
    }
};

QTEST_GUILESS_MAIN(TestCallTime)
#include "tst_calltime.moc"
