#include "DeskApplication.h"

#include "StandardError.h"

#include <QThread>

#include <exception>

namespace tovrel {

DeskApplication::DeskApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool DeskApplication::notify(QObject *receiver, QEvent *event)
{
    // A box can only be shown on the window thread; events of worker threads pass untouched.
    if (!m_errors || QThread::currentThread() != thread())
        return QApplication::notify(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showStandardError(*m_errors, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showStandardError(*m_errors, QString());
    }
    return false;
}

} // namespace tovrel
