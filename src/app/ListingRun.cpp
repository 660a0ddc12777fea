#include "ListingRun.h"

#include <QEventLoop>
#include <QThread>

namespace tovrel {
namespace {
// How often rows go to the window: often enough to see them come, seldom enough that showing
// a batch never holds the window up.
constexpr int kBatchIntervalMs = 50;
// A batch is never larger than this, so showing it stays short on a fast disk.
constexpr qsizetype kMaxBatchRows = 2000;
} // namespace

void ListingRun::Feed::add(ListedRow row)
{
    m_pending.append(std::move(row));
    tick();
}

void ListingRun::Feed::tick()
{
    if (m_pending.size() >= kMaxBatchRows ||
        (!m_pending.isEmpty() && m_sinceBatch.elapsed() >= kBatchIntervalMs))
        flush();
}

void ListingRun::Feed::flush()
{
    m_sinceBatch.restart();
    if (m_pending.isEmpty())
        return;
    m_run.post([run = &m_run, rows = std::exchange(m_pending, {})]() mutable {
        run->m_rows(std::move(rows));
    });
}

void ListingRun::Feed::post(std::function<void()> step)
{
    flush();
    m_run.post(std::move(step));
}

ListingRun::ListingRun(Body body, RowsTaker rows, const QString &threadName, QObject *parent)
    : QObject(parent), m_body(std::move(body)), m_rows(std::move(rows)),
      m_relay(std::make_unique<QObject>())
{
    m_thread = QThread::create([this] {
        Feed feed(*this);
        feed.m_sinceBatch.start();
        std::function<void()> closing = m_body(feed);
        feed.flush();
        post([this, closing = std::move(closing)] {
            m_active = false;
            if (closing)
                closing();
            emit ended();
        });
    });
    m_thread->setObjectName(threadName);
    connect(
        this, &ListingRun::stepsPosted, m_relay.get(), [this] { runPostedSteps(); },
        Qt::QueuedConnection);
    // An abandoned run goes once its thread has ended.
    connect(m_thread, &QThread::finished, this, [this] {
        if (!m_relay)
            deleteLater();
    });
}

ListingRun::~ListingRun()
{
    m_stop = true;
    {
        const std::lock_guard lock(m_relayLock);
        m_relay.reset();
    }
    m_thread->wait();
    delete m_thread;
}

void ListingRun::start()
{
    m_active = true;
    m_thread->start();
}

void ListingRun::post(std::function<void()> step)
{
    const std::lock_guard lock(m_relayLock);
    if (!m_relay)
        return;
    m_steps.push_back(std::move(step));
    emit stepsPosted();
}

void ListingRun::runPostedSteps()
{
    for (;;) {
        std::function<void()> step;
        {
            const std::lock_guard lock(m_relayLock);
            if (m_abandoned || m_steps.empty())
                return;
            step = std::move(m_steps.front());
            m_steps.pop_front();
        }
        m_inStep = true;
        step();
        m_inStep = false;
    }
}

void ListingRun::abandon()
{
    m_stop = true;
    m_active = false;
    m_abandoned = true;
    {
        // Steps already posted go with the relay; a step abandoning its own run (a box it shows
        // lets the user start another) leaves the relay until it has returned.
        const std::lock_guard lock(m_relayLock);
        m_steps.clear();
        if (m_inStep)
            m_relay.release()->deleteLater();
        else
            m_relay.reset();
    }
    if (m_thread->isFinished() || !m_thread->isRunning())
        deleteLater();
}

void ListingRun::stopAndWait()
{
    m_stop = true;
    if (!m_active)
        return;
    QEventLoop loop;
    connect(this, &ListingRun::ended, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tovrel
