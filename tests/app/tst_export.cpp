// The export entry points offscreen: the main window's "导出列表" and the export dialog, with
// their guards, path rules and boxes; the workbooks they write are read back with libfreexl.

#include "ListExport.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "SpeechFixtures.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "activity/ActivityFlags.h"
#include "export/SpreadsheetExport.h"
#include "report/RecordingColumns.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::TempFolder;
using tovrel::test::TestSandbox;

Q_DECLARE_METATYPE(tovrel::MessageIcon)

namespace {

using tovrel::test::u;

// The windows as start-up builds them, plus a report list like the search window's as the
// search results stand-in.
struct Windows : tovrel::test::StartupWindows
{
    ReportModel *results = nullptr;
    ReportListView *resultsView = nullptr;

    Windows()
    {
        find->setExportForm(exportForm);
        results = new ReportModel(find);
        results->setColumns({{u("文件名")},
                             {u("电话号码")},
                             {u("时间")},
                             {u("时长")},
                             {u("属性")},
                             {u("文件路径")}});
        resultsView = new ReportListView(find);
        resultsView->setReportModel(results);
    }
};

QStringList telephoneRow(int n)
{
    return {QString::number(n), QStringLiteral("0315123%1_000%1_x.spx").arg(n),
            u("0755123"),       u(" 03月15日 12:30 "),
            u("来电"),          u("1K"),
            u("2 秒")};
}

QList<QStringList> readBack(const QString &path)
{
    QString error;
    const auto sheets = tovrel::test::readXls(path, &error);
    if (!error.isEmpty())
        qWarning() << error;
    return sheets.value(0).rows;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

const QString kFinished = u("导出 Excel 结束！");

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<Windows> m_w;
    QString m_dir;

private slots:
    void init()
    {
        m_sandbox = std::make_unique<TestSandbox>();
        m_dir = m_sandbox->folder().path() + u("out/");
        QVERIFY(QDir().mkpath(m_dir));
        m_w = std::make_unique<Windows>();
    }
    void cleanup()
    {
        m_w.reset();
        m_sandbox.reset();
    }

    // The window's list and the command line write the same sheet: captions and font.
    void telephoneListMatchesTheCommandLine()
    {
        QStringList captions;
        for (const ReportColumn &c : m_w->main->ListViewMCUModel->columns())
            captions.append(c.caption);
        QCOMPARE(captions, recordingListCaptions());
        const SheetFont font = sheetFontOf(m_w->main->ListViewMCU);
        QCOMPARE(font.name, listFont().name);
        QCOMPARE(font.pointSize, listFont().pointSize);
    }

    void mainExportGuards_data()
    {
        QTest::addColumn<int>("play");
        QTest::addColumn<int>("convertSelected");
        QTest::addColumn<int>("convertAll");
        QTest::addColumn<QString>("message");
        QTest::newRow("playing") << int(PlayPlaying) << 0 << 0 << u("请先停止播放！");
        QTest::newRow("paused") << int(PlayPaused) << 0 << 0 << u("请先停止播放！");
        QTest::newRow("converting selected") << int(PlayStopped) << 1 << 0 << u("请先停止转换！");
        QTest::newRow("converting all") << int(PlayStopped) << 0 << 1 << u("请先停止转换！");
        QTest::newRow("playing and converting: playback first")
            << int(PlayPlaying) << 1 << 0 << u("请先停止播放！");
    }
    void mainExportGuards()
    {
        QFETCH(int, play);
        QFETCH(int, convertSelected);
        QFETCH(int, convertAll);
        QFETCH(QString, message);
        m_w->main->EditSave->setText(QDir::toNativeSeparators(m_dir));
        PlayStateFlag = play;
        ConvertSelectedFlag = convertSelected;
        ConvertAllFlag = convertAll;
        m_w->main->BitBtnExportClick();
        PlayStateFlag = PlayStopped;
        ConvertSelectedFlag = 0;
        ConvertAllFlag = 0;
        QCOMPARE(m_w->messages.messages().size(), 1);
        const Message box = m_w->messages.messages().first();
        QCOMPARE(box.text, message);
        QCOMPARE(box.caption, u("Waring"));
        QCOMPARE(box.icon, MessageIcon::Warning);
        QVERIFY(m_w->main->EditFileList->isEnabled());
        QCOMPARE(entries(m_dir), QStringList());
    }

    void mainExportPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folderWithSeparator");
        QTest::addColumn<QString>("file");
        QTest::newRow("designer name") << u("电话列表List") << true << u("电话列表List.xls");
        QTest::newRow("empty name") << QString() << true << u("FileInfoList.xls");
        QTest::newRow(".xls appended in every case") << u("a.xls") << true << u("a.xls.xls");
        QTest::newRow("folder without its separator") << u("b") << false << u("b.xls");
    }
    void mainExportPath()
    {
        QFETCH(QString, name);
        QFETCH(bool, folderWithSeparator);
        QFETCH(QString, file);
        TMainForm &main = *m_w->main;
        main.EditSave->setText(
            QDir::toNativeSeparators(folderWithSeparator ? m_dir : m_dir.chopped(1)));
        main.EditFileList->setText(name);
        main.ListViewMCUModel->appendRows({{telephoneRow(1), 0}, {telephoneRow(2), 1}});
        bool disabledMeanwhile = false;
        m_w->messages.setOnShow(
            [&](const Message &) { disabledMeanwhile = !main.EditFileList->isEnabled(); });
        QTest::mouseClick(main.BitBtnExport, Qt::LeftButton);
        QCOMPARE(m_w->messages.messages().size(), 1);
        const Message box = m_w->messages.messages().first();
        QCOMPARE(box.text, kFinished);
        QCOMPARE(box.caption, u("导出 Excel "));
        QCOMPARE(box.icon, MessageIcon::Information);
        QVERIFY(disabledMeanwhile);
        QVERIFY(main.EditFileList->isEnabled());
        QCOMPARE(entries(m_dir), QStringList{file});
        QCOMPARE(readBack(m_dir + file),
                 (QList<QStringList>{recordingListCaptions(), telephoneRow(1), telephoneRow(2)}));
    }

    void mainExportOfEmptyListGivesHeaderOnly()
    {
        m_w->main->EditSave->setText(QDir::toNativeSeparators(m_dir));
        m_w->main->BitBtnExportClick();
        QCOMPARE(m_w->messages.texts(), QStringList{kFinished});
        QCOMPARE(readBack(m_dir + u("电话列表List.xls")),
                 QList<QStringList>{recordingListCaptions()});
    }

    void mainExportToMissingFolderFails()
    {
        m_w->main->EditSave->setText(QDir::toNativeSeparators(m_dir + u("missing/")));
        m_w->main->BitBtnExportClick();
        QCOMPARE(m_w->messages.messages().size(), 1);
        const Message box = m_w->messages.messages().first();
        QCOMPARE(box.caption, u("导出 Excel"));
        QCOMPARE(box.icon, MessageIcon::Error);
        QVERIFY2(box.text.contains(u("目录不存在")), qPrintable(box.text));
        QVERIFY(m_w->main->EditFileList->isEnabled());
        QCOMPARE(entries(m_dir), QStringList());
    }

    void existingFileQuestion_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK replaces") << true;
        QTest::newRow("Cancel keeps") << false;
    }
    void existingFileQuestion()
    {
        QFETCH(bool, ok);
        QFile old(m_dir + u("电话列表List.xls"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        m_w->main->EditSave->setText(QDir::toNativeSeparators(m_dir));
        m_w->messages.answerNext(ok ? MessageAnswer::Ok : MessageAnswer::Cancel);
        m_w->main->BitBtnExportClick();
        const QList<Message> boxes = m_w->messages.messages();
        QCOMPARE(boxes.size(), 2);
        // A confirmation of the warning type: the caption a warning dialog carries, OK/Cancel.
        QCOMPARE(boxes[0].text, u("文件已经存在,是否删除?"));
        QCOMPARE(boxes[0].caption, u("警告"));
        QCOMPARE(boxes[0].icon, MessageIcon::Warning);
        QCOMPARE(boxes[0].buttons, MessageButtons::OkCancel);
        if (ok) {
            QCOMPARE(boxes[1].text, kFinished);
            QCOMPARE(readBack(old.fileName()), QList<QStringList>{recordingListCaptions()});
        } else {
            QCOMPARE(boxes[1].text, u("放弃操作"));
            QCOMPARE(boxes[1].caption, u("Waring"));
            QCOMPARE(boxes[1].icon, MessageIcon::Warning);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("old"));
        }
        QCOMPARE(entries(m_dir), QStringList{u("电话列表List.xls")});
    }

    // The search window's export fills the dialog afresh each time.
    void dialogIsFilledForSearchResults()
    {
        TExportForm1 &dialog = *m_w->exportForm;
        QCOMPARE(dialog.windowTitle(), u("导出结果到Excel"));
        dialog.PathSetEdit->setText(u("/elsewhere/"));
        dialog.FileNameEdit->setText(u("typed"));
        dialog.prepareForSearchResults(m_w->resultsView, m_dir);
        QCOMPARE(dialog.PathSetEdit->text(), m_dir);
        QCOMPARE(dialog.FileNameEdit->text(), u("查找结果.xls"));

        // Shown modally until closed with "退出".
        QTimer::singleShot(0, &dialog, [&dialog] {
            QVERIFY(dialog.isVisible());
            QTest::mouseClick(dialog.BtnCanel, Qt::LeftButton);
        });
        dialog.showForSearchResults(m_w->resultsView, m_dir);
        QVERIFY(!dialog.isVisible());
    }

    // The search window's "导出" shows the dialog for its own result list and search folder:
    // what OK writes is that list.
    void searchWindowExportsItsResults()
    {
        TFindForm &find = *m_w->find;
        find.setSearchFolder(m_dir);
        find.FindListViewModel->appendRow(
            {{u("a.spx"), u("0138"), u(" 03月15日 12:30 "), u("2秒"), u("来电"), m_dir}, {}});
        TExportForm1 &dialog = *m_w->exportForm;
        dialog.FileNameEdit->setText(u("typed"));
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&] {
            shown = dialog.isVisible();
            QCOMPARE(dialog.PathSetEdit->text(), m_dir);
            QCOMPARE(dialog.FileNameEdit->text(), u("查找结果.xls"));
            dialog.BtnOKClick();
            QTest::mouseClick(dialog.BtnCanel, Qt::LeftButton);
        });
        QTest::mouseClick(find.BtnExport, Qt::LeftButton);
        QVERIFY(shown);
        const QList<QStringList> rows = readBack(m_dir + u("查找结果.xls"));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).value(0), u("a.spx"));
        QCOMPARE(rows.at(1).value(1), u("0138"));
        QCOMPARE(rows.at(0).value(5), u("文件路径"));
    }

    // "同时导出录音" starts unticked; ticked, OK also copies each found recording into the
    // folder named after the workbook, and the workbook's last column 文件 names that copy.
    void dialogExportsTheRecordings_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::newRow("unticked") << false;
        QTest::newRow("ticked") << true;
    }
    void dialogExportsTheRecordings()
    {
        QFETCH(bool, tick);
        TFindForm &find = *m_w->find;
        TempFolder source;
        const QByteArray bytes(19 + 1200, '\x11');
        const QString recording = source.write(u("x/a.spx"), bytes);
        source.write(u("y/a.spx"), bytes + "2");
        find.setSearchFolder(m_dir);
        for (const char *sub : {"x/", "y/"})
            find.FindListViewModel->appendRow({{u("a.spx"), u("0138"), u(" 03月15日 12:30 "),
                                                u("1秒"), u("来电"), source.file(u(sub))},
                                               source.file(u(sub)) + u("a.spx")});
        TExportForm1 &dialog = *m_w->exportForm;
        QTimer::singleShot(0, &dialog, [&] {
            QVERIFY(!dialog.CheckBoxAudio->isChecked());
            QCOMPARE(dialog.CheckBoxAudio->text(), u("同时导出录音"));
            if (tick)
                QTest::mouseClick(dialog.CheckBoxAudio, Qt::LeftButton, {},
                                  QPoint(6, dialog.CheckBoxAudio->height() / 2));
            QCOMPARE(dialog.CheckBoxAudio->isChecked(), tick);
            QTest::mouseClick(dialog.BtnOK, Qt::LeftButton);
            QTest::mouseClick(dialog.BtnCanel, Qt::LeftButton);
        });
        QTest::mouseClick(find.BtnExport, Qt::LeftButton);
        QCOMPARE(m_w->messages.texts(), QStringList{kFinished});

        const QList<QStringList> rows = readBack(m_dir + u("查找结果.xls"));
        QCOMPARE(rows.size(), 3);
        if (!tick) {
            QCOMPARE(rows.at(0).size(), 6);
            QCOMPARE(entries(m_dir), QStringList{u("查找结果.xls")});
            return;
        }
        QCOMPARE(rows.at(0).value(6), u("文件"));
        QCOMPARE(rows.at(1).value(6), u("查找结果/a.spx"));
        QCOMPARE(rows.at(2).value(6), u("查找结果/a (2).spx"));
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                       QDir::Name),
                 (QStringList{u("查找结果"), u("查找结果.xls")}));
        QFile first(m_dir + rows.at(1).value(6));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), bytes);
        QFile second(m_dir + rows.at(2).value(6));
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), bytes + "2");
        QVERIFY(QFileInfo::exists(recording));
    }

    // With the recordings the export converts into the stored format the search window shows;
    // WAV (also for a value no format takes) copies them.
    void recordingsInTheChosenFormat_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("file");
        QTest::newRow("flac") << QByteArray("flac") << u("FLAC") << u("a.spx.flac");
        QTest::newRow("mp3") << QByteArray("MP3\nBitrate=24") << u("MP3 24 kbit/s")
                             << u("a.spx.mp3");
        QTest::newRow("refused") << QByteArray("mp3\nBitrate=20") << u("WAV") << u("a.spx");
        QTest::newRow("unknown") << QByteArray("ogg") << u("WAV") << u("a.spx");
    }
    void recordingsInTheChosenFormat()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(QString, file);
        QFile ini(sysconf::settingsPath());
        QVERIFY(QDir().mkpath(QFileInfo(ini).path()) && ini.open(QIODevice::WriteOnly));
        ini.write("[Convert]\nFormat=" + stored + "\n");
        ini.close();
        TFindForm &find = *m_w->find;
        find.show();
        const QComboBox *format = find.findChild<QComboBox *>(u("ComboFormat"));
        QCOMPARE(format ? format->currentText() : QString(), shown);
        TempFolder source;
        find.FindListViewModel->appendRow(
            {{u("a.spx"), u("1"), u("t"), u("1秒"), u("来电"), source.path()},
             source.write(u("a.spx"), test::speechRecording({}, 1000))});
        m_w->exportForm->prepareForSearchResults(find.FindListView, m_dir);
        m_w->exportForm->CheckBoxAudio->setChecked(true);
        m_w->exportForm->BtnOKClick();
        QCOMPARE(QDir(m_dir + u("查找结果")).entryList(QDir::Files), QStringList{file});
    }

    void dialogNameRule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("file");
        QTest::newRow("name without extension")
            << u("results") << u("results.xls") << u("results.xls");
        QTest::newRow("name with .xls") << u("results.xls") << u("results.xls") << u("results.xls");
        QTest::newRow(".xls anywhere") << u("a.xls.bak") << u("a.xls.bak") << u("a.xls.bak");
        QTest::newRow(".xlsx stays") << u("report.xlsx") << u("report.xlsx") << u("report.xlsx");
        QTest::newRow("case-sensitive")
            << u("report.XLS") << u("report.XLS.xls") << u("report.XLS.xls");
        QTest::newRow("empty name") << QString() << QString() << u("查找结果.xls");
    }
    void dialogNameRule()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, file);
        TExportForm1 &dialog = *m_w->exportForm;
        m_w->results->appendRow(
            {{u("a.spx"), u("0123"), u("t"), u("1秒"), u("来电"), u("/x/")}, {}});
        dialog.prepareForSearchResults(m_w->resultsView, QDir::toNativeSeparators(m_dir));
        dialog.FileNameEdit->setText(typed);
        dialog.show();
        bool disabledMeanwhile = false;
        m_w->messages.setOnShow(
            [&](const Message &) { disabledMeanwhile = !dialog.FileNameEdit->isEnabled(); });
        QTest::mouseClick(dialog.BtnOK, Qt::LeftButton);
        QVERIFY(disabledMeanwhile);
        QCOMPARE(dialog.FileNameEdit->text(), shown);
        QVERIFY(dialog.FileNameEdit->isEnabled());
        QVERIFY(dialog.isVisible()); // the dialog stays open after an export
        QCOMPARE(m_w->messages.texts(), QStringList{kFinished});
        QCOMPARE(entries(m_dir), QStringList{file});
        QString error;
        const QList<QStringList> rows = file.endsWith(u(".xlsx"))
                                            ? tovrel::test::readXlsx(m_dir + file, &error).rows
                                            : readBack(m_dir + file);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1][1], u("0123"));
        dialog.close();
    }

    void dialogRefusals_data()
    {
        QTest::addColumn<bool>("withRows");
        QTest::addColumn<QString>("folder"); // relative to the test's folder
        QTest::addColumn<QString>("message");
        QTest::newRow("empty list, good folder") << false << u("out/") << u("列表空！");
        QTest::newRow("empty list before a wrong folder")
            << false << u("missing/") << u("列表空！");
        QTest::newRow("missing folder") << true << u("missing/") << u("目录设置错误！");
        QTest::newRow("a file, not a folder") << true << u("out/file") << u("目录设置错误！");
        QTest::newRow("empty folder text") << true << QString() << u("目录设置错误！");
    }
    void dialogRefusals()
    {
        QFETCH(bool, withRows);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QFile file(m_dir + u("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (withRows)
            m_w->results->appendRow({{u("a.spx")}, {}});
        TExportForm1 &dialog = *m_w->exportForm;
        dialog.prepareForSearchResults(
            m_w->resultsView, folder.isEmpty() ? QString() : m_sandbox->folder().path() + folder);
        dialog.BtnOKClick();
        QCOMPARE(m_w->messages.messages().size(), 1);
        const Message box = m_w->messages.messages().first();
        QCOMPARE(box.text, message);
        QCOMPARE(box.caption, u("Error"));
        QCOMPARE(box.icon, MessageIcon::None);
        QVERIFY(dialog.FileNameEdit->isEnabled());
        QCOMPARE(entries(m_dir), QStringList{u("file")});
    }

    // A typed folder without its closing separator: the workbook goes into that folder.
    void dialogAddsTheSeparator()
    {
        m_w->results->appendRow({{u("a.spx")}, {}});
        TExportForm1 &dialog = *m_w->exportForm;
        dialog.prepareForSearchResults(m_w->resultsView, m_dir.chopped(1));
        dialog.BtnOKClick();
        QCOMPARE(m_w->messages.texts(), QStringList{kFinished});
        QCOMPARE(entries(m_dir), QStringList{u("查找结果.xls")});
    }

    void dialogFolderButton()
    {
        TExportForm1 &dialog = *m_w->exportForm;
        dialog.prepareForSearchResults(m_w->resultsView, u("/start/"));
        m_w->pickerAnswer = u("/chosen");
        QTest::mouseClick(dialog.BtnPathSet, Qt::LeftButton);
        QCOMPARE(m_w->pickerPrompts, QStringList{u("请选择目录:")});
        QCOMPARE(m_w->pickerPreselections, QStringList{u("/start/")});
        QCOMPARE(dialog.PathSetEdit->text(), QDir::toNativeSeparators(u("/chosen/")));
        // The root keeps its one separator.
        m_w->pickerAnswer = QDir::rootPath();
        dialog.BtnPathSetClick();
        QCOMPARE(dialog.PathSetEdit->text(), QDir::toNativeSeparators(QDir::rootPath()));
        // Cancel changes nothing.
        m_w->pickerAnswer.reset();
        dialog.BtnPathSetClick();
        QCOMPARE(dialog.PathSetEdit->text(), QDir::toNativeSeparators(QDir::rootPath()));
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
