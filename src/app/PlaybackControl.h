#pragma once

#include <QObject>

class QCheckBox;
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
    // "暂停后回退2秒": a resume after a pause starts 2 s before where it paused (none: never).
    QCheckBox *rewindAfterPause = nullptr;
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
// previous and next buttons, the position timer, seeking with the position bar, the keys'
// jumps (PlayerKeys) and the going back on resume. Both the
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

    // The keys' actions. Space: pause while playing, else the start button's click (a resume
    // when paused). The jumps act on a playing or paused recording (which then plays on from the
    // new place) and do nothing while stopped.
    void playPauseKey();
    // `seconds` forward (or back, when negative) from where the player is, kept within the
    // recording.
    void jumpBy(int seconds);
    void jumpToStart();

    // Where the player is: the second of the recording it has played up to (0 when stopped).
    int playingSecond() const;

    // Seconds a resume goes back.
    static constexpr int kRewindSeconds = 2;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    // Faster (steps > 0) or slower by `steps` tenths, for both windows; a playing recording takes
    // the new speed up at once.
    void changeSpeed(int steps);

private:
    void showSpeed(int tenths);
    // Plays the current recording from `second` (within the recording), as a seek does.
    void playFrom(int second);
    // The last second a jump may land on: where the recording's payload ends.
    int lastSecond() const;
    void readRewindChoice();
    void rewindChoiceClicked(bool checked);
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
