// The windows read a slow folder (our FUSE file system, waiting in every call) on a thread of
// their own: events are handled and rows come while the folder is read, a click on "停止查询"
// ends the search long before the folder would have been read, and a new scan replaces one
// still running.

#include "ListExport.h"
#include "ListingRun.h"
#include "SearchFixtures.h"
#include "SkipOutsideCi.h"
#include "SlowFolder.h"
#include "StartupWindows.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"

#include "report/ReportModel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tovrel;
using namespace tovrel::test;

namespace {

// Enough files that reading them through the delays takes many seconds.
constexpr int kFiles = 300;
constexpr int kDelayMs = 10;

struct Windows : StartupWindows
{
    Windows()
    {
        main->TimerPlayer->stop();
        main->TimerUSBConnect->stop();
    }
    void start(bool search, const QString &folder)
    {
        if (search) {
            find->setSearchFolder(folder);
            find->BtnFindClick();
        } else {
            main->EditInput->setText(folder);
            main->TabSheetComputerShow();
        }
    }
    bool running(bool search) const { return search ? find->isSearching() : main->isScanning(); }
    int rows(bool search) const
    {
        return (search ? find->FindListViewModel : main->ListViewFileModel)->rowCount();
    }
};

} // namespace

class TestSlowFolders : public QObject
{
    Q_OBJECT

private:
    TempFolder m_source;
    std::unique_ptr<SlowFolder> m_slow;

private slots:
    void initTestCase()
    {
        for (int i = 0; i < kFiles; ++i)
            m_source.write(QStringLiteral("d%1/%2.spx").arg(i % 3).arg(i, 4, 10, QLatin1Char('0')),
                           shortRecord(i % 3, 3, 5, 10, 15, "138", 5000));
        m_slow = std::make_unique<SlowFolder>(m_source.path(), kDelayMs);
        if (!m_slow->isMounted())
            TOVREL_SKIP_OUTSIDE_CI("FUSE cannot mount here");
    }
    void cleanupTestCase() { m_slow.reset(); }

    void answersWhileReading_data()
    {
        QTest::addColumn<bool>("search");
        QTest::newRow("PC list") << false;
        QTest::newRow("search") << true;
    }
    void answersWhileReading()
    {
        QFETCH(bool, search);
        Windows w;
        // The PC list reads one folder: the first of the three.
        const QString folder = m_slow->path() + (search ? QString() : QStringLiteral("d0/"));
        w.start(search, folder);
        QVERIFY(w.running(search));
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(w.rows(search) > 0, 20000);
        QVERIFY(w.running(search));
        const int seen = ticks;
        QTRY_VERIFY(ticks > seen + 5);
        QVERIFY2(w.running(search), "the timer was to tick while the folder was still read");
    }

    void stopKeepsRowsFound()
    {
        Windows w;
        w.start(true, m_slow->path());
        QCOMPARE(w.find->BtnFind->text(), u("停止查询"));
        QTRY_VERIFY_WITH_TIMEOUT(w.rows(true) >= 5, 20000);
        w.find->BtnFind->click();
        QTRY_VERIFY(!w.find->isSearching());
        QVERIFY2(w.rows(true) < kFiles / 2, "the stop was to end the walk early");
        QCOMPARE(w.find->BtnFind->text(), u("查询"));
        QVERIFY(w.find->statusText().startsWith(u("查询已停止 总计录音文件:")));
        QVERIFY(w.messages.texts().isEmpty());
        // Closing the window during a search stops it and returns once it has ended.
        w.find->BtnFindClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.rows(true) > 0, 20000);
        w.find->BtnCanelClick();
        QVERIFY(!w.find->isSearching());
        QVERIFY(w.rows(true) < kFiles / 2);
    }

    // The list export writes on a thread of its own: the window's timers run while the slow
    // folder is looked at (it refuses the workbook: it is read only).
    void exportLeavesTimersRunning()
    {
        Windows w;
        int ticks = 0;
        int ticksAtResult = -1;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(0);
        w.messages.setOnShow([&](const Message &) { ticksAtResult = ticks; });
        QVERIFY(!exportListWithMessages(w.messages, *w.main->ListViewMCU,
                                        m_slow->path() + QStringLiteral("list.xls")));
        QVERIFY(ticksAtResult > 0);
    }

    void newScanReplacesRunningOne()
    {
        Windows w;
        TempFolder fast;
        fast.write(QStringLiteral("only.spx"), shortRecord(0, 1, 2, 3, 4, "5", 0));
        w.start(false, m_slow->path() + QStringLiteral("d1/"));
        QTRY_VERIFY_WITH_TIMEOUT(w.rows(false) > 0, 20000);
        w.start(false, fast.path());
        QTRY_VERIFY(!w.main->isScanning());
        // The replaced scan has ended and gone, and nothing it read was listed.
        QTRY_COMPARE(w.main->findChildren<ListingRun *>().size(), 1);
        QCOMPARE(w.rows(false), 1);
        QCOMPARE(w.main->ListViewFileModel->row(0).cells.value(1), u("only.spx"));
    }
};

QTEST_MAIN(TestSlowFolders)
#include "tst_slowfolders.moc"
