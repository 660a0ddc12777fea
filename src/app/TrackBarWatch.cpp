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
    switch (event->type()) {
    case QEvent::MouseMove:
        emit moving();
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        [[fallthrough]];
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent *>(event)->isAutoRepeat())
            break;
        [[fallthrough]];
    case QEvent::Wheel:
        // After the slider has handled the event.
        QMetaObject::invokeMethod(this, &TrackBarWatch::released, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return false;
}

} // namespace tovrel
