#include "PlaybackFixtures.h"
#include "PlayingWindows.h"
#include "ReportListView.h"
#include "SkipOutsideCi.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"

#include "VirtualAudioOutput.h"
#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

using namespace tovrel;
using tovrel::test::TempFolder;
using Behaviour = VirtualAudioOutput::Behaviour;

namespace {

using tovrel::test::u;

// `seconds` as the players' time labels show them.
QString clockText(int seconds)
{
    return QTime(0, 0).addSecs(seconds).toString(u"hh:mm:ss");
}

// The windows as start-up builds them, playing into the virtual audio output.
struct Window : tovrel::test::PlayingWindows
{
    TempFolder folder;
    QStringList paths;

    explicit Window(double speed = 10.0, Behaviour behaviour = Behaviour::Plays)
        : PlayingWindows(speed, behaviour)
    {}

    // Lists recordings of these payload lengths, as the PC list would.
    void list(const QList<int> &payloadLengths)
    {
        int n = 0;
        for (int length : payloadLengths) {
            const QString name = QStringLiteral("rec%1.spx").arg(n);
            const QByteArray payload =
                spx::encodeSpeech(spx::syntheticSpeech(length, unsigned(n + 1))).left(length);
            const QString path = folder.write(name, test::shortHeader(quint32(length)) + payload);
            paths.append(path);
            main->ListViewFileModel->appendRow(
                ReportRow{{QString::number(n + 1), name, QString(), QString(), QString(), QString(),
                           QString()},
                          path});
            ++n;
        }
    }

    void select(int row)
    {
        main->ListViewFile->clearSelection();
        main->ListViewFile->selectRow(row);
    }

    // Plays `row` and waits until two blocks have reached the output, so a seek has a position
    // to start from.
    bool playIntoSecondBlock(int row)
    {
        select(row);
        main->BitBtnPlayStartClick();
        return QTest::qWaitFor([this] { return record->blocksFinished() >= 2; }, 20000);
    }

    int state() const { return PlayStateFlag.load(); }

    bool waitForStop(int timeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (state() != PlayStopped && timer.elapsed() < timeoutMs)
            QTest::qWait(20);
        return state() == PlayStopped;
    }

    bool buttons(bool start, bool pause, bool stop) const
    {
        return main->BitBtnPlayStart->isEnabled() == start &&
               main->BitBtnPlayPause->isEnabled() == pause &&
               main->BitBtnPlayStop->isEnabled() == stop;
    }
};

} // namespace

class TestMainFormPlayback : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("converting");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing selected") << false << false << u("请先选择需要播放的文件！");
        QTest::newRow("conversion running") << true << true << u("请先停止转换！");
    }

    void refusals()
    {
        QFETCH(bool, selected);
        QFETCH(bool, converting);
        QFETCH(QString, text);
        Window w;
        w.list({3000});
        if (selected)
            w.select(0);
        if (converting)
            ConvertAllFlag.store(1);
        w.main->BitBtnPlayStartClick();
        QCOMPARE(w.messages.texts(), QStringList{text});
        QCOMPARE(w.messages.messages().first().caption, QStringLiteral("Waring"));
        QCOMPARE(w.messages.messages().first().icon, MessageIcon::Warning);
        QCOMPARE(w.state(), int(PlayStopped));
        QCOMPARE(w.record->openCalls(), 0);
    }

    void playsToTheEndWithPositionLabelsAndButtons()
    {
        Window w;
        w.list({2000, 12000});
        w.select(1);
        w.main->BitBtnPlayStartClick();
        QCOMPARE(w.state(), int(PlayPlaying));
        QCOMPARE(w.main->Label4->text(), QStringLiteral("00:00:13")); // (19 + 12000) / 1000 + 1
        QCOMPARE(w.main->TrackBar1->maximum(), 13);
        QVERIFY(w.buttons(false, true, true));
        QVERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.main->ListViewFile->selectedRows(), QList<int>{1});

        QTRY_VERIFY_WITH_TIMEOUT((w.main->TimerPlayerTimer(), w.main->TrackBar1->value() >= 3),
                                 20000);
        const int position = w.main->TrackBar1->value();
        QCOMPARE(w.main->Label3->text(),
                 QStringLiteral("00:00:%1").arg(position, 2, 10, QLatin1Char('0')));
        QVERIFY(!w.main->BitBtn3->isEnabled());

        QVERIFY(w.waitForStop());
        QTRY_COMPARE(w.main->Label3->text(), QStringLiteral("00:00:00"));
        w.main->TimerPlayerTimer();
        QCOMPARE(w.main->TrackBar1->value(), 0);
        QVERIFY(w.buttons(true, false, false));
        QVERIFY(w.main->BitBtn3->isEnabled());
        QCOMPARE(w.record->played().size(), qsizetype(12000 * 16));
        QVERIFY(w.messages.texts().isEmpty());
    }

    // A demo recording played from the PC tab: what reaches the device is the continuous decode
    // of its payload, nothing dropped or doubled.
    void demoRecordingPlaysItsWholeSpeech()
    {
        Window w(20.0);
        const QString demo =
            QStringLiteral(TOVREL_SOURCE_DIR "/data/demo/03150912_0001_x02087654321.spx");
        QFile file(demo);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // The first demo recording has a short-form record: 19 bytes before the payload.
        const QByteArray payload = bytes.mid(19);
        w.main->ListViewFileModel->appendRow(ReportRow{{QStringLiteral("1")}, demo});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QCOMPARE(w.main->Label4->text(), clockText(int(bytes.size() / 1000 + 1)));
        QVERIFY(w.waitForStop());
        const QByteArray expected = test::referenceDecode(payload);
        QVERIFY(expected.size() > 80000); // more than one block
        QVERIFY(w.record->played() == expected);
        QVERIFY(w.messages.texts().isEmpty());
    }

    // Ctrl+Up / Ctrl+Down in either window (the main window's PC tab, where its player is) change
    // the one speed both windows show, held within 0.5x to 2.0x.
    void speedKeys_data()
    {
        QTest::addColumn<bool>("inSearchWindow");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("main window, Ctrl+Up twice") << false << 2 << u("1.2×");
        QTest::newRow("search window, Ctrl+Down three times") << true << -3 << u("0.7×");
        QTest::newRow("no slower than half") << true << -7 << u("0.5×");
        QTest::newRow("no faster than double") << false << 13 << u("2.0×");
    }

    void speedKeys()
    {
        QFETCH(bool, inSearchWindow);
        QFETCH(int, steps);
        QFETCH(QString, shown);
        Window w;
        QWidget *window = inSearchWindow ? static_cast<QWidget *>(w.find) : w.main.get();
        w.main->PageControl1->setCurrentWidget(w.main->TabSheetComputer);
        tovrel::test::waitForScan(&*w.main);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(window, steps > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(w.main->findChild<QLabel *>(u("LabelSpeed"))->text(), shown);
        QCOMPARE(w.find->findChild<QLabel *>(u("LabelSpeed"))->text(), shown);
    }

    // At 1.2x the bar and the elapsed label count the recording's seconds, not the seconds of
    // sound played, and reach the recording's end.
    void positionStaysInRecordingTime()
    {
        Window w;
        w.main->PageControl1->setCurrentWidget(w.main->TabSheetComputer);
        tovrel::test::waitForScan(&*w.main);
        w.main->show();
        w.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        w.main->CheckBoxRewind->setChecked(false); // the resume goes on where it paused
        QTest::keyClick(w.main.get(), Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(w.main.get(), Qt::Key_Up, Qt::ControlModifier);
        w.list({30000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.record->blocksFinished() >= 20, 20000);
        w.main->BitBtnPlayPauseClick();
        QTRY_COMPARE_WITH_TIMEOUT(w.record->pauseCalls(), 1, 5000);
        w.main->TimerPlayerTimer();
        // Every finished 0.5 s of sound held 0.6 s of the recording.
        const double recordingSeconds = w.record->played().size() * 1.2 / 16000;
        QVERIFY2(std::abs(w.main->TrackBar1->value() - recordingSeconds) <= 1.0,
                 qPrintable(QStringLiteral("bar at %1 s, %2 s of the recording played")
                                .arg(w.main->TrackBar1->value())
                                .arg(recordingSeconds)));
        QCOMPARE(w.main->Label3->text(), clockText(w.main->TrackBar1->value()));

        w.main->BitBtnPlayStartClick(); // resume
        QVERIFY(w.waitForStop());
        QCOMPARE(w.main->findChild<PlaybackSession *>()->elapsedSeconds(), 30);
        const double playedSeconds = w.record->played().size() / 16000.0;
        QVERIFY2(std::abs(playedSeconds - 25.0) < 0.5, qPrintable(QString::number(playedSeconds)));
        QVERIFY(w.messages.texts().isEmpty());
    }

    void timerLeavesTheButtonsToARunningConversion()
    {
        Window w;
        w.main->BitBtnPlayStart->setEnabled(false);
        ConvertSelectedFlag.store(1);
        w.main->TimerPlayerTimer();
        QVERIFY(!w.main->BitBtnPlayStart->isEnabled());
        ConvertSelectedFlag.store(0);
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->BitBtnPlayStart->isEnabled());
    }

    // Without the rewind, a resume goes on with the paused playback.
    void pauseAndResumeKeepThePlayback()
    {
        Window w;
        w.main->CheckBoxRewind->setChecked(false);
        w.list({20000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.record->blocksFinished() >= 3, 20000);
        w.main->BitBtnPlayPauseClick();
        QCOMPARE(w.state(), int(PlayPaused));
        QVERIFY(w.buttons(true, false, true));
        QTRY_COMPARE_WITH_TIMEOUT(w.record->pauseCalls(), 1, 5000);
        const int before = w.main->TrackBar1->value();
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->TrackBar1->value() >= before);

        w.main->BitBtnPlayStartClick(); // resume
        QCOMPARE(w.state(), int(PlayPlaying));
        QVERIFY(w.buttons(false, true, true));
        QVERIFY(w.waitForStop());
        QCOMPARE(w.record->openCalls(), 1); // the same playback went on
        QCOMPARE(w.record->played().size(), qsizetype(20000 * 16));
    }

    void pauseWhileStoppedDoesNothing()
    {
        Window w;
        w.main->BitBtnPlayPauseClick();
        QCOMPARE(w.state(), int(PlayStopped));
    }

    void stopEndsThePlayback()
    {
        Window w(1.0);
        w.list({30000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QTest::qWait(100);
        w.main->BitBtnPlayStopClick();
        QCOMPARE(w.state(), int(PlayStopped));
        QVERIFY(w.buttons(true, false, false));
        QCOMPARE(w.main->TrackBar1->value(), 0);
        QCOMPARE(w.record->resetCalls(), 1);
    }

    void doubleClickAnotherRowSwitches()
    {
        Window w(1.0);
        w.list({30000, 4000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QTest::qWait(100);
        w.select(1);
        const QRect cell = w.main->ListViewFile->visualRect(w.main->ListViewFileModel->index(1, 1));
        // A double click is a press, a release and the double click itself.
        QTest::mouseClick(w.main->ListViewFile->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w.main->ListViewFile->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.state(), int(PlayPlaying));
        QTRY_COMPARE(w.record->openCalls(), 2);
        QCOMPARE(w.main->Label4->text(), QStringLiteral("00:00:05")); // (19 + 4000) / 1000 + 1
        w.main->BitBtnPlayStopClick();
    }

    void nextAndPrevious_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("next");
        QTest::addColumn<int>("playsRow"); // -1: nothing starts
        QTest::newRow("next from the first") << 0 << true << 1;
        QTest::newRow("next on the last row") << 2 << true << -1;
        QTest::newRow("previous from the last") << 2 << false << 1;
        QTest::newRow("previous on row 0") << 0 << false << -1;
    }

    void nextAndPrevious()
    {
        QFETCH(int, from);
        QFETCH(bool, next);
        QFETCH(int, playsRow);
        Window w;
        w.list({2000, 3000, 4000});
        w.select(from);
        next ? w.main->BitBtn1Click() : w.main->BitBtn2Click();
        QVERIFY(w.messages.texts().isEmpty());
        if (playsRow < 0) {
            QCOMPARE(w.state(), int(PlayStopped));
            QCOMPARE(w.main->ListViewFile->selectedRows(), QList<int>{from});
            QCOMPARE(w.record->openCalls(), 0);
            return;
        }
        QCOMPARE(w.state(), int(PlayPlaying));
        QCOMPARE(w.main->ListViewFile->selectedRows(), QList<int>{playsRow});
        QCOMPARE(w.main->Label4->text(),
                 QStringLiteral("00:00:0%1").arg((19 + 2000 + playsRow * 1000) / 1000 + 1));
        w.main->BitBtnPlayStopClick();
    }

    void nextAndPreviousWithoutSelection()
    {
        Window w;
        w.list({2000, 3000});
        w.main->BitBtn1Click();
        w.main->BitBtn2Click();
        QCOMPARE(w.messages.texts(), QStringList({u("请先选中文件！"), u("请先选中文件！")}));
    }

    void nextWhilePausedMovesTheSelectionAndResumes()
    {
        Window w(1.0);
        w.main->CheckBoxRewind->setChecked(false);
        w.list({20000, 3000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        w.main->BitBtnPlayPauseClick();
        w.main->BitBtn1Click();
        QCOMPARE(w.main->ListViewFile->selectedRows(), QList<int>{1});
        QCOMPARE(w.state(), int(PlayPlaying));
        QTest::qWait(200);
        QCOMPARE(w.record->openCalls(), 1); // the paused recording goes on
        QCOMPARE(w.main->Label4->text(), QStringLiteral("00:00:21"));
        w.main->BitBtnPlayStopClick();
    }

    void seekWhilePlaying_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("second");
        QTest::newRow("far left starts at second 1") << 0 << 1;
        // F = 30019, T = 31: byte 30019 * 15 / 31 = 14525, less the header 14506 -> 15 s.
        QTest::newRow("middle") << 15 << 15;
    }

    void seekWhilePlaying()
    {
        QFETCH(int, position);
        QFETCH(int, second);
        Window w(2.0);
        w.list({30000});
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->TrackBar1->value() >= 1);
        w.main->TrackBar1->setValue(position + 1);
        QTest::keyClick(w.main->TrackBar1, Qt::Key_Left); // one step back, to `position`
        QTRY_COMPARE(w.record->openCalls(), 2);
        QCOMPARE(w.main->Label3->text(),
                 QStringLiteral("00:00:%1").arg(second, 2, 10, QLatin1Char('0')));
        QCOMPARE(w.main->TrackBar1->value(), second);
        QCOMPARE(w.state(), int(PlayPlaying));
        QVERIFY(w.buttons(false, true, true));
        QVERIFY(w.main->TimerPlayer->isActive());
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->TrackBar1->value() >= second);
        w.main->BitBtnPlayStopClick();
    }

    void wheelSeeks()
    {
        Window w(2.0);
        w.list({30000});
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->TimerPlayerTimer();
        const QPoint at = w.main->TrackBar1->rect().center();
        QWheelEvent wheel(at, w.main->TrackBar1->mapToGlobal(at), {}, {0, 120 * 3}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.main->TrackBar1, &wheel);
        QTRY_COMPARE(w.record->openCalls(), 2);
        QVERIFY(w.main->TrackBar1->value() > 1);
        w.main->BitBtnPlayStopClick();
    }

    void draggingHoldsTheTimerOff()
    {
        Window w(2.0);
        w.list({30000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        w.main->TrackBar1->setSliderDown(true); // the thumb taken by the mouse
        QVERIFY(!w.main->TimerPlayer->isActive());
        w.main->TrackBar1->setValue(20);
        w.main->TrackBar1->setSliderDown(false);
        QTest::mouseRelease(w.main->TrackBar1, Qt::LeftButton);
        QTRY_COMPARE(w.record->openCalls(), 2);
        QVERIFY(w.main->TimerPlayer->isActive());
        w.main->BitBtnPlayStopClick();
    }

    // The middle button sets the thumb where it is pressed and drags it like the left one: its
    // release decides the seek and brings the timer back.
    void middleButtonDragSeeks()
    {
        Window w(2.0);
        w.list({30000});
        w.main->TrackBar1->resize(310, 24);
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->TimerPlayerTimer();
        const QPoint at(w.main->TrackBar1->width() * 2 / 3, w.main->TrackBar1->height() / 2);
        QTest::mousePress(w.main->TrackBar1, Qt::MiddleButton, {}, at);
        if (!w.main->TrackBar1->isSliderDown())
            TOVREL_SKIP_OUTSIDE_CI("this style does not drag the thumb with the middle button");
        QVERIFY(!w.main->TimerPlayer->isActive());
        QTest::mouseRelease(w.main->TrackBar1, Qt::MiddleButton, {}, at);
        QTRY_COMPARE(w.record->openCalls(), 2);
        QVERIFY(w.main->TimerPlayer->isActive());
        QVERIFY(w.main->TrackBar1->value() > 15);
        w.main->BitBtnPlayStopClick();
    }

    // A left click on the bar seeks to the clicked second, not one page towards it.
    void leftClickSeeksToTheClickedSecond()
    {
        Window w(2.0);
        w.list({30000});
        w.main->TrackBar1->resize(310, 24);
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->TimerPlayerTimer();
        QVERIFY(w.main->TrackBar1->value() < 10);
        const QPoint at(w.main->TrackBar1->width() * 3 / 4, w.main->TrackBar1->height() / 2);
        QTest::mousePress(w.main->TrackBar1, Qt::LeftButton, {}, at);
        QVERIFY(!w.main->TimerPlayer->isActive());
        QTest::mouseRelease(w.main->TrackBar1, Qt::LeftButton, {}, at);
        QTRY_COMPARE(w.record->openCalls(), 2);
        // T = 31 s: three quarters of the bar is about second 23.
        QVERIFY2(w.main->TrackBar1->value() >= 20 && w.main->TrackBar1->value() <= 25,
                 qPrintable(QString::number(w.main->TrackBar1->value())));
        QVERIFY(w.main->TimerPlayer->isActive());
        w.main->BitBtnPlayStopClick();
    }

    // A press and release that leave the thumb where it was: no seek, no box.
    void releaseWithoutMovingDoesNothing()
    {
        Window w(2.0);
        w.list({30000});
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->TimerPlayerTimer();
        w.main->TimerPlayer->stop(); // as a move of the mouse over the bar would
        const int last = w.main->TrackBar1->value();
        QTest::mouseRelease(w.main->TrackBar1, Qt::LeftButton, {},
                            w.main->TrackBar1->rect().center());
        QTRY_VERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.main->TrackBar1->value(), last);
        QCOMPARE(w.record->openCalls(), 1);
        QVERIFY(w.messages.texts().isEmpty());
        QVERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.state(), int(PlayPlaying));
        w.main->BitBtnPlayStopClick();
    }

    // The recording ends while the user holds the thumb: letting go brings the timer back.
    void recordingEndsWhileTheThumbIsHeld()
    {
        Window w(10.0);
        w.list({3000});
        w.select(0);
        w.main->BitBtnPlayStartClick();
        w.main->TrackBar1->setSliderDown(true);
        QVERIFY(!w.main->TimerPlayer->isActive());
        QVERIFY(w.waitForStop());
        w.main->TrackBar1->setValue(2);
        w.main->TrackBar1->setSliderDown(false);
        QTest::mouseRelease(w.main->TrackBar1, Qt::LeftButton);
        QTRY_VERIFY(w.main->TimerPlayer->isActive());
        QCOMPARE(w.main->TrackBar1->value(), 0);
        QCOMPARE(w.record->openCalls(), 1);
    }

    void thumbGoesBackWhileNotPlaying()
    {
        Window w(1.0);
        w.list({30000});
        // Stopped.
        w.main->TrackBar1->setValue(7);
        QTest::mouseRelease(w.main->TrackBar1, Qt::LeftButton);
        QTRY_COMPARE(w.main->TrackBar1->value(), 0);
        // Paused.
        QVERIFY(w.playIntoSecondBlock(0));
        w.main->BitBtnPlayPauseClick();
        w.main->TimerPlayerTimer();
        const int last = w.main->TrackBar1->value();
        w.main->TrackBar1->setValue(last + 9);
        QTest::keyClick(w.main->TrackBar1, Qt::Key_Right); // to last + 10
        QTRY_COMPARE(w.main->TrackBar1->value(), last);
        QCOMPARE(w.record->openCalls(), 1);
        QCOMPARE(w.state(), int(PlayPaused));
        QVERIFY(w.messages.texts().isEmpty());
        w.main->BitBtnPlayStopClick();
    }

    void failures_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<bool>("fileMissing");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("no audio device")
            << int(Behaviour::NoDevice) << false << u("警告") << u("没有音频设备！");
        QTest::newRow("device will not open")
            << int(Behaviour::OpenFails) << false << QStringLiteral("Error")
            << QStringLiteral("Open WaveOut Error");
        QTest::newRow("recording gone")
            << int(Behaviour::Plays) << true << u("Tovrel录音电话PC管理软件")
            << QStringLiteral("open input spx file error!");
    }

    void failures()
    {
        QFETCH(int, behaviour);
        QFETCH(bool, fileMissing);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        Window w(10.0, Behaviour(behaviour));
        w.list({6000});
        if (fileMissing)
            QFile::remove(w.paths.first());
        w.select(0);
        w.main->BitBtnPlayStartClick();
        QTRY_COMPARE(w.messages.texts(), QStringList{text});
        QCOMPARE(w.messages.messages().first().caption, caption);
        QVERIFY(w.waitForStop());
        w.main->TimerPlayerTimer();
        QVERIFY(w.buttons(true, false, false));
        QVERIFY(w.record->played().isEmpty());
    }
};

QTEST_MAIN(TestMainFormPlayback)
#include "tst_mainformplayback.moc"
