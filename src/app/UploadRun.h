#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

#include <memory>

namespace tovrel {

class TelephoneLink;
class TStorageSingleThread;

// One upload worker on its own thread. Connect the worker's signals with relay() as context:
// when the run is destroyed the relay goes first, so a worker waiting for a message box is
// released, and the thread is then stopped and waited for.
class UploadRun
{
public:
    UploadRun(std::shared_ptr<TelephoneLink> link, const QString &folder,
              const QList<int> &deviceIndices);
    ~UploadRun();
    UploadRun(const UploadRun &) = delete;
    UploadRun &operator=(const UploadRun &) = delete;

    TStorageSingleThread *worker() const { return m_worker; }
    QObject *relay() const { return m_relay.get(); }

    void start();
    void requestStop();
    bool isRunning() const { return m_thread.isRunning(); }
    // Returns when the worker's body has ended, handling queued events (but no user input)
    // meanwhile, so the worker's message boxes are still shown.
    void waitUntilEnded();
    // Asks the worker to stop, drops its pending signals (releasing a worker held by a message
    // box) and waits for its thread. The run is finished for good afterwards.
    void finish();

private:
    QThread m_thread;
    TStorageSingleThread *m_worker = nullptr;
    std::unique_ptr<QObject> m_relay;
};

} // namespace tovrel
