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
    case QEvent::KeyPress: {
        // A modifier alone never moves the bar: it is half of a player key (Ctrl+←).
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt &&
            key != Qt::Key_Meta && key != Qt::Key_AltGr)
            m_pressedKey = key;
        break;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        decides = !key->isAutoRepeat() && key->key() == m_pressedKey;
        if (decides)
            m_pressedKey = 0;
        break;
    }
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
