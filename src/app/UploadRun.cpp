#include "UploadRun.h"

#include "device/TStorageSingleThread.h"

#include <QEventLoop>

namespace tovrel {

UploadRun::UploadRun(std::shared_ptr<TelephoneLink> link, const QString &folder,
                     const QList<int> &deviceIndices)
    : m_relay(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("TStorageSingleThread"));
    m_worker = new TStorageSingleThread(std::move(link), folder, deviceIndices);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::started, m_worker, &TStorageSingleThread::Execute);
    QObject::connect(m_worker, &TStorageSingleThread::ended, &m_thread, &QThread::quit,
                     Qt::DirectConnection);
}

UploadRun::~UploadRun()
{
    finish();
    delete m_worker;
}

void UploadRun::finish()
{
    m_worker->requestStop();
    // Pending signals to the window are dropped; a worker blocked on a message box goes on.
    m_relay.reset();
    m_thread.quit();
    m_thread.wait();
}

void UploadRun::start()
{
    m_thread.start(QThread::NormalPriority);
}

void UploadRun::requestStop()
{
    m_worker->requestStop();
}

void UploadRun::waitUntilEnded()
{
    if (!m_thread.isRunning())
        return;
    QEventLoop loop;
    QObject::connect(&m_thread, &QThread::finished, &loop, &QEventLoop::quit);
    if (m_thread.isRunning())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tovrel
