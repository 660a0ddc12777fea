#include "WorkerRun.h"

#include <QEventLoop>

namespace tovrel {

WorkerRun::WorkerRun(std::unique_ptr<QObject> worker, std::function<void()> body,
                     std::function<void()> stop, const QString &threadName)
    : m_worker(std::move(worker)), m_stop(std::move(stop)), m_relay(std::make_unique<QObject>())
{
    m_thread.setObjectName(threadName);
    m_worker->moveToThread(&m_thread);
    // Runs in the worker's thread (the worker is the context); the thread ends with the body.
    QObject::connect(&m_thread, &QThread::started, m_worker.get(), [this, body = std::move(body)] {
        body();
        m_thread.quit();
    });
}

WorkerRun::~WorkerRun()
{
    finish();
}

void WorkerRun::finish()
{
    m_stop();
    // Pending signals to the window are dropped; a worker blocked on a message box goes on.
    m_relay.reset();
    m_thread.quit();
    m_thread.wait();
}

void WorkerRun::start()
{
    m_thread.start(QThread::NormalPriority);
}

void WorkerRun::requestStop()
{
    m_stop();
}

void WorkerRun::waitUntilEnded()
{
    if (!m_thread.isRunning())
        return;
    QEventLoop loop;
    QObject::connect(&m_thread, &QThread::finished, &loop, &QEventLoop::quit);
    if (m_thread.isRunning())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tovrel
