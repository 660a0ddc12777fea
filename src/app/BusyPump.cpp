#include "BusyPump.h"

#include <QCoreApplication>
#include <QEvent>

namespace tovrel {

BusyPump::BusyPump(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

BusyPump::~BusyPump()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void BusyPump::pump()
{
    m_pumping = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_pumping = false;
}

bool BusyPump::eventFilter(QObject *watched, QEvent *event)
{
    if (m_pumping) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tovrel
