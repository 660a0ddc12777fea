// The lists' derived cells as a user reads them in a locale other than Chinese.

#include "TestText.h"

#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

using namespace tovrel;
using tovrel::test::u;

Q_DECLARE_METATYPE(tovrel::RecordingCellValues)

class TestRecordingCells : public QObject
{
    Q_OBJECT

private slots:
    void shownTimes_data()
    {
        QTest::addColumn<QLocale::Language>("language");
        QTest::addColumn<RecordingCellValues>("values");
        QTest::addColumn<QString>("shown");
        const RecordingCellValues march{0, 3, 15, 21, 5, 0, 0};
        RecordingCellValues withYear = march;
        withYear.year = 2026;
        const RecordingCellValues noDate{0, 15, 0, 7, 63, 0, 0};
        QTest::newRow("English") << QLocale::English << march << u("3/15 9:05 PM");
        QTest::newRow("English, year") << QLocale::English << withYear << u("3/15/26 9:05 PM");
        QTest::newRow("German") << QLocale::German << march << u("15.03 21:05");
        QTest::newRow("no real date") << QLocale::English << noDate << u(" 15月00日 07:63 ");
        QTest::newRow("Chinese") << QLocale::Chinese << march << u(" 03月15日 21:05 ");
    }
    void shownTimes()
    {
        QFETCH(QLocale::Language, language);
        QFETCH(RecordingCellValues, values);
        QLocale::setDefault(QLocale(language, QLocale::AnyTerritory));
        QTEST(recordingCellText(RecordingCell::Time, values, Wording::Shown), "shown");
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestRecordingCells)
#include "tst_recordingcells.moc"
