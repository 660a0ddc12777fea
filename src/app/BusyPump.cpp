#include "BusyPump.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace tovrel {
namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
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
        return false;
    }
}

} // namespace

BusyPump::BusyPump(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

BusyPump::~BusyPump()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void BusyPump::refuseOpenWindows()
{
    // Input is refused to what is open now; a box raised by an event handled meanwhile is not.
    m_refused.clear();
    for (QWidget *widget : QApplication::topLevelWidgets())
        m_refused.append(widget);
    for (QWindow *window : QGuiApplication::topLevelWindows())
        m_refused.append(window);
}

void BusyPump::pump()
{
    refuseOpenWindows();
    m_pumping = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_pumping = false;
    m_refused.clear();
}

void BusyPump::pumpUntilFinished(QThread &thread)
{
    refuseOpenWindows();
    m_pumping = true;
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    if (!thread.isFinished())
        loop.exec(QEventLoop::AllEvents);
    m_pumping = false;
    m_refused.clear();
}

bool BusyPump::inRefusedWindow(QObject *watched) const
{
    QObject *top = nullptr;
    if (auto *widget = qobject_cast<QWidget *>(watched)) {
        top = widget->window();
    } else if (auto *window = qobject_cast<QWindow *>(watched)) {
        while (window->parent())
            window = window->parent();
        top = window;
    } else {
        return false; // not a window's input
    }
    for (const QPointer<QObject> &refused : m_refused) {
        if (refused == top)
            return true;
    }
    return false;
}

bool BusyPump::eventFilter(QObject *watched, QEvent *event)
{
    if (m_pumping && isUserInput(event->type()) && inRefusedWindow(watched))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace tovrel
