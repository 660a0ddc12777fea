#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>

namespace tovrel {

// One worker of the telephone link (the list reader or the upload worker) on its own thread.
// The run owns the worker; its body runs once on the thread, which ends when the body returns.
// Connect the worker's signals with relay() as context: when the run is finished the relay goes
// first, so a worker waiting for a message box is released, and the thread is then waited for.
class WorkerRun
{
public:
    // `body` runs on the run's thread; `stop` asks the worker to stop (any thread).
    WorkerRun(std::unique_ptr<QObject> worker, std::function<void()> body,
              std::function<void()> stop, const QString &threadName);
    ~WorkerRun();
    WorkerRun(const WorkerRun &) = delete;
    WorkerRun &operator=(const WorkerRun &) = delete;

    QObject *relay() const { return m_relay.get(); }

    void start();
    void requestStop();
    bool isRunning() const { return m_thread.isRunning(); }
    // Returns when the worker's body has ended, handling queued events (but no user input)
    // meanwhile, so the worker's message boxes are still shown and answered.
    void waitUntilEnded();
    // Asks the worker to stop, drops its pending signals (releasing a worker held by a message
    // box) and waits for its thread. The run is finished for good afterwards.
    void finish();

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_worker;
    std::function<void()> m_stop;
    std::unique_ptr<QObject> m_relay;
};

} // namespace tovrel
