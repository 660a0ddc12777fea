#include "ProgramRun.h"
#include "ReportListView.h"
#include "StartupWindows.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"

#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <memory>

using namespace tovrel;
using tovrel::test::TempFolder;
using tovrel::test::TestSandbox;

namespace {

using tovrel::test::u;

// Records come from the emulated telephone's own encoder, not from the program's header code.
emulator::RecordFields header(bool longForm, int minute)
{
    emulator::RecordFields h;
    h.longForm = longForm;
    h.attribute = 0; // incoming
    h.month = 7;
    h.day = 8;
    h.hour = 10;
    h.minute = minute;
    h.year = 2026;
    h.number = u("8008208820");
    return h;
}

QByteArray speechRecording(bool longForm, int milliseconds, unsigned seed = 1)
{
    return test::speechRecording(header(longForm, 1), milliseconds, seed);
}

// The windows as start-up builds them; the folder window the program would open is recorded.
struct Window : tovrel::test::StartupWindows
{
    QStringList openedFolders;

    Window()
        : StartupWindows([this](AppContext &context) {
              context.openFolder = [this](const QString &folder) { openedFolders.append(folder); };
          })
    {
        main->TimerPlayer->stop();
        main->TimerUSBConnect->stop();
    }

    ReportModel *model() const { return main->ListViewFileModel; }
    int nameWidth() const { return model()->columns()[1].width; }
    int numberWidth() const { return model()->columns()[2].width; }

    void showTab()
    {
        main->PageControl1->setCurrentWidget(main->TabSheetMCU);
        main->PageControl1->setCurrentWidget(main->TabSheetComputer);
        tovrel::test::waitForScan(&*main);
    }
    void listFolder(const QString &folder)
    {
        main->EditInput->setText(folder);
        showTab();
    }
    bool converting() const { return ConvertSelectedFlag.load() || ConvertAllFlag.load(); }
    bool idle() const
    {
        return !converting() && main->BitBtn4->text() == u("转换选择") &&
               main->BitBtn5->text() == u("转换全部") && main->BitBtn4->isEnabled() &&
               main->BitBtn5->isEnabled();
    }
};

} // namespace

class TestComputerTab : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;

private slots:
    void init() { m_sandbox = std::make_unique<TestSandbox>(); }
    void cleanup() { m_sandbox.reset(); }

    void tabShowListsTheFolder()
    {
        TempFolder dir;
        dir.write(u("b.spx"), spx::makeRecording(header(false, 2), QByteArray(1000, 'x')));
        dir.write(u("a 甲.spx"), emulator::encodeRecord(header(false, 1)));
        dir.write(u("readme.txt"), "x");
        Window w;
        w.listFolder(dir.path());
        QCOMPARE(w.model()->rowCount(), 2);
        QCOMPARE(w.model()->row(0).cells,
                 QStringList({u("1"), u("a 甲.spx"), u("8008208820"), u(" 07月08日 10:01 "),
                              u("来电"), u("0K"), u("0 秒"), QString()}));
        QCOMPARE(w.model()->row(1).cells[0], u("2"));
        QCOMPARE(w.model()->row(1).cells[5], u("1K"));
        QCOMPARE(w.model()->row(1).key.toString(), dir.file(u("b.spx")));
        QVERIFY(w.messages.texts().isEmpty());
    }

    void columnWidths_data()
    {
        QTest::addColumn<QStringList>("forms"); // header form of each file in name order
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("tab, all short") << QStringList{u("s"), u("s")} << false << 200 << 90;
        QTest::newRow("tab, long last") << QStringList{u("s"), u("l")} << false << 240 << 135;
        QTest::newRow("tab, long then short") << QStringList{u("l"), u("s")} << false << 200 << 90;
        QTest::newRow("button, long then short")
            << QStringList{u("l"), u("s")} << true << 240 << 135;
        QTest::newRow("button, all short") << QStringList{u("s")} << true << 200 << 90;
    }

    void columnWidths()
    {
        QFETCH(QStringList, forms);
        QFETCH(bool, byButton);
        TempFolder dir;
        for (int i = 0; i < forms.size(); ++i)
            dir.write(QString::asprintf("%d.spx", i),
                      emulator::encodeRecord(header(forms[i] == u("l"), i)));
        Window w;
        if (byButton) {
            w.pickerAnswer = dir.path().chopped(1);
            w.main->BitBtn3Click();
            tovrel::test::waitForScan(&*w.main);
        } else {
            w.listFolder(dir.path());
        }
        QCOMPARE(w.model()->rowCount(), forms.size());
        QTEST(w.nameWidth(), "name");
        QTEST(w.numberWidth(), "number");
    }

    void buttonWidthsStayWide()
    {
        TempFolder wide;
        wide.write(u("1.spx"), emulator::encodeRecord(header(true, 1)));
        TempFolder narrow;
        narrow.write(u("1.spx"), emulator::encodeRecord(header(false, 1)));
        Window w;
        w.pickerAnswer = wide.path();
        w.main->BitBtn3Click();
        tovrel::test::waitForScan(&*w.main);
        w.pickerAnswer = narrow.path();
        w.main->BitBtn3Click();
        tovrel::test::waitForScan(&*w.main);
        QCOMPARE(w.nameWidth(), 240);
        QCOMPARE(w.numberWidth(), 135);
        w.showTab(); // a scan by showing the tab follows the last file's form
        QCOMPARE(w.nameWidth(), 200);
        QCOMPARE(w.numberWidth(), 90);
    }

    void folderButton()
    {
        TempFolder dir;
        dir.write(u("x.spx"), emulator::encodeRecord(header(false, 1)));
        Window w;
        w.main->EditSave->setText(u("/save/"));
        w.pickerAnswer = dir.path().chopped(1);
        w.main->BitBtn3Click();
        tovrel::test::waitForScan(&*w.main);
        QCOMPARE(w.pickerPreselections.last(), u("/save/"));
        QCOMPARE(w.main->EditInput->text(), dir.path());
        QCOMPARE(w.model()->rowCount(), 1);

        w.pickerAnswer.reset(); // cancelled: nothing changes
        w.main->BitBtn3Click();
        tovrel::test::waitForScan(&*w.main);
        QCOMPARE(w.pickerPreselections.last(), dir.path());
        QCOMPARE(w.main->EditInput->text(), dir.path());
        QCOMPARE(w.model()->rowCount(), 1);
    }

    // An empty folder and a folder that is gone each say what they are.
    void nothingToList_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("no recording files") << u("empty/") << u("此目录没有任何可支持的文件！");
        QTest::newRow("missing folder") << u("missing/") << u("文件夹不存在!");
    }

    void nothingToList()
    {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        TempFolder dir;
        dir.write(u("full/1.spx"), emulator::encodeRecord(header(false, 1)));
        dir.write(u("empty/1.wav"), "x");
        Window w;
        w.listFolder(dir.file(u("full/")));
        QCOMPARE(w.model()->rowCount(), 1);
        w.listFolder(dir.file(folder));
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(w.messages.messages().size(), 1);
        QCOMPARE(w.messages.messages()[0].caption, u("Waring"));
        QCOMPARE(w.messages.messages()[0].icon, MessageIcon::Warning);
        QCOMPARE(w.messages.texts()[0], message);

        // No current folder: showing the tab leaves the list alone.
        w.listFolder(dir.file(u("full/")));
        w.listFolder(QString());
        QCOMPARE(w.model()->rowCount(), 1);
        QCOMPARE(w.messages.texts().size(), 1);
    }

    void startRules_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("playState");
        QTest::addColumn<bool>("haveOutput");
        QTest::addColumn<bool>("haveSelection");
        QTest::addColumn<QString>("message");
        for (bool selected : {true, false}) {
            const char *which = selected ? "selected, " : "all, ";
            QTest::addRow("%splaying", which)
                << selected << int(PlayPlaying) << true << true << u("请先停止播放文件！");
            QTest::addRow("%spaused", which)
                << selected << int(PlayPaused) << false << false << u("请先停止播放文件！");
            QTest::addRow("%sno output folder", which)
                << selected << int(PlayStopped) << false << true << u("请选择转换的输出目录！");
        }
        QTest::newRow("selected, no selection")
            << true << int(PlayStopped) << true << false << u("请选择需要转换的文件！");
    }

    void startRules()
    {
        QFETCH(bool, selected);
        QFETCH(int, playState);
        QFETCH(bool, haveOutput);
        QFETCH(bool, haveSelection);
        QFETCH(QString, message);
        TempFolder dir;
        dir.write(u("1.spx"), speechRecording(false, 1000));
        Window w;
        w.listFolder(dir.path());
        if (haveOutput)
            w.main->EditOutput->setText(dir.file(u("out/")));
        if (haveSelection)
            w.main->ListViewFile->selectRow(0);
        PlayStateFlag.store(playState);
        selected ? w.main->BitBtn4Click() : w.main->BitBtn5Click();
        QCOMPARE(w.messages.texts(), QStringList{message});
        QVERIFY(!w.converting());
        QVERIFY(w.idle());
    }

    void convertAllWithEmptyList()
    {
        TempFolder dir;
        Window w;
        w.listFolder(dir.path());
        w.messages.clear();
        w.main->EditOutput->setText(dir.path());
        w.main->BitBtn5Click();
        QCOMPARE(w.messages.texts(), QStringList{u("此目录没有任何可支持的文件！")});
        QVERIFY(w.idle());
        QVERIFY(w.openedFolders.isEmpty());
    }

    void convertSelected()
    {
        TempFolder dir;
        TempFolder out;
        dir.write(u("1.spx"), speechRecording(false, 1500, 1));
        dir.write(u("2.spx"), speechRecording(true, 1500, 2));
        dir.write(u("3 录音.spx"), speechRecording(true, 2600, 3));
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(out.path());
        w.main->ListViewFile->selectRow(0);
        w.main->ListViewFile->selectionModel()->select(
            w.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        w.main->BitBtn4Click();
        QCOMPARE(ConvertSelectedFlag.load(), 1);
        QCOMPARE(w.main->BitBtn4->text(), u("停止转换"));
        for (QPushButton *b : {w.main->BitBtnPlayStart, w.main->BitBtnPlayPause,
                               w.main->BitBtnPlayStop, w.main->BitBtn1, w.main->BitBtn2,
                               w.main->BitBtn3, w.main->BitBtnOutput, w.main->BitBtn5})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QVERIFY(w.main->BitBtn4->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("转换选择文件成功！")});
        QCOMPARE(w.openedFolders, QStringList{out.path()});
        QCOMPARE(out.read(u("1.spx.wav")).size(), 44 + 3 * 8000);
        QVERIFY(!QFile::exists(out.file(u("2.spx.wav"))));
        QCOMPARE(out.read(u("3 录音.spx.wav")).size(), 44 + 5 * 8000);
        for (QPushButton *b : {w.main->BitBtnPlayStart, w.main->BitBtn1, w.main->BitBtn2,
                               w.main->BitBtn3, w.main->BitBtnOutput, w.main->BitBtn5})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(w.main->ProgressBar1->value(), 0);
        QCOMPARE(w.main->ProgressBar2->value(), 0);
        QCOMPARE(w.main->Label10->text(), QString());
        // The run's bar counted the chunks of the selected files.
        QCOMPARE(w.main->ProgressBar2->maximum(), 3 + 5);
    }

    // A name that is not valid UTF-8 (GBK "测试") is listed, shown with U+FFFD, and its row
    // converts, the run's bar counting its size.
    void nameNotUtf8()
    {
        TempFolder dir;
        TempFolder out;
        const QByteArray bytes = speechRecording(false, 1500, 4);
        test::BytesNamedFile gbk(dir.path(), "\xb2\xe2\xca\xd4.spx", bytes);
        QVERIFY(gbk.isValid());
        Window w;
        w.listFolder(dir.path());
        QCOMPARE(w.messages.texts(), QStringList{});
        QCOMPARE(w.model()->rowCount(), 1);
        const QString shown = QString(4, QChar::ReplacementCharacter) + u(".spx");
        QCOMPARE(w.model()->row(0).cells[1], shown);
        w.main->EditOutput->setText(out.path());
        w.main->ListViewFile->selectRow(0);
        w.main->BitBtn4Click();
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("转换选择文件成功！")});
        QCOMPARE(out.read(shown + u(".wav")).size(), 44 + 3 * 8000);
        QCOMPARE(w.main->ProgressBar2->maximum(), int((bytes.size() - 19) / 500));
    }

    void convertAllClearsSelection()
    {
        TempFolder dir;
        TempFolder out;
        dir.write(u("a.spx"), speechRecording(false, 1000, 1));
        dir.write(u("b.spx"), speechRecording(false, 1000, 2));
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(out.path());
        w.main->ListViewFile->selectRow(1);
        w.main->BitBtn5Click();
        QVERIFY(w.main->ListViewFile->selectedRows().isEmpty());
        QCOMPARE(w.main->BitBtn5->text(), u("停止转换"));
        QVERIFY(!w.main->BitBtn4->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("转换全部文件成功！")});
        QCOMPARE(w.openedFolders.size(), 1);
        QVERIFY(QFile::exists(out.file(u("a.spx.wav"))));
        QVERIFY(QFile::exists(out.file(u("b.spx.wav"))));
        // The run's bar counted the chunks of the listed files.
        QCOMPARE(w.main->ProgressBar2->maximum(), 2 + 2);
    }

    // 转换全部 converts into the group's format, the call in its tags (the contact from the user's
    // book); the choice is shown again when the window reopens.
    void convertsIntoTheChosenFormat_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("read");
        QTest::newRow("opus 24") << u("Opus 24 kbit/s") << u("a.spx.opus") << u("OggOpus 0");
        QTest::newRow("mp3 32") << u("MP3 32 kbit/s") << u("a.spx.mp3") << u("MP3 32");
    }
    void convertsIntoTheChosenFormat()
    {
        QFETCH(QString, entry);
        QFETCH(QString, file);
        QFETCH(QString, read);
        TempFolder dir, out;
        dir.write(u("a.spx"), speechRecording(false, 1000));
        m_sandbox->folder().write(
            u("config/tovrel/contacts.vcf"),
            "BEGIN:VCARD\r\nFN:\xe5\xbc\xa0\xe4\xb8\x89\r\nTEL:8008208820\r\nEND:VCARD\r\n");
        {
            Window w;
            w.listFolder(dir.path());
            w.main->EditOutput->setText(out.path());
            auto *format = w.main->findChild<QComboBox *>(u("ComboFormat"));
            QVERIFY(format && format->findText(entry) >= 0);
            format->setCurrentIndex(format->findText(entry));
            w.main->BitBtn5Click();
            QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{file});
        // Mutagen's reading: the kind, an MP3's kbit/s (else 0), "title|artist".
        const char *script =
            "import sys, mutagen\nf = mutagen.File(sys.argv[1]); t = f.tags; id3 = 'TIT2' in t\n"
            "get = lambda k, i: str(t[i]) if id3 else t[k][0]\n"
            "print(type(f).__name__, f.info.bitrate // 1000 if id3 else 0, get('title', 'TIT2') + "
            "'|' + get('artist', 'TPE1'))";
        QCOMPARE(test::runProgram(u("/usr/bin/python3"), {u("-c"), u(script), out.file(file)})
                     .out.trimmed(),
                 read + u(" 来电 8008208820 张三|张三"));
        QCOMPARE(Window().main->findChild<QComboBox *>(u("ComboFormat"))->currentText(), entry);
    }

    // A stop drops the WAV in hand and the later ones: the earlier WAV of its name stays byte
    // for byte, nothing is announced. Files not converted whole are named at the end.
    void stopMidRun()
    {
        TempFolder dir;
        TempFolder out;
        // About two hours of (silent) speech frames: far more than a test waits for.
        dir.write(u("long.spx"), spx::makeRecording(header(false, 1), QByteArray(8000000, '\0')));
        dir.write(u("a cut.spx"), speechRecording(false, 1000).left(19 + 750));
        dir.write(u("next.spx"), speechRecording(false, 1000));
        out.write(u("long.spx.wav"), "earlier");
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(out.path());
        w.main->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(
            w.main->Label11->text() == u("long.spx") && w.main->ProgressBar1->value() > 0, 20000);
        QCOMPARE(w.main->ProgressBar1->maximum(), 16000);
        w.main->BitBtn5Click(); // stop
        QCOMPARE(ConvertAllFlag.load(), 0);
        // Until the worker has ended, the button takes no new start.
        w.main->BitBtn5Click();
        QCOMPARE(ConvertAllFlag.load(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(
            w.messages.texts(),
            QStringList{u("以下文件没有完整转换：\na cut.spx：不是完整的录音（文件不完整：缺少 "
                          "250 字节），WAV 只含能转换的部分")});
        QVERIFY(w.openedFolders.isEmpty());
        QCOMPARE(out.read(u("long.spx.wav")), QByteArray("earlier"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u("a cut.spx.wav"), u("long.spx.wav")}));
        QCOMPARE(w.main->ProgressBar2->value(), 0);
        QCOMPARE(w.main->Label11->text(), QString());
    }

    // The run's bar stands at its end when the last file is done, as the success message shows,
    // whatever the headers and the pieces under a chunk at the files' ends.
    void runBarEndsFull_data()
    {
        QTest::addColumn<bool>("all");
        QTest::newRow("convert selected") << false;
        QTest::newRow("convert all") << true;
    }
    void runBarEndsFull()
    {
        QFETCH(bool, all);
        TempFolder dir;
        TempFolder out;
        // Whole chunks after the header each file was written with.
        const QByteArray recordings[] = {speechRecording(false, 10250, 1),
                                         speechRecording(true, 10000, 2),
                                         speechRecording(true, 7440, 3)};
        const int headers[] = {19, 32, 32};
        int chunks = 0;
        for (int i = 0; i < 3; ++i) {
            dir.write(u("%1.spx").arg(i + 1), recordings[i]);
            chunks += int(recordings[i].size() - headers[i]) / 500;
        }
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(out.path());
        int atMessage = -1;
        int maximumAtMessage = 0;
        w.messages.setOnShow([&](const Message &) {
            atMessage = w.main->ProgressBar2->value();
            maximumAtMessage = w.main->ProgressBar2->maximum();
        });
        if (all) {
            w.main->BitBtn5Click();
        } else {
            w.main->ListViewFile->selectAll();
            w.main->BitBtn4Click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts().size(), 1);
        QCOMPARE(maximumAtMessage, chunks);
        QCOMPARE(atMessage, maximumAtMessage);
    }

    void failureMidRun()
    {
        TempFolder dir;
        TempFolder out;
        dir.write(u("1.spx"), speechRecording(false, 1000));
        dir.write(u("2.spx"), speechRecording(false, 1000));
        dir.write(u("3.spx"), speechRecording(false, 1000));
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(out.path());
        QFile::remove(dir.file(u("2.spx"))); // vanishes between listing and converting
        w.main->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("打开文件失败！")});
        QVERIFY(w.openedFolders.isEmpty());
        QCOMPARE(out.read(u("1.spx.wav")).size(), 44 + 2 * 8000);
        QVERIFY(!QFile::exists(out.file(u("3.spx.wav"))));
        QCOMPARE(w.main->ProgressBar1->value(), 0);
        QCOMPARE(w.main->ProgressBar2->value(), 0);
        QCOMPARE(w.main->Label11->text(), QString());
        for (QPushButton *b : {w.main->BitBtn1, w.main->BitBtn2, w.main->BitBtn3,
                               w.main->BitBtnOutput, w.main->BitBtn4})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
        // The play buttons wait for the playback timer's next tick.
        for (QPushButton *b :
             {w.main->BitBtnPlayStart, w.main->BitBtnPlayPause, w.main->BitBtnPlayStop})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->BitBtnPlayStart->isEnabled());
        QVERIFY(!w.main->BitBtnPlayPause->isEnabled());
        QVERIFY(!w.main->BitBtnPlayStop->isEnabled());
    }

    void outputCannotBeCreated()
    {
        TempFolder dir;
        dir.write(u("1.spx"), speechRecording(false, 1000));
        dir.write(u("plain"), "x");
        Window w;
        w.listFolder(dir.path());
        w.main->EditOutput->setText(dir.file(u("plain/")));
        w.main->ListViewFile->selectRow(0);
        w.main->BitBtn4Click();
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("创建文件失败！")});
        QVERIFY(w.openedFolders.isEmpty());
    }
};

QTEST_MAIN(TestComputerTab)
#include "tst_computertab.moc"
