#pragma once

#include "report/RecordingCells.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

namespace tovrel {

// One row a listing found, built on the listing's thread: everything that reads a disk (the
// header's texts, the note's first line) is done there; the window only names the number and
// places the cells.
struct ListedRow
{
    QStringList cells;       // the list's cells, without the 备注 cell
    QString note;            // the 备注 cell
    bool noteUnread = false; // the note file is there but could not be read
    QString path;            // the row's key: the recording's path
    QString damage;          // what is wrong with the file, or empty
    int attribute = 0;       // the header's attribute (the search counts by it)
    bool longForm = false;
    // What the row's time, kind, size and duration cells are shown from.
    std::optional<RecordingCellValues> values;
};

// A listing of recordings (the PC tab's folder scan, the search) on a thread of its own, so the
// window keeps answering while a slow disk or share is read. The body reads; what it hands to
// the window (rows, in batches a few times a second, and its closing step) runs on the window
// thread in the order given. The run can be stopped; a run that is superseded or whose window
// goes is abandoned: it stops, nothing more it reports reaches the window, and it deletes itself
// when its thread has ended. Destroying a run stops it and waits for its thread.
class ListingRun : public QObject
{
    Q_OBJECT

public:
    // What the body has for its window.
    class Feed
    {
    public:
        // Set when the run is to stop; the body passes it to the folder walk.
        const std::atomic<bool> *stopFlag() const { return &m_run.m_stop; }
        bool stopRequested() const { return m_run.m_stop.load(); }
        // A row found: the window gets it with the next batch.
        void add(ListedRow row);
        // Lets a batch that is due go without waiting for the next row.
        void tick();
        // Runs `step` on the window thread, after the rows added before it.
        void post(std::function<void()> step);

    private:
        friend class ListingRun;
        explicit Feed(ListingRun &run) : m_run(run) {}
        void flush();

        ListingRun &m_run;
        QList<ListedRow> m_pending;
        QElapsedTimer m_sinceBatch;
    };

    // Runs on the listing's thread and returns the closing step, which runs on the window
    // thread once every row has been shown.
    using Body = std::function<std::function<void()>(Feed &feed)>;
    // Takes each batch of rows, on the window thread.
    using RowsTaker = std::function<void(QList<ListedRow> rows)>;

    ListingRun(Body body, RowsTaker rows, const QString &threadName, QObject *parent);
    ~ListingRun() override;

    void start();
    // Asks the body to stop; the rows found so far and the closing step still come.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop.load(); }
    // True from start() until the closing step has run (or the run was abandoned).
    bool isActive() const { return m_active; }
    // Stops the run and drops what it has not yet handed over; see the class comment.
    void abandon();
    // Stops the run and returns once its closing step has run, handling the window's other
    // events meanwhile (its user input waits).
    void stopAndWait();

signals:
    // The closing step has run.
    void ended();
    // Steps wait in the queue (sent from the listing's thread, queued to the relay).
    void stepsPosted();

private:
    void post(std::function<void()> step);
    // Runs the steps waiting, in order, on the window thread.
    void runPostedSteps();

    Body m_body;
    RowsTaker m_rows;
    std::mutex m_relayLock;
    std::unique_ptr<QObject> m_relay; // lives on the window thread; dropped by abandon()
    // The steps for the window thread, handed over under m_relayLock: the queued signal only
    // says that there are some, so nothing the listing's thread made passes through Qt's event
    // queue.
    std::deque<std::function<void()>> m_steps;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_active = false;
    // Window thread only: the run was abandoned; a step of it is running.
    bool m_abandoned = false;
    bool m_inStep = false;
};

} // namespace tovrel
