#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"

#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::TempFolder;
using tovrel::test::TestSandbox;

namespace {

using tovrel::test::u;

using Windows = tovrel::test::StartupWindows;

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;
    const TempFolder *m_dir = nullptr;

private slots:
    void init()
    {
        m_sandbox = std::make_unique<TestSandbox>();
        m_dir = &m_sandbox->folder();
    }
    void cleanup() { m_sandbox.reset(); }

    void windowsAndCaptions()
    {
        Windows w;
        QCOMPARE(w.main->windowTitle(), u("Tovrel录音电话PC管理软件"));
        QCOMPARE(w.password->windowTitle(), u("USB已成功连接－请输入四位密码"));
        QCOMPARE(w.find->windowTitle(), u("查询窗口"));
        QCOMPARE(w.exportForm->windowTitle(), u("导出结果到Excel"));
        QCOMPARE(w.main->size(), QSize(666, 685));
        QCOMPARE(w.main->pos(), QPoint(410, 48));
        QCOMPARE(w.main->PageControl1->count(), 2);
        QCOMPARE(w.main->PageControl1->tabText(0), u("录音电话机"));
        QCOMPARE(w.main->PageControl1->tabText(1), u("PC机"));
        QCOMPARE(w.main->PageControl1->currentWidget(), w.main->TabSheetMCU);
        QVERIFY(w.main->USBComboBox->isHidden());
        QVERIFY(!w.main->BitBtnConnect->isEnabled());
        QVERIFY(w.main->TimerUSBConnect->isActive());
        QCOMPARE(w.main->TimerUSBConnect->interval(), 800);
        QVERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.main->TimerPlayer->interval(), 800);
        QCOMPARE(w.main->TrackBar1->minimum(), 0);
        QCOMPARE(w.main->TrackBar1->maximum(), 25);
        QVERIFY(!w.main->EditInput->isEnabled());
        QVERIFY(w.main->EditSave->isReadOnly());
        QVERIFY(!w.main->EditOutput->isEnabled());
        QVERIFY(w.main->EditOutput->text().isEmpty());
        QCOMPARE(w.main->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w.main->font().pixelSize(), 11);
        QCOMPARE(w.main->PageControl1->font().families().value(0), u("宋体"));
        QCOMPARE(w.main->PageControl1->font().pixelSize(), 12);
        QCOMPARE(w.main->EditSave->font().pixelSize(), 12);
        QCOMPARE(w.main->ListViewFile->font().pixelSize(), 12);
    }

    void buttonTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("connect") << "BitBtnConnect" << u("USB 未连接");
        QTest::newRow("find") << "FindBtn" << u("查询");
        QTest::newRow("exit") << "ButtonExit" << u("退出系统");
        QTest::newRow("list") << "BitBtnRefersh" << u("上传列表");
        QTest::newRow("export") << "BitBtnExport" << u("导出列表");
        QTest::newRow("upload") << "BitBtnUpload" << u("上传选择");
        QTest::newRow("upload all") << "BitBtnUploadAll" << u("上传全部");
        QTest::newRow("convert selected") << "BitBtn4" << u("转换选择");
        QTest::newRow("convert all") << "BitBtn5" << u("转换全部");
        QTest::newRow("save folder") << "BitBtnSave" << QString();
        QTest::newRow("pc folder") << "BitBtn3" << QString();
        QTest::newRow("output folder") << "BitBtnOutput" << QString();
        QTest::newRow("play") << "BitBtnPlayStart" << QString();
        QTest::newRow("pause") << "BitBtnPlayPause" << QString();
        QTest::newRow("stop") << "BitBtnPlayStop" << QString();
        QTest::newRow("previous") << "BitBtn2" << QString();
        QTest::newRow("next") << "BitBtn1" << QString();
    }

    void buttonTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        Windows w;
        auto *button = w.main->findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->text(), text);
    }

    void otherControls()
    {
        Windows w;
        QCOMPARE(w.main->GroupBox1->title(), u("保存位置"));
        QCOMPARE(w.main->GroupBox3->title(), u("转换WAV文件"));
        QCOMPARE(w.main->EditFileList->text(), u("电话列表List"));
        QCOMPARE(w.main->LabelUpload->text(), u("上传进度   "));
        QCOMPARE(w.main->Label9->text(), u("当前目录："));
        QCOMPARE(w.main->Label3->text(), u("00:00:00"));
        QCOMPARE(w.main->Label5->text(), u("/"));
        QCOMPARE(w.main->Label4->text(), u("00:00:00"));
        for (QProgressBar *bar : {w.main->ProgressBarUploadPacket, w.main->ProgressBarUpload,
                                  w.main->ProgressBar1, w.main->ProgressBar2}) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
        }
        const QStringList captions{u("序号"), u("文件名"),   u("电话号码  "), u("时间"),
                                   u("属性"), u("文件长度"), u("时长   ")};
        for (ReportModel *model : {w.main->ListViewMCUModel, w.main->ListViewFileModel}) {
            for (int c = 0; c < 7; ++c)
                QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        }
        // The PC list shows the recordings' notes last; the telephone's list has none.
        QCOMPARE(w.main->ListViewMCUModel->columnCount(), 7);
        QCOMPARE(w.main->ListViewFileModel->columnCount(), 8);
        QCOMPARE(w.main->ListViewFileModel->headerData(7, Qt::Horizontal).toString(), u("备注"));
        QCOMPARE(w.main->ListViewFile->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(w.main->ListViewFile->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(w.main->ListViewMCU->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(w.main->ListViewMCU->showGrid());
    }

    void telephoneColumnLimits_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("held");
        QTest::newRow("file name too wide") << 1 << 400 << 300;
        QTest::newRow("file name too narrow") << 1 << 100 << 150;
        QTest::newRow("file name within") << 1 << 240 << 240;
        QTest::newRow("number too wide") << 2 << 300 << 250;
        QTest::newRow("number too narrow") << 2 << 10 << 50;
        QTest::newRow("time has no limit") << 3 << 500 << 500;
    }

    void telephoneColumnLimits()
    {
        QFETCH(int, column);
        QFETCH(int, dragged);
        QFETCH(int, held);
        Windows w;
        w.main->ListViewMCU->horizontalHeader()->resizeSection(column, dragged);
        QCOMPARE(w.main->ListViewMCU->columnWidth(column), held);
        // The PC list has no such limits.
        QHeaderView *fileHeader = w.main->ListViewFile->horizontalHeader();
        fileHeader->resizeSection(column, dragged);
        QCOMPARE(w.main->ListViewFile->columnWidth(column),
                 qMax(dragged, fileHeader->minimumSectionSize()));
    }

    void clearingAndSetWidthsKeepDraggedWidths()
    {
        Windows w;
        ReportModel *model = w.main->ListViewFileModel;
        model->appendRow(
            {{QStringLiteral("1"), QStringLiteral("a.spx")}, QStringLiteral("/a.spx")});
        w.main->ListViewFile->horizontalHeader()->resizeSection(3, 180);
        w.main->ListViewFile->horizontalHeader()->resizeSection(1, 260);
        model->clear();
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(w.main->ListViewFile->columnWidth(3), 180);
        // A width set by the list's own rule applies to a column no user dragged; a dragged one
        // keeps the user's width.
        model->setColumnWidth(1, 200);
        model->setColumnWidth(4, 70);
        QCOMPARE(w.main->ListViewFile->columnWidth(1), 260);
        QTRY_COMPARE(w.main->ListViewFile->columnWidth(4), 70);
    }

    void resizeRule_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("lefts");
        QTest::newRow("666") << 666 << QList<int>{34, 200, 362, 532};
        QTest::newRow("600") << 600 << QList<int>{26, 176, 322, 476};
        // The last quarter would reach over the tab's right edge (the tab is 526 wide with the
        // 2-pixel frame of this platform): the button is held 2 pixels inside it.
        QTest::newRow("minimum") << 550 << QList<int>{20, 157, 290, 427};
        QTest::newRow("1001") << 1001 << QList<int>{76, 326, 572, 826};
    }

    void resizeRule()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, lefts);
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        const int frame = w.main->frameGeometry().width() - w.main->width();
        w.main->resize(width - frame, 685);
        QTRY_COMPARE(w.main->frameGeometry().width(), width);
        const QList<QPushButton *> buttons{w.main->BitBtnRefersh, w.main->BitBtnExport,
                                           w.main->BitBtnUpload, w.main->BitBtnUploadAll};
        const QList<int> widths{97, 97, 105, 97};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(buttons[i]->width(), widths[i]);
            QCOMPARE(buttons[i]->x(), lefts[i]);
        }
    }

    void anchorsFollowResize()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QTRY_COMPARE(w.main->frameGeometry().size(), QSize(666, 685));
        const QSize windowBefore = w.main->size();
        const QRect listBefore = w.main->ListViewMCU->geometry();
        const QRect exitBefore = w.main->ButtonExit->geometry();
        const int barGapBefore =
            w.main->TabSheetMCU->height() - w.main->ProgressBarUpload->geometry().bottom();
        w.main->resize(windowBefore + QSize(200, 100));
        QTRY_COMPARE(w.main->size(), windowBefore + QSize(200, 100));
        QCOMPARE(w.main->ListViewMCU->width(), listBefore.width() + 200);
        QCOMPARE(w.main->ListViewMCU->height(), listBefore.height() + 100);
        QCOMPARE(w.main->ButtonExit->x(), exitBefore.x() + 200);
        QCOMPARE(w.main->ButtonExit->y(), exitBefore.y());
        QCOMPARE(w.main->TabSheetMCU->height() - w.main->ProgressBarUpload->geometry().bottom(),
                 barGapBefore);
    }

    void minimumSize()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        w.main->resize(300, 200);
        // Outer sizes: the frame (none offscreen) counts towards the minimum.
        const QSize frame = w.main->frameGeometry().size() - w.main->size();
        QCOMPARE(w.main->minimumSize() + frame, QSize(550, 450));
        QTRY_VERIFY(w.main->frameGeometry().width() >= 550 &&
                    w.main->frameGeometry().height() >= 450);
    }

    void startWithoutSettingsFile()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QTRY_COMPARE(w.main->frameGeometry().size(), QSize(666, 685));
        QCOMPARE(w.main->EditSave->text(), sysconf::defaultRecordFolder());
        QCOMPARE(w.main->EditInput->text(), sysconf::defaultRecordFolder());
        QVERIFY(!QFile::exists(m_dir->file(QStringLiteral("SysConf.ini"))));
    }

    // A stored folder without a trailing separator gets one where it is read, so upload, PC
    // list and conversion all build their paths inside it.
    void startWithStoredFolderWithoutSeparator()
    {
        m_dir->write(QStringLiteral("SysConf.ini"),
                     "[LocalConfig]\nLocalFileBackupPath=/srv/calls\n");
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QCOMPARE(w.main->EditSave->text(), QStringLiteral("/srv/calls/"));
        QCOMPARE(w.main->EditInput->text(), QStringLiteral("/srv/calls/"));
    }

    void saveFolderChosen()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        w.pickerAnswer = QStringLiteral("/data/calls");
        QTest::mouseClick(w.main->BitBtnSave, Qt::LeftButton);
        QCOMPARE(w.pickerPrompts, QStringList{u("请选择目录:")});
        QCOMPARE(w.pickerPreselections, QStringList{QDir::rootPath()});
        QCOMPARE(w.main->EditSave->text(), QStringLiteral("/data/calls/"));
        QCOMPARE(w.main->EditInput->text(), QStringLiteral("/data/calls/"));
        QCOMPARE(sysconf::readLocalFileBackupPath(), QStringLiteral("/data/calls/"));

        // A root keeps its one separator.
        w.pickerAnswer = QStringLiteral("/");
        QTest::mouseClick(w.main->BitBtnSave, Qt::LeftButton);
        QCOMPARE(w.main->EditSave->text(), QStringLiteral("/"));
        QVERIFY(w.messages.messages().isEmpty());
    }

    void folderButtonsCancelled()
    {
        m_dir->write(QStringLiteral("SysConf.ini"), "[LocalConfig]\nLocalFileBackupPath=/a/\n");
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        w.main->EditOutput->setText(QStringLiteral("/out/"));
        const QByteArray settingsBefore = m_dir->read(QStringLiteral("SysConf.ini"));
        w.pickerAnswer.reset();
        QTest::mouseClick(w.main->BitBtnSave, Qt::LeftButton);
        QTest::mouseClick(w.main->BitBtnOutput, Qt::LeftButton);
        QCOMPARE(w.pickerPrompts.size(), 2);
        QCOMPARE(w.main->EditSave->text(), QStringLiteral("/a/"));
        QCOMPARE(w.main->EditInput->text(), QStringLiteral("/a/"));
        QCOMPARE(w.main->EditOutput->text(), QStringLiteral("/out/"));
        QCOMPARE(m_dir->read(QStringLiteral("SysConf.ini")), settingsBefore);
    }

    void outputFolderChosen()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        w.pickerAnswer = QStringLiteral("/wav out");
        QTest::mouseClick(w.main->BitBtnOutput, Qt::LeftButton);
        QCOMPARE(w.pickerPreselections, QStringList{w.main->EditSave->text()});
        QCOMPARE(w.main->EditOutput->text(), QStringLiteral("/wav out/"));
        QVERIFY(!QFile::exists(m_dir->file(QStringLiteral("SysConf.ini"))));
    }

    void settingsWriteFailureKeepsPcFolder()
    {
        QDir(m_dir->path()).mkpath(QStringLiteral("SysConf.ini")); // cannot be written as a file
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        const QString before = w.main->EditInput->text();
        w.pickerAnswer = QStringLiteral("/new");
        QTest::mouseClick(w.main->BitBtnSave, Qt::LeftButton);
        QCOMPARE(w.main->EditSave->text(), QStringLiteral("/new/"));
        QCOMPARE(w.main->EditInput->text(), before);
        const auto messages = w.messages.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Unable to write to ") + sysconf::settingsPath());
        QCOMPARE(messages[0].icon, MessageIcon::Error);
    }

    void searchGuards_data()
    {
        QTest::addColumn<int>("uploading");
        QTest::addColumn<int>("play");
        QTest::addColumn<int>("convertSelected");
        QTest::addColumn<int>("convertAll");
        QTest::addColumn<QString>("message");
        QTest::newRow("upload") << 1 << 0 << 0 << 0 << u("请先停止上传！");
        QTest::newRow("playing") << 0 << 2 << 0 << 0 << u("请先停止播放！");
        QTest::newRow("paused") << 0 << 1 << 0 << 0 << u("请先停止播放！");
        QTest::newRow("convert selected") << 0 << 0 << 1 << 0 << u("请先停止转换！");
        QTest::newRow("convert all") << 0 << 0 << 0 << 1 << u("请先停止转换！");
        QTest::newRow("upload and playing") << 1 << 2 << 0 << 0 << u("请先停止上传！");
        QTest::newRow("playing and converting") << 0 << 2 << 0 << 1 << u("请先停止播放！");
    }

    void searchGuards()
    {
        QFETCH(int, uploading);
        QFETCH(int, play);
        QFETCH(int, convertSelected);
        QFETCH(int, convertAll);
        QFETCH(QString, message);
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        w.find->setSearchFolder(QStringLiteral("/untouched/"));
        Uploading = uploading;
        PlayStateFlag = play;
        ConvertSelectedFlag = convertSelected;
        ConvertAllFlag = convertAll;
        QTest::mouseClick(w.main->FindBtn, Qt::LeftButton);
        const auto messages = w.messages.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Waring"));
        QCOMPARE(messages[0].icon, MessageIcon::Warning);
        QCOMPARE(messages[0].text, message);
        QVERIFY(!w.find->isVisible());
        QCOMPARE(w.find->FindPathEdit->text(), QStringLiteral("/untouched/"));
        QVERIFY(w.main->TimerPlayer->isActive());
    }

    void searchOpensModallyWithFolder()
    {
        m_dir->write(QStringLiteral("SysConf.ini"), "[LocalConfig]\nLocalFileBackupPath=/calls/\n");
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        bool timerStoppedWhileOpen = false;
        bool wasModal = false;
        QTimer::singleShot(50, w.find, [&] {
            timerStoppedWhileOpen = !w.main->TimerPlayer->isActive();
            wasModal = w.find->isVisible() && w.find->isModal();
            w.find->reject();
        });
        QTest::mouseClick(w.main->FindBtn, Qt::LeftButton);
        QVERIFY(wasModal);
        QVERIFY(timerStoppedWhileOpen);
        QVERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.find->FindPathEdit->text(), QStringLiteral("/calls/"));
        QCOMPARE(w.find->searchFolder(), QStringLiteral("/calls/"));
        QVERIFY(w.messages.messages().isEmpty());
    }

    void searchWithoutRecordingFolderStartsAtDefault()
    {
        m_dir->write(QStringLiteral("SysConf.ini"), "[LocalConfig]\nLocalFileBackupPath=\n");
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QVERIFY(w.main->EditSave->text().isEmpty());
        QTimer::singleShot(0, w.find, [&] { w.find->reject(); });
        QTest::mouseClick(w.main->FindBtn, Qt::LeftButton);
        QCOMPARE(w.find->searchFolder(), sysconf::defaultRecordFolder());
        QCOMPARE(w.find->FindPathEdit->text(), sysconf::defaultRecordFolder());
    }

    void exitCloses()
    {
        Windows w;
        w.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QTest::mouseClick(w.main->ButtonExit, Qt::LeftButton);
        QVERIFY(!w.main->isVisible());
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
