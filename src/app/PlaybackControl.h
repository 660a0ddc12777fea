#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QWidget;

namespace tovrel {

class MessageSink;
class PlaybackSession;
class PlaybackSpeed;
class ReportListView;
class ReportModel;
struct PlaybackMessage;

// The controls one window plays recordings with, and the list whose rows (keyed by their files'
// paths) it plays.
struct PlaybackControls
{
    QPushButton *start = nullptr;        // BitBtnPlayStart
    QPushButton *pause = nullptr;        // BitBtnPlayPause
    QPushButton *stop = nullptr;         // BitBtnPlayStop
    QPushButton *previous = nullptr;     // BitBtn2
    QPushButton *next = nullptr;         // BitBtn1
    QSlider *trackBar = nullptr;         // TrackBar1
    QLabel *elapsed = nullptr;           // the elapsed-time label
    QLabel *total = nullptr;             // the total-time label
    QLabel *speed = nullptr;             // the playing speed, beside the time labels
    PlaybackSpeed *speedValue = nullptr; // the program's one playing speed
    QTimer *timer = nullptr;             // TimerPlayer
    ReportListView *list = nullptr;
    ReportModel *model = nullptr;
};

// Where the windows' playback differs.
struct PlaybackRules
{
    // Header length a seek subtracts from the target byte: 0 for the recording's own.
    int seekHeaderLength = 0;
    // Takes the focus after a seek and after a release that does not seek (none: unchanged).
    QWidget *focusAfterSeek = nullptr;
    // Start switches the timer on (the main window); otherwise it runs from start-up and only a
    // seek switches it back on.
    bool startEnablesTimer = true;
    // A release where the thumb already was seeks too (otherwise it is no seek).
    bool seekAtSamePosition = false;
    // Disabled by the timer while a recording plays or is paused (the main window's folder
    // button), enabled again once playback has stopped and no conversion runs.
    QWidget *folderButton = nullptr;
};

// Window-side control of playback over the core's PlaybackSession: the start, pause, stop,
// previous and next buttons, the position timer, and seeking with the position bar. Both the
// main window and the search window use one each; the play state is the program's one.
class PlaybackControl : public QObject
{
    Q_OBJECT

public:
    PlaybackControl(const PlaybackControls &controls, const PlaybackRules &rules,
                    PlaybackSession *session, MessageSink *messages, QObject *parent = nullptr);

    PlaybackSession *session() const { return m_session; }
    // The position the timer last put the bar at.
    int lastPosition() const { return m_lastPosition; }

    void startClick();
    void pauseClick();
    void stopClick();
    void nextClick();
    void previousClick();
    void timerTick();

public slots:
    // Faster (steps > 0) or slower by `steps` tenths, for both windows; a playing recording takes
    // the new speed up at once.
    void changeSpeed(int steps);

private:
    void showSpeed(int tenths);
    void trackBarMoving();
    void trackBarReleased();
    void setPlayingButtons();
    void showMessage(const PlaybackMessage &message);
    void focusAfterSeek();

    PlaybackControls m_c;
    PlaybackRules m_rules;
    PlaybackSession *m_session;
    MessageSink *m_messages;
    int m_lastPosition = 0;
};

} // namespace tovrel
