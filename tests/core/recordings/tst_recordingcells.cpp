// The lists' derived cells as a user reads them in a locale other than Chinese, and the order
// they sort in: by the recording's values, never by the texts.

#include "TestText.h"

#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSortFilterProxyModel>
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

    // Sorted through the model's sort value, 9 s comes before 10 s, March before December.
    void sortsByValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("time") << 0;
        QTest::newRow("duration") << 1;
    }
    void sortsByValue()
    {
        QFETCH(int, column);
        // "12/24 ..." before "3/15 ..." as texts.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ReportModel model;
        model.setColumns({{u("时间"), 100, Qt::AlignLeft, 0, 0, RecordingCell::Time},
                          {u("时长"), 100, Qt::AlignLeft, 0, 0, RecordingCell::Duration}});
        for (const RecordingCellValues &v :
             {RecordingCellValues{0, 12, 24, 18, 5, 0, 9000}, {0, 3, 15, 9, 5, 0, 8000}})
            model.appendRow({{}, {}, {}, v});
        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&model);
        sorted.setSortRole(ReportModel::SortRole);
        sorted.sort(column);
        QCOMPARE(sorted.index(0, 1).data().toString(), u("9 秒"));
        QCOMPARE(sorted.index(1, 1).data().toString(), u("10 秒"));
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestRecordingCells)
#include "tst_recordingcells.moc"
