// The main window's finish: titles, columns that fit, where the focus goes when its control is
// disabled, outer sizes.

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
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
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

// What a delegate paints for one cell of `text`, `width` pixels wide.
QImage paintCell(ReportListView *list, QAbstractItemDelegate *delegate, int row, int width,
                 Qt::TextElideMode mode)
{
    QImage image(width, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = QRect(0, 0, width, 20);
    option.textElideMode = mode;
    option.font = list->font();
    option.fontMetrics = list->fontMetrics();
    delegate->paint(&painter, option, list->model()->index(row, 1));
    return image;
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

    void columnsFitTheList_data()
    {
        QTest::addColumn<bool>("telephone");
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<int>("rows");
        QTest::newRow("telephone, short form") << true << false << 5;
        QTest::newRow("telephone, long form") << true << true << 5;
        QTest::newRow("telephone, long form, scrolling") << true << true << 300;
        QTest::newRow("PC, few") << false << false << 5;
        QTest::newRow("PC, scrolling") << false << false << 300;
    }

    // At the window's first size the columns start at their set widths, give way only as far
    // as needed so that 文件长度 and 时长 stay in view, and the last one takes what is left.
    void columnsFitTheList()
    {
        QFETCH(bool, telephone);
        QFETCH(bool, longForm);
        QFETCH(int, rows);
        Windows w;
        QVERIFY(w.showActive());
        if (!telephone)
            w.main->PageControl1->setCurrentWidget(w.main->TabSheetComputer);
        tovrel::test::waitForScan(&*w.main);
        ReportListView *list = telephone ? w.main->ListViewMCU : w.main->ListViewFile;
        ReportModel *model = telephone ? w.main->ListViewMCUModel : w.main->ListViewFileModel;
        if (longForm) {
            model->setColumnWidth(1, 240);
            model->setColumnWidth(2, 135);
        }
        for (int n = 1; n <= rows; ++n)
            model->appendRow(recordingRow(n, longForm));
        // The list was laid out empty while its scan ran: it lays the rows out now.
        list->doItemsLayout();
        QApplication::processEvents();

        const int available = list->viewport()->width();
        QCOMPARE(sum(list), available);
        QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
        const int set[] = {40, longForm ? 240 : 200, longForm ? 135 : 90, 110, 45, 65, 74};
        // Time, attribute and size keep their widths; the duration at least its own.
        for (int c : {0, 3, 4, 5})
            QCOMPARE(list->columnWidth(c), set[c]);
        QVERIFY(list->columnWidth(6) >= 74);
        for (int c : {1, 2}) {
            QVERIFY(list->columnWidth(c) <= set[c]);
            // Only as much as needed is given up.
            if (list->columnWidth(6) > 74)
                QCOMPARE(list->columnWidth(c), set[c]);
        }
        if (telephone)
            QVERIFY(list->columnWidth(1) >= 150);

        // Wider window: the set widths come back and the duration column takes the rest.
        w.main->resize(w.main->size() + QSize(300, 0));
        QTRY_COMPARE(list->viewport()->width(), available + 300);
        QCOMPARE(list->columnWidth(1), set[1]);
        QCOMPARE(list->columnWidth(2), set[2]);
        QCOMPARE(sum(list), list->viewport()->width());
    }

    // A column dragged by hand keeps its width: the list stops fitting, the last column still
    // takes the rest.
    void draggedColumnsAreLeftAlone()
    {
        Windows w;
        QVERIFY(w.showActive());
        ReportListView *list = w.main->ListViewMCU;
        list->horizontalHeader()->resizeSection(3, 250);
        QCOMPARE(list->columnWidth(3), 250);
        QCOMPARE(list->columnWidth(1), 200);
        QTRY_VERIFY(list->horizontalScrollBar()->maximum() > 0);
        list->horizontalHeader()->resizeSection(3, 60);
        QCOMPARE(sum(list), list->viewport()->width());
    }

    // The file-name column elides in the middle, so ".spx" stays in view; the others at the end.
    void fileNamesElideInTheMiddle()
    {
        Windows w;
        QVERIFY(w.showActive());
        for (ReportListView *list : {w.main->ListViewMCU, w.main->ListViewFile}) {
            list->reportModel()->appendRow(recordingRow(1, true));
            QAbstractItemDelegate *delegate = list->itemDelegateForColumn(1);
            QVERIFY(delegate != list->itemDelegate());
            QStyledItemDelegate plain;
            const QImage drawn = paintCell(list, delegate, 0, 90, Qt::ElideRight);
            QCOMPARE(drawn, paintCell(list, &plain, 0, 90, Qt::ElideMiddle));
            QVERIFY(drawn != paintCell(list, &plain, 0, 90, Qt::ElideRight));
            QCOMPARE(list->itemDelegateForColumn(2), nullptr);
        }
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
