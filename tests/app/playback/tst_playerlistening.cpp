#include "ClickToSeek.h"
#include "PlaybackFixtures.h"
#include "PlayingWindows.h"
#include "PositionBar.h"
#include "ReportListView.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"

#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace tovrel;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

// A recording of `seconds` of speech-like sound: its file bytes and its payload.
struct Recording
{
    QByteArray payload;
    QByteArray bytes;
};

Recording speech(int seconds, unsigned seed = 1)
{
    Recording r;
    r.payload = spx::encodeSpeech(spx::syntheticSpeech(seconds * 1000, seed));
    r.bytes = test::shortHeader(quint32(r.payload.size())) + r.payload;
    return r;
}

// The windows playing into the virtual audio output; the tests play from the PC tab or from the
// search window. The settings file is the working folder's, which the test sets up before.
struct Windows : test::PlayingWindows
{
    bool fromSearch;

    explicit Windows(bool search, double speed = 4.0) : PlayingWindows(speed), fromSearch(search) {}

    QWidget *window() const { return fromSearch ? static_cast<QWidget *>(find) : main.get(); }
    ReportListView *list() const { return fromSearch ? find->FindListView : main->ListViewFile; }
    QSlider *bar() const { return fromSearch ? find->TrackBar1 : main->TrackBar1; }
    QCheckBox *rewind() const { return fromSearch ? find->CheckBoxRewind : main->CheckBoxRewind; }

    // Shows the window active with the recordings of `folder` listed (the PC tab lists the
    // recording folder; the search window finds them), the first selected and the focus in the
    // list.
    bool show(const QString &folder)
    {
        if (fromSearch) {
            find->show();
            find->setSearchFolder(folder);
            tovrel::test::runSearch(find);
        } else {
            if (sysconf::writeLocalFileBackupPath(folder))
                return false;
            main->show();
            main->PageControl1->setCurrentWidget(main->TabSheetComputer);
            tovrel::test::waitForScan(&*main);
        }
        QApplication::setActiveWindow(window());
        if (!QTest::qWaitForWindowActive(window()) || list()->model()->rowCount() == 0)
            return false;
        list()->selectRow(0);
        list()->setFocus();
        return true;
    }

    // The start button's click, as a double-click on a row also gives it (the button itself is
    // disabled while a recording plays).
    void play()
    {
        if (fromSearch)
            find->BitBtnPlayStartClick();
        else
            main->BitBtnPlayStartClick();
    }

    void tick()
    {
        if (fromSearch)
            find->TimerPlayerTimer();
        else
            main->TimerPlayerTimer();
    }

    // Where the player is, as the timer shows it on the bar.
    int position()
    {
        tick();
        return bar()->value();
    }

    // Waits until the player has just reached `second` or later (a moment after which its
    // position holds for a while), and returns the position.
    int justReached(int second)
    {
        int last = position();
        for (int i = 0; i < 4000; ++i) {
            QTest::qWait(2);
            const int now = position();
            if (now != last && now >= second)
                return now;
            last = now;
        }
        return -1;
    }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    static int state() { return PlayStateFlag.load(); }
};

} // namespace

class TestPlayerListening : public QObject
{
    Q_OBJECT

private slots:
    // The jumps start from where the player is and stay within the recording; the bar and a
    // fresh playback go there at once.
    void jumpKeys_data()
    {
        QTest::addColumn<bool>("fromSearch");
        QTest::addColumn<int>("seconds"); // of the recording
        QTest::addColumn<int>("at");      // the position the key is pressed at (or later)
        QTest::addColumn<bool>("paused"); // the player paused there first
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("step");   // expected: position + step, kept within 0..seconds
        QTest::addColumn<bool>("onBar"); // the position bar has the focus
        for (bool search : {false, true}) {
            const char *w = search ? "search window" : "main window";
            QTest::addRow("%s: forward", w)
                << search << 30 << 2 << false << int(Qt::Key_Right) << 5 << false;
            QTest::addRow("%s: back", w)
                << search << 30 << 7 << false << int(Qt::Key_Left) << -5 << false;
            QTest::addRow("%s: back near the start", w)
                << search << 30 << 1 << false << int(Qt::Key_Left) << -5 << false;
            QTest::addRow("%s: forward near the end", w)
                << search << 8 << 5 << false << int(Qt::Key_Right) << 5 << false;
            QTest::addRow("%s: to the start", w)
                << search << 30 << 6 << false << int(Qt::Key_Home) << -99 << false;
            QTest::addRow("%s: back while paused", w)
                << search << 30 << 7 << true << int(Qt::Key_Left) << -5 << false;
            QTest::addRow("%s: to the start while paused", w)
                << search << 30 << 4 << true << int(Qt::Key_Home) << -99 << false;
            QTest::addRow("%s: back with the bar focused", w)
                << search << 30 << 7 << false << int(Qt::Key_Left) << -5 << true;
        }
    }

    void jumpKeys()
    {
        QFETCH(bool, fromSearch);
        QFETCH(int, seconds);
        QFETCH(int, at);
        QFETCH(bool, paused);
        QFETCH(int, key);
        QFETCH(int, step);
        QFETCH(bool, onBar);
        test::TestSandbox sandbox;
        sandbox.folder().write(u("rec/a.spx"), speech(seconds).bytes);
        Windows w(fromSearch);
        QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
        w.play();
        QCOMPARE(Windows::state(), int(PlayPlaying));

        int position = w.justReached(at);
        QVERIFY(position >= at);
        if (paused) {
            w.key(Qt::Key_Space);
            QCOMPARE(Windows::state(), int(PlayPaused));
            position = w.position();
        }
        const int opened = w.record->openCalls();
        if (onBar)
            w.bar()->setFocus();
        w.key(key, Qt::ControlModifier);
        const int expected = std::clamp(position + step, 0, seconds);
        QCOMPARE(w.bar()->value(), expected);
        QCOMPARE(Windows::state(), int(PlayPlaying));
        // A fresh playback from there: the player counts on from the new place.
        QTRY_VERIFY_WITH_TIMEOUT(w.record->openCalls() > opened, 5000);
        if (expected < seconds) {
            const int after = w.justReached(expected + 1);
            QVERIFY2(after >= expected + 1 && after <= expected + 3,
                     qPrintable(QString::number(after)));
        }
        // One jump, one fresh playback: letting go of the keys starts no other.
        QCOMPARE(w.record->openCalls(), opened + 1);
        QVERIFY(w.messages.texts().isEmpty());
    }

    // The keys act only where there is playback to act on: a stopped window's jumps do nothing,
    // and the main window's keys rest while its telephone tab is shown.
    void keysAtRest_data()
    {
        QTest::addColumn<bool>("telephoneTab");
        QTest::newRow("stopped") << false;
        QTest::newRow("telephone tab shown") << true;
    }

    void keysAtRest()
    {
        QFETCH(bool, telephoneTab);
        test::TestSandbox sandbox;
        sandbox.folder().write(u("rec/a.spx"), speech(20).bytes);
        Windows w(false, 1.0);
        QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
        if (telephoneTab) {
            w.play();
            QCOMPARE(Windows::state(), int(PlayPlaying));
            w.main->PageControl1->setCurrentWidget(w.main->TabSheetMCU);
            w.main->ListViewMCU->setFocus();
        }
        const int state = Windows::state();
        for (int key : {int(Qt::Key_Right), int(Qt::Key_Left), int(Qt::Key_Home)})
            w.key(key, Qt::ControlModifier);
        if (telephoneTab)
            w.key(Qt::Key_Space); // stopped, Space would start the selected row
        QCOMPARE(Windows::state(), state);
        QCOMPARE(w.record->openCalls(), telephoneTab ? 1 : 0);
        QCOMPARE(w.bar()->value(), 0);
        QVERIFY(w.messages.texts().isEmpty());
    }

    // Space pauses a playing recording and resumes a paused one wherever the focus is, but a
    // text field keeps it: a free text field types a space, the number and duration fields
    // answer with their digits-only warning.
    void spaceToggles_data()
    {
        QTest::addColumn<bool>("fromSearch");
        QTest::addColumn<QString>("focus"); // object name; empty: the list; "free": a text field
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("warned");
        QTest::newRow("main window, list") << false << QString() << QString() << false;
        QTest::newRow("main window, position bar") << false << u("TrackBar1") << QString() << false;
        QTest::newRow("main window, rewind box")
            << false << u("CheckBoxRewind") << QString() << false;
        QTest::newRow("search window, list") << true << QString() << QString() << false;
        QTest::newRow("search window, free text field") << true << u("free") << u(" ") << false;
        QTest::newRow("search window, number field")
            << true << u("PhoneCodeEdit") << QString() << true;
        QTest::newRow("search window, duration field")
            << true << u("StartLengthEdit") << QString() << true;
    }

    void spaceToggles()
    {
        QFETCH(bool, fromSearch);
        QFETCH(QString, focus);
        QFETCH(QString, typed);
        QFETCH(bool, warned);
        test::TestSandbox sandbox;
        sandbox.folder().write(u("rec/a.spx"), speech(20).bytes);
        Windows w(fromSearch, 1.0);
        if (focus == u("free"))
            (new QLineEdit(w.window()))->setObjectName(focus);
        QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
        w.play();
        QCOMPARE(Windows::state(), int(PlayPlaying));
        QWidget *field = focus.isEmpty() ? static_cast<QWidget *>(w.list())
                                         : w.window()->findChild<QWidget *>(focus);
        QVERIFY(field);
        field->setFocus();
        QCOMPARE(QApplication::focusWidget(), field);
        auto *edit = qobject_cast<QLineEdit *>(field);
        const QString textBefore = edit ? edit->text() : QString();
        const bool checkedBefore = w.rewind()->isChecked();

        const bool toggles = !edit;
        w.key(Qt::Key_Space);
        QCOMPARE(Windows::state(), toggles ? int(PlayPaused) : int(PlayPlaying));
        w.key(Qt::Key_Space);
        QCOMPARE(Windows::state(), int(PlayPlaying));
        if (edit)
            QCOMPARE(edit->text(), textBefore + typed + typed);
        QCOMPARE(w.messages.texts().size(), warned ? 2 : 0);
        QCOMPARE(w.rewind()->isChecked(), checkedBefore);
    }

    // "暂停后回退2秒": a resume goes back 2 s from where the player paused (not before the
    // start) and plays the recording from there; without it the paused playback goes on.
    void resumeAfterPause_data()
    {
        QTest::addColumn<bool>("fromSearch");
        QTest::addColumn<bool>("rewind");
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("spaceOnBar"); // resumed by Space with the position bar focused
        for (bool search : {false, true}) {
            const char *w = search ? "search window" : "main window";
            QTest::addRow("%s: back 2 s", w) << search << true << 5 << false;
            QTest::addRow("%s: back to the start", w) << search << true << 1 << false;
            QTest::addRow("%s: no rewind", w) << search << false << 5 << false;
            QTest::addRow("%s: back 2 s by Space on the bar", w) << search << true << 5 << true;
        }
    }

    void resumeAfterPause()
    {
        QFETCH(bool, fromSearch);
        QFETCH(bool, rewind);
        QFETCH(int, at);
        QFETCH(bool, spaceOnBar);
        test::TestSandbox sandbox;
        const Recording recording = speech(20);
        sandbox.folder().write(u("rec/a.spx"), recording.bytes);
        Windows w(fromSearch);
        QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
        QVERIFY(w.rewind()->isChecked()); // on by default
        if (!rewind)
            QTest::mouseClick(w.rewind(), Qt::LeftButton);
        w.play();
        QVERIFY(w.justReached(at) >= at);
        w.key(Qt::Key_Space);
        QCOMPARE(Windows::state(), int(PlayPaused));
        const int paused = w.position();
        QTRY_COMPARE_WITH_TIMEOUT(w.record->pauseCalls(), 1, 5000);
        QCOMPARE(w.position(), paused);
        w.record->clear();

        if (spaceOnBar) {
            // The bar takes the key's release, but the key was the player's: no seek follows.
            w.bar()->setFocus();
            w.key(Qt::Key_Space);
        } else {
            w.play();
        }
        QCOMPARE(Windows::state(), int(PlayPlaying));
        if (!rewind) {
            QCOMPARE(w.bar()->value(), paused);
            QCOMPARE(w.record->openCalls(), 0); // the same playback goes on
            return;
        }
        const int from = std::max(0, paused - 2);
        QCOMPARE(w.bar()->value(), from);
        // What sounds next is the recording from there, decoded afresh.
        const QByteArray expected = test::referenceDecode(recording.payload.mid(from * 1000));
        QTRY_VERIFY_WITH_TIMEOUT(w.record->played().size() >= 32000, 10000);
        QCOMPARE(w.record->played().left(32000), expected.left(32000));
        QCOMPARE(w.record->openCalls(), 1);
    }

    // The choice is kept in SysConf.ini: a restarted program and the other window take it.
    void rewindChoiceIsRemembered_data()
    {
        QTest::addColumn<bool>("fromSearch");
        QTest::newRow("main window") << false;
        QTest::newRow("search window") << true;
    }

    void rewindChoiceIsRemembered()
    {
        QFETCH(bool, fromSearch);
        test::TestSandbox sandbox;
        sandbox.folder().write(u("rec/a.spx"), speech(3).bytes);
        {
            // Both windows shown, the other one first.
            Windows w(!fromSearch);
            QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
            w.fromSearch = fromSearch;
            QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
            QTest::mouseClick(w.rewind(), Qt::LeftButton);
            const QByteArray ini = sandbox.folder().read(u("SysConf.ini"));
            QVERIFY2(ini.contains("[Playback]\nRewindAfterPause=0\n"), ini.constData());
            // The other window, active again, takes the choice.
            w.fromSearch = !fromSearch;
            QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
            QVERIFY(!w.rewind()->isChecked());
        }
        Windows again(fromSearch);
        QVERIFY(again.show(sandbox.folder().path() + u("rec/")));
        QVERIFY(!again.rewind()->isChecked());
        QTest::mouseClick(again.rewind(), Qt::LeftButton);
        const QByteArray ini = sandbox.folder().read(u("SysConf.ini"));
        QVERIFY2(ini.contains("[Playback]\nRewindAfterPause=1\n"), ini.constData());
    }

    // Without loudness to draw, the position bar looks as a plain slider does: groove, filled
    // part and handle, at any position.
    void barWithoutLoudnessIsASlider_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("start") << 0;
        QTest::newRow("middle") << 12;
        QTest::newRow("end") << 25;
    }

    void barWithoutLoudnessIsASlider()
    {
        QFETCH(int, value);
        QWidget window;
        PositionBar bar(&window);
        QSlider slider(Qt::Horizontal, &window);
        for (QSlider *s : {static_cast<QSlider *>(&bar), &slider}) {
            ClickToSeek::install(s);
            s->setRange(0, 25);
            s->setValue(value);
            s->resize(300, 26);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage plain = slider.grab().toImage();
        QCOMPARE(bar.grab().toImage(), plain);
        // A bar that drew nothing would not pass for a slider either.
        QImage blank(plain.size(), plain.format());
        blank.fill(slider.palette().color(QPalette::Window));
        QVERIFY(plain != blank);
    }

    // The bar draws the loudness of the recording playing: silence, a tone, silence show low,
    // high, low along the bar. The decode comes after playback has started, and a recording
    // played before it is done has its decode cancelled.
    void loudnessEnvelope_data()
    {
        QTest::addColumn<bool>("fromSearch");
        QTest::newRow("main window") << false;
        QTest::newRow("search window") << true;
    }

    void loudnessEnvelope()
    {
        QFETCH(bool, fromSearch);
        test::TestSandbox sandbox;
        // a.spx: a long recording whose decode is cut short; b.spx: 3 s silence, 4 s tone, 3 s
        // silence.
        const Recording longOne = speech(600, 3);
        sandbox.folder().write(u("rec/a.spx"), longOne.bytes);
        QList<int16_t> samples(3 * 8000, 0);
        for (int i = 0; i < 4 * 8000; ++i)
            samples.append(int16_t(12000.0 * std::sin(2.0 * M_PI * 440.0 * i / 8000.0)));
        samples += QList<int16_t>(3 * 8000, 0);
        const QByteArray tonePayload = spx::encodeSpeech(samples);
        sandbox.folder().write(u("rec/b.spx"),
                               test::shortHeader(quint32(tonePayload.size())) + tonePayload);
        Windows w(fromSearch, 1.0);
        QVERIFY(w.show(sandbox.folder().path() + u("rec/")));
        auto *bar = qobject_cast<PositionBar *>(w.bar());
        QVERIFY(bar);
        const auto row = [&](const QString &name) {
            const auto *model = qobject_cast<ReportModel *>(w.list()->model());
            for (int r = 0; r < model->rowCount(); ++r) {
                if (model->row(r).key.toString().endsWith(name))
                    return r;
            }
            return -1;
        };

        QStringList events;
        connect(bar, &PositionBar::loudnessReady, this,
                [&](const QString &path) { events.append(u("ready ") + path.section(u'/', -1)); });
        connect(bar, &PositionBar::loudnessFailed, this,
                [&](const QString &text) { events.append(u("failed ") + text); });
        w.list()->clearSelection();
        w.list()->selectRow(row(u("a.spx")));
        w.play();
        events.append(u("playing a.spx"));
        QCOMPARE(Windows::state(), int(PlayPlaying));
        QVERIFY(bar->loudnessPending());
        w.list()->clearSelection();
        w.list()->selectRow(row(u("b.spx")));
        w.play();
        events.append(u("playing b.spx"));
        QCOMPARE(Windows::state(), int(PlayPlaying));
        QTRY_VERIFY_WITH_TIMEOUT(!bar->loudnessPending(), 10000);
        QTest::qWait(100); // a late report of a.spx would arrive now
        QCOMPARE(events, QStringList({u("playing a.spx"), u("playing b.spx"), u("ready b.spx")}));

        const QList<float> peaks = bar->loudness();
        QVERIFY(peaks.size() > 20);
        const qsizetype n = peaks.size();
        // 10 s of payload over the columns: 0-3 s quiet, 3-7 s loud, 7-10 s quiet (margins at
        // the edges).
        for (qsizetype c = 0; c < n; ++c) {
            const double second = 10.0 * (double(c) + 0.5) / double(n);
            if (second < 2.7 || second > 7.3 || (second > 3.3 && second < 6.7)) {
                const bool loud = second > 3.3 && second < 6.7;
                QVERIFY2(loud ? peaks[c] > 0.2f : peaks[c] < 0.02f,
                         qPrintable(u("column %1 of %2: %3").arg(c).arg(n).arg(peaks[c])));
            }
        }
        // And the bar shows them: a column over the tone is painted further from the middle
        // than one over the silence.
        const QImage image = bar->grab().toImage();
        const auto inked = [&](double fraction) {
            const int x = int(fraction * image.width());
            int count = 0;
            const QColor groove = image.pixelColor(x, 1);
            for (int y = 0; y < image.height(); ++y)
                count += image.pixelColor(x, y) != groove ? 1 : 0;
            return count;
        };
        QVERIFY2(inked(0.5) > inked(0.15) + 4,
                 qPrintable(u("%1 %2").arg(inked(0.5)).arg(inked(0.15))));

        // The list filled anew: the loudness stays while its recording plays, and goes with it.
        for (bool playing : {true, false}) {
            if (!playing)
                fromSearch ? w.find->BitBtnPlayStopClick() : w.main->BitBtnPlayStopClick();
            if (fromSearch) {
                test::runSearch(w.find);
            } else {
                w.main->TabSheetComputerShow();
                test::waitForScan(&*w.main);
            }
            QCOMPARE(bar->loudness().isEmpty(), !playing);
        }

        // The window closing cancels a decode under way.
        w.list()->clearSelection();
        w.list()->selectRow(row(u("a.spx")));
        w.play();
        QVERIFY(bar->loudnessPending());
        w.window()->close();
        QVERIFY(!w.window()->isVisible());
        QVERIFY(!bar->loudnessPending());
        QTest::qWait(100);
        QCOMPARE(events.last(), u("ready b.spx"));
    }
};

QTEST_MAIN(TestPlayerListening)
#include "tst_playerlistening.moc"
