#pragma once

// The windows as start-up builds them, playing on the default sound device (a private PulseAudio
// daemon's null sink, see PulseSink), and plays from them to a recording's end.

#include "PulseSink.h"
#include "ReportListView.h"
#include "StartupWindows.h"
#include "TFindForm.h"
#include "TMainForm.h"

#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"

#include <QTest>
#include <QTimer>

namespace tovrel::test {

inline bool waitForPlaybackStop(int timeoutMs)
{
    return QTest::qWaitFor([] { return PlayStateFlag.load() == PlayStopped; }, timeoutMs);
}

struct PulseWindows : StartupWindows
{
    PulseWindows() : StartupWindows([](AppContext &) { resetActivityFlags(); })
    {
        main->TimerUSBConnect->stop(); // no telephone here
    }
    ~PulseWindows()
    {
        main.reset();
        resetActivityFlags();
    }
    PulseWindows(const PulseWindows &) = delete;
    PulseWindows &operator=(const PulseWindows &) = delete;

    // Puts `path` (shown as `name`) as the only row of the PC tab and selects it.
    void showOnPcTab(const QString &name, const QString &path)
    {
        main->ListViewFileModel->appendRow(ReportRow{{QStringLiteral("1"), name}, path});
        main->ListViewFile->selectRow(0);
    }
};

// Rows of a test that plays from each window: "main-window" (the PC tab) and "search-window",
// with a column `fromSearch`.
inline void windowsThatPlay()
{
    QTest::addColumn<bool>("fromSearch");
    QTest::newRow("main-window") << false;
    QTest::newRow("search-window") << true;
}

// Plays the PC tab's selected recording, or the search window's only find in `folder` (empty:
// the PC tab), to its end within `timeoutMs` while the sink's monitor is recorded; `heard` gets
// what sounded. Fails the running test when the playback does not start, does not end, or the
// window shows a message.
inline void playToTheEnd(PulseWindows &w, PulseSink &sink, const QString &folder, int timeoutMs,
                         QByteArray *heard)
{
    if (!folder.isEmpty()) {
        w.find->setSearchFolder(folder);
        tovrel::test::runSearch(w.find);
        QCOMPARE(w.find->FindListViewModel->rowCount(), 1);
    }
    QVERIFY2(sink.startListening(), qPrintable(sink.error()));
    if (folder.isEmpty()) {
        w.main->BitBtnPlayStartClick();
    } else {
        w.find->FindListView->selectRow(0);
        w.find->BitBtnPlayStartClick();
    }
    QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
    const bool stopped = waitForPlaybackStop(timeoutMs);
    QTest::qWait(500);
    *heard = sink.stopListening();
    QVERIFY(stopped);
    QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join(u'\n')));
}

} // namespace tovrel::test
