#include "PositionBar.h"

#include "playback/LoudnessEnvelope.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QStylePainter>

#include <algorithm>

namespace tovrel {

PositionBar::PositionBar(QWidget *parent)
    : QSlider(Qt::Horizontal, parent), m_poll(new QTimer(this))
{
    // The decode's end is looked for from the window thread: nothing the decode's thread made is
    // handed over through the event queue.
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &PositionBar::collectLoudness);
}

PositionBar::~PositionBar()
{
    cancelLoudness();
}

void PositionBar::cancelLoudness()
{
    m_poll->stop();
    if (m_cancel)
        m_cancel->store(true);
    if (m_worker.joinable())
        m_worker.join();
    m_cancel.reset();
    m_pending = false;
}

int PositionBar::spanColumns() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    return std::max(1, groove.width() - handle.width());
}

void PositionBar::dropLoudness()
{
    cancelLoudness();
    m_peaks.clear();
    m_peaksPath.clear();
    setToolTip(QString());
    update();
}

void PositionBar::showLoudnessOf(const QString &path, int headerLength, quint32 fileLength)
{
    dropLoudness();
    m_headerLength = headerLength;
    m_fileLength = fileLength;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_pending = true;
    m_done.store(false);
    m_decodedPath = path;
    // At least a fine resolution, so that a bar widened later still has a peak for each column.
    const int columns = std::max(spanColumns(), kMinimumColumns);
    m_worker = std::thread([this, cancel = m_cancel, path, columns] {
        m_result = loudness::compute(path, columns, *cancel);
        m_done.store(true);
    });
    m_poll->start();
}

void PositionBar::collectLoudness()
{
    if (!m_done.load())
        return;
    m_poll->stop();
    if (m_worker.joinable())
        m_worker.join();
    if (m_result.cancelled)
        return;
    takeLoudness(m_decodedPath, m_result.peaks, m_result.error.value_or(QString()));
}

void PositionBar::takeLoudness(const QString &path, const QList<float> &peaks, const QString &error)
{
    m_cancel.reset();
    m_pending = false;
    if (!error.isEmpty()) {
        setToolTip(error);
        emit loudnessFailed(error);
        return;
    }
    m_peaks = peaks;
    m_peaksPath = path;
    update();
    emit loudnessReady(path);
}

void PositionBar::showEvent(QShowEvent *event)
{
    QSlider::showEvent(event);
    if (!m_watchingWindow && window() != this) {
        window()->installEventFilter(this);
        m_watchingWindow = true;
    }
}

bool PositionBar::eventFilter(QObject *watched, QEvent *event)
{
    // The window closed (a close, Esc, an exit button: it is hidden by the program, not by the
    // system as when minimised).
    if (watched == window() && event->type() == QEvent::Hide && !event->spontaneous())
        cancelLoudness();
    return QSlider::eventFilter(watched, event);
}

void PositionBar::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);

    // The groove (and tick marks), then the loudness in it, then the handle over both.
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);

    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const qint64 payload = qint64(m_fileLength) - m_headerLength;
    if (!m_peaks.isEmpty() && payload > 0) {
        // A column's place on the bar is the place a click there seeks to: the file byte at its
        // share of the bar taken of the whole file, less the header.
        const int span = std::max(1, groove.width() - handle.width());
        const int left = groove.left() + handle.width() / 2;
        const int middle = rect().center().y();
        const int reach = std::max(1, rect().height() / 2 - 2);
        const double fileBytes = double(m_fileLength);
        const qsizetype count = m_peaks.size();
        // The loudest part of the recording reaches the bar's edges; a recording of near silence
        // is not blown up into noise.
        const float loudest =
            std::max(*std::max_element(m_peaks.cbegin(), m_peaks.cend()), kQuietestScale);
        QColor colour = palette().color(QPalette::Highlight);
        colour.setAlpha(160);
        painter.setPen(colour);
        for (int x = 0; x < span; ++x) {
            const double from = (double(x) / span * fileBytes - m_headerLength) / double(payload);
            const double to = (double(x + 1) / span * fileBytes - m_headerLength) / double(payload);
            if (to <= 0.0 || from >= 1.0)
                continue;
            const auto first = std::clamp<qsizetype>(qsizetype(from * double(count)), 0, count - 1);
            const auto end = std::clamp<qsizetype>(qsizetype(to * double(count)), first + 1, count);
            const float peak = *std::max_element(m_peaks.cbegin() + first, m_peaks.cbegin() + end);
            const int half = int(peak / loudest * float(reach) + 0.5f);
            if (half > 0)
                painter.drawLine(left + x, middle - half, left + x, middle + half);
        }
    }

    option.subControls = QStyle::SC_SliderHandle;
    if (isSliderDown()) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

} // namespace tovrel
