#pragma once

#include "playback/LoudnessEnvelope.h"

#include <QList>
#include <QSlider>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

namespace tovrel {

// The position bar of a playback row. Besides the slider's own work it draws the loudness of the
// recording playing in its groove, one peak per pixel column, so speech and silence can be seen
// and clicked to. The loudness comes from a decode of the whole recording on a thread of the
// bar's own, with a decoder of its own: playback never waits for it, another recording shown
// cancels it, and so does the window closing (or the bar ending).
class PositionBar : public QSlider
{
    Q_OBJECT

public:
    explicit PositionBar(QWidget *parent = nullptr);
    ~PositionBar() override;

    // Starts drawing the loudness of the recording at `path` (a file of `fileLength` bytes whose
    // payload starts at `headerLength`); the one drawn until then goes at once.
    void showLoudnessOf(const QString &path, int headerLength, quint32 fileLength);
    // Stops a decode under way and waits for its thread; what is drawn stays.
    void cancelLoudness();
    // Stops a decode under way and forgets what is drawn: the bar is a plain slider again.
    void dropLoudness();

    // The peaks drawn (empty while none are known), and the recording they belong to.
    QList<float> loudness() const { return m_peaks; }
    QString loudnessPath() const { return m_peaksPath; }
    // True while a decode runs.
    bool loudnessPending() const { return m_pending; }

signals:
    // The peaks of `path` are known and drawn.
    void loudnessReady(const QString &path);
    // The recording cannot be read for its loudness: the user's text (also the bar's tool tip).
    void loudnessFailed(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr int kMinimumColumns = 1024;
    // How often the window thread looks whether the decode has ended.
    static constexpr int kPollMs = 50;
    // Peaks are drawn against the recording's loudest, but never against less than this.
    static constexpr float kQuietestScale = 0.05f;

    // The decode's result, once its thread has ended: the thread is joined first, so what it
    // wrote is read only after it has finished.
    void collectLoudness();
    void takeLoudness(const QString &path, const QList<float> &peaks, const QString &error);
    // Pixel columns between the handle's centre at the start and at the end.
    int spanColumns() const;

    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    // Set by the decode's thread as its last step; the window thread looks at it on m_poll.
    std::atomic<bool> m_done{false};
    loudness::Envelope m_result; // written by the decode's thread, read once it is joined
    QString m_decodedPath;
    QTimer *m_poll = nullptr;
    bool m_pending = false;
    bool m_watchingWindow = false;

    QList<float> m_peaks;
    QString m_peaksPath;
    int m_headerLength = 0;
    quint32 m_fileLength = 0;
};

} // namespace tovrel
