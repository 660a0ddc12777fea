#include "TrackBarWatch.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>

namespace tovrel {

TrackBarWatch::TrackBarWatch(QSlider *slider) : QObject(slider), m_slider(slider)
{
    slider->installEventFilter(this);
}

bool TrackBarWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_slider)
        return false;
    bool decides = false;
    switch (event->type()) {
    case QEvent::MouseMove:
        emit moving();
        break;
    case QEvent::MouseButtonRelease:
        // The left button pages or drags, the middle one sets and drags (as the style says):
        // the thumb is let go when the last button held comes up.
        decides = static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton;
        break;
    case QEvent::KeyRelease:
        decides = !static_cast<QKeyEvent *>(event)->isAutoRepeat();
        break;
    case QEvent::Wheel:
        decides = true;
        break;
    default:
        break;
    }
    if (decides) {
        // The slider takes the event in first (and only once), so its value is the one the user
        // chose.
        static_cast<QObject *>(m_slider)->event(event);
        emit released();
        return true;
    }
    return false;
}

} // namespace tovrel
