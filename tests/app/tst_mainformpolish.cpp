// The main window's finish: titles, columns that fit, where the focus goes when its control is
// disabled, outer sizes.

#include "ContactColumn.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"

#include "report/ReportModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::TestSandbox;

namespace {

using tovrel::test::u;

struct Windows : tovrel::test::StartupWindows
{
    Windows()
    {
        main->TimerUSBConnect->stop();
        main->TimerPlayer->stop();
    }

    bool showActive()
    {
        main->show();
        QApplication::setActiveWindow(main.get());
        return QTest::qWaitForWindowActive(main.get());
    }
};

ReportRow recordingRow(int n, bool longForm)
{
    const QString name = longForm
                             ? u("12241805_%1_013912345678901.spx").arg(n, 4, 10, QLatin1Char('0'))
                             : u("12241805_%1_110.spx").arg(n, 4, 10, QLatin1Char('0'));
    return {{QString::number(n), name, u("13912345678"), u(" 12月24日 18:05 "), u("来电"), u("12K"),
             u("11 秒")},
            n - 1};
}

int sum(const ReportListView *list)
{
    int total = 0;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        total += list->columnWidth(c);
    return total;
}

} // namespace

class TestMainFormPolish : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;

private slots:
    void init() { m_sandbox = std::make_unique<TestSandbox>(); }
    void cleanup() { m_sandbox.reset(); }

    void columnsShowTheirTexts_data()
    {
        QTest::addColumn<bool>("telephone");
        QTest::addColumn<bool>("longForm");
        QTest::newRow("telephone, short form") << true << false;
        QTest::newRow("telephone, long form") << true << true;
        QTest::newRow("PC, short form") << false << false;
        QTest::newRow("PC, long form") << false << true;
    }

    // With the contact column (and the PC list's note column) at the window's first size, no
    // column of the list's own is narrower than its longest text: the list scrolls sideways
    // instead. A wider window widens the name and number columns; the others keep their widths.
    void columnsShowTheirTexts()
    {
        QFETCH(bool, telephone);
        QFETCH(bool, longForm);
        Windows w;
        QVERIFY(w.showActive());
        if (!telephone)
            w.main->PageControl1->setCurrentWidget(w.main->TabSheetComputer);
        tovrel::test::waitForScan(&*w.main);
        ReportListView *list = telephone ? w.main->ListViewMCU : w.main->ListViewFile;
        ReportModel *model = list->reportModel();
        ContactColumn contacts(model, 2);
        contacts.show(std::make_shared<const ContactBook>(
            QList<Contact>{{u("Wang Xiaoming"), {u("13912345678")}}}));
        model->setColumnWidth(1, longForm ? 240 : 200);
        model->setColumnWidth(2, longForm ? 135 : 90);
        for (int n = 1; n <= 5; ++n)
            model->appendRow({contacts.named(recordingRow(n, longForm).cells) << u("a note"), n});
        // The list was laid out empty while its scan ran: it lays the rows out now.
        list->doItemsLayout();
        QApplication::processEvents();
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list);
        const auto narrowest = [&](int c) {
            int needed = 0;
            for (int r = 0; r < model->rowCount(); ++r)
                needed = qMax(needed, list->fontMetrics().horizontalAdvance(
                                          model->index(r, c).data().toString()));
            return needed + 2 * margin + 3;
        };
        QList<int> before;
        for (int c = 0; c < model->columnCount(); ++c) {
            before.append(list->columnWidth(c));
            if (c != 3 && c < 8)
                QVERIFY2(
                    before[c] >= narrowest(c),
                    qPrintable(u("column %1: %2 < %3").arg(c).arg(before[c]).arg(narrowest(c))));
        }
        w.main->resize(w.main->size() + QSize(300, 0));
        QTRY_VERIFY(sum(list) >= list->viewport()->width() && list->columnWidth(1) > before[1]);
        QVERIFY(list->columnWidth(2) > before[2]);
        for (int c : {0, 4, 5, 6, 7})
            QCOMPARE(list->columnWidth(c), before[c]);
    }

    // A column a user drags keeps its width at the next start (SysConf.ini).
    void draggedWidthSurvivesRestart_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("column");
        QTest::newRow("telephone list, time") << u("ListViewMCU") << 3;
        QTest::newRow("PC list, name") << u("ListViewFile") << 1;
        QTest::newRow("search results, kind") << u("FindListView") << 4;
    }
    void draggedWidthSurvivesRestart()
    {
        QFETCH(QString, list);
        QFETCH(int, column);
        const auto view = [&](Windows &w) {
            QWidget *window =
                list == u("FindListView") ? static_cast<QWidget *>(w.find) : w.main.get();
            return window->findChild<ReportListView *>(list);
        };
        {
            Windows w;
            QVERIFY(w.showActive());
            view(w)->horizontalHeader()->resizeSection(column, 173);
            QCOMPARE(view(w)->columnWidth(column), 173);
        }
        Windows w;
        QVERIFY(w.showActive());
        QCOMPARE(view(w)->columnWidth(column), 173);
        QVERIFY(view(w)->columnWidth(column == 1 ? 2 : 1) != 173);
    }

    void focusLeavesADisabledButton_data()
    {
        QTest::addColumn<bool>("telephone");
        QTest::addColumn<bool>("listEnabled");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<QString>("expected");
        QTest::newRow("telephone: to the list")
            << true << true << u("BitBtnUploadAll") << u("ListViewMCU");
        QTest::newRow("telephone: list off, next button")
            << true << false << u("BitBtnUploadAll") << u("BitBtnRefersh");
        QTest::newRow("PC: to the list")
            << false << true << u("BitBtnPlayStart") << u("ListViewFile");
        // Past the page's last button, its first one (the folder button).
        QTest::newRow("PC: list off, next button")
            << false << false << u("BitBtn5") << u("BitBtn3");
        QTest::newRow("PC: list off, play to pause")
            << false << false << u("BitBtnPlayStart") << u("BitBtnPlayPause");
    }

    void focusLeavesADisabledButton()
    {
        QFETCH(bool, telephone);
        QFETCH(bool, listEnabled);
        QFETCH(QString, disabled);
        QFETCH(QString, expected);
        Windows w;
        QVERIFY(w.showActive());
        QWidget *page = telephone ? w.main->TabSheetMCU : w.main->TabSheetComputer;
        w.main->PageControl1->setCurrentWidget(page);
        for (QPushButton *b : page->findChildren<QPushButton *>())
            b->setEnabled(true);
        (telephone ? w.main->ListViewMCU : w.main->ListViewFile)->setEnabled(listEnabled);
        // Buttons between the disabled one and the expected one are off too.
        if (!telephone) {
            for (QPushButton *b : {w.main->BitBtnOutput})
                b->setEnabled(false);
        } else {
            w.main->BitBtnSave->setEnabled(false);
        }
        auto *button = page->findChild<QPushButton *>(disabled);
        QVERIFY(button);
        button->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), button);

        button->setEnabled(false);
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), expected);
        QVERIFY(!w.main->EditSave->hasSelectedText());
        QVERIFY(!w.main->EditFileList->hasSelectedText());
        QVERIFY(!w.main->EditSave->hasFocus());
    }

    void frameReportedAfterShowing_data()
    {
        QTest::addColumn<bool>("resizedFirst");
        QTest::newRow("designed size") << false;
        QTest::newRow("resized by the user before") << true;
    }

    // A window manager tells the frame only once the window is up (here: a window shown without
    // a frame gets one). The outer sizes then hold the frame, the bottom buttons stay put.
    void frameReportedAfterShowing()
    {
        QFETCH(bool, resizedFirst);
        Windows w;
        w.main->setWindowFlag(Qt::FramelessWindowHint, true);
        QVERIFY(w.showActive());
        QCOMPARE(w.main->frameGeometry().size(), QSize(666, 685));
        const QList<QPushButton *> buttons{w.main->BitBtnRefersh, w.main->BitBtnExport,
                                           w.main->BitBtnUpload, w.main->BitBtnUploadAll};
        const int lefts[] = {34, 200, 362, 532};
        // Shown without any resize: the buttons already stand where the rule puts them.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(buttons[i]->x(), lefts[i]);
        if (resizedFirst) {
            w.main->resize(700, 600);
            QTRY_COMPARE(w.main->size(), QSize(700, 600));
        }

        // The frame comes as the window manager puts the window into it, which moves it.
        w.main->setWindowFlag(Qt::FramelessWindowHint, false);
        QVERIFY(w.showActive());
        w.main->move(w.main->pos() + QPoint(2, 23));
        QTRY_VERIFY(!w.main->windowHandle()->frameMargins().isNull());
        const QMargins margins = w.main->windowHandle()->frameMargins();
        const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
        QVERIFY2(frame.width() > 0 || frame.height() > 0,
                 qPrintable(QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height())));
        QCOMPARE(w.main->minimumSize() + frame, QSize(550, 450));
        if (resizedFirst) {
            QCOMPARE(w.main->size(), QSize(700, 600));
            return;
        }
        QTRY_COMPARE(w.main->frameGeometry().size(), QSize(666, 685));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(buttons[i]->x(), lefts[i]);
    }

    // At the minimum width the four buttons stay inside the tab and clear of each other.
    void bottomButtonsInsideTheTabAtTheMinimum()
    {
        Windows w;
        QVERIFY(w.showActive());
        w.main->resize(300, 200);
        QTRY_COMPARE(w.main->frameGeometry().width(), 550);
        QTRY_VERIFY(w.main->TabSheetMCU->width() < 530);
        const QList<QPushButton *> buttons{w.main->BitBtnRefersh, w.main->BitBtnExport,
                                           w.main->BitBtnUpload, w.main->BitBtnUploadAll};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(buttons[i]->x() >= 0);
            QVERIFY(buttons[i]->geometry().right() < w.main->TabSheetMCU->width() - 1);
            if (i > 0)
                QVERIFY(buttons[i]->x() > buttons[i - 1]->geometry().right());
        }
    }

    // Titles are the captions alone.
    void titlesAreTheCaptions()
    {
        // The caption before showing is checked with the other captions in test_mainform.
        Windows w;
        QVERIFY(w.showActive());
        QCOMPARE(w.main->windowHandle()->title(), u("Tovrel录音电话PC管理软件"));
    }
};

QTEST_MAIN(TestMainFormPolish)
#include "tst_mainformpolish.moc"
