#include "WatchCommand.h"

#include "CliText.h"

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneList.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextStream>

#include <atomic>
#include <cmath>
#include <mutex>
#include <optional>

namespace tovrel::cli {
namespace {

// How long the watch waits between two looks at the telephone when no arrival cuts it short.
constexpr int kTickMs = 1000;
// A telephone whose link was lost at two visits in a row, still listed, is visited again after
// this pause.
constexpr int kLostLinkPauseMs = 30000;

// One line on stderr, after the local time.
void say(const QString &text)
{
    QTextStream(stderr) << QDateTime::currentDateTime().toString(
                               QStringLiteral("yyyy-MM-dd hh:mm:ss "))
                        << text << '\n';
}

// Whether the archive can take files: it is made when missing, and a probe file is written,
// synced and removed. The failure text, or nothing.
std::optional<QString> folderFault(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(folder));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return QStringLiteral("tovrel device: ") +
               cliTr("the folder %1 cannot be created").arg(shown);
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tovrel-watch-XXXXXX")));
    if (!probe.open() || probe.write("probe\n", 6) != 6 || !probe.flush())
        return QStringLiteral("tovrel device: ") +
               cliTr("the folder %1 cannot be written: %2").arg(shown, probe.errorString());
    return std::nullopt;
}

// "; not arrived: " and the names of the recordings of a visit that did not arrive whole.
QString notArrivedText(const QStringList &names)
{
    return cliTr("; not arrived: %1").arg(names.join(QStringLiteral(", ")));
}

class Watch
{
public:
    Watch(std::shared_ptr<TelephoneLink> link, const WatchRequest &request)
        : m_link(std::move(link)), m_request(request),
          m_folder(QDir(request.folder).absolutePath() + QLatin1Char('/'))
    {}

    // From the interrupt watch's thread: the worker stops after its exchange in hand, and the
    // wait ends at once.
    void stop()
    {
        m_stopping = true;
        {
            const std::lock_guard lock(m_workerLock);
            if (m_worker)
                m_worker->requestStop();
        }
        m_link->usb().wakeWaiters();
    }

    int run()
    {
        bool present = false;
        // A refused password or a telephone that does not open: nothing more until it leaves.
        bool blocked = false;
        QDeadlineTimer nextVisit;
        // When an arrival is visited: at once, unless the link was lost twice in a row with no
        // look finding the telephone gone in between (a link that keeps failing is not visited
        // every tick).
        QDeadlineTimer arrivalVisit(0);
        int lostInARow = 0;
        quint64 departures = m_link->usb().departures();
        while (!m_stopping) {
            // Heard leaving since the last look: whatever this look finds has arrived anew.
            const quint64 heard = m_link->usb().departures();
            const bool departed = heard != departures;
            departures = heard;
            const bool attached = m_link->deviceCount() > 0;
            if (departed || !attached) {
                present = false;
                blocked = false;
                arrivalVisit = QDeadlineTimer(0);
                lostInARow = 0;
            }
            if (attached && !present) {
                present = true;
                blocked = false;
                nextVisit = arrivalVisit;
            }
            if (present && !blocked && nextVisit.hasExpired() && !m_stopping) {
                if (const auto fault = folderFault(m_folder)) {
                    say(*fault);
                    return 1;
                }
                const Visit end = visit();
                // A link lost in the middle was the telephone leaving: whatever the next look
                // finds has arrived anew, however short its absence.
                lostInARow = m_link->linkLost() ? lostInARow + 1 : 0;
                if (lostInARow > 0) {
                    present = false;
                    arrivalVisit = QDeadlineTimer(lostInARow > 1 ? kLostLinkPauseMs : 0);
                }
                m_link->closeAtExit();
                UsbLoggedIn = 0;
                UsbOpened = 0;
                if (end == Visit::FolderFailed) {
                    if (const auto fault = folderFault(m_folder)) {
                        say(*fault);
                        return 1;
                    }
                }
                blocked = end == Visit::Refused || end == Visit::NotOpened;
                nextVisit.setRemainingTime(
                    qint64(std::llround(m_request.everyMinutes * 60 * 1000)));
            }
            if (!m_stopping)
                m_link->usb().waitForChange(kTickMs);
        }
        return 0;
    }

private:
    enum class Visit
    {
        Done,
        Refused,
        NotOpened,
        LinkFailed,
        FolderFailed, // the worker could not create or write a file
    };

    Visit visit()
    {
        if (!m_link->openStep()) {
            const UsbOpenFailure failure = m_link->usb().openFailure();
            say(usbOpenFailureText(failure));
            // Another program holding the telephone (the desk) may let it go before the next
            // visit; a refused permission needs the telephone plugged in again.
            return failure.kind == UsbOpenFailure::Busy ? Visit::LinkFailed : Visit::NotOpened;
        }
        UsbOpened = 1;
        const LoginResult login = checkPassword(*m_link, m_request.password);
        if (login.outcome != LoginOutcome::Accepted) {
            say(login.message);
            return login.outcome == LoginOutcome::Refused ? Visit::Refused : Visit::LinkFailed;
        }
        UsbLoggedIn = 1;
        const auto count = m_link->readCount();
        if (!count.ok()) {
            say(linkErrorText(count.error));
            return Visit::LinkFailed;
        }
        QList<int> indices;
        for (int n = 0; n < count.value; ++n)
            if (n != kSkippedRecordIndex)
                indices.append(n);
        if (indices.isEmpty() || m_stopping) {
            say(uploadCountsText(0, 0, 0));
            return Visit::Done;
        }
        return upload(indices);
    }

    Visit upload(const QList<int> &indices)
    {
        // What the folder held before: a copy cut short by the link is not kept under a name
        // it did not have, so the archive only ever holds whole recordings.
        const QStringList before = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
        TStorageSingleThread worker(m_link, m_folder, indices);
        worker.setOnlyNew(true);
        worker.setKeepPartialOnStop(false);
        QStringList reasons;
        bool folderFailed = false;
        QObject::connect(&worker, &TStorageSingleThread::message, [&](const QString &text) {
            // The end texts are said by the visit's own line.
            if (text.startsWith(uploadFinishedText()) || text.startsWith(uploadNotWholeText({})))
                return;
            folderFailed = folderFailed || text == folderCreateErrorText() ||
                           text == fileCreateErrorText() || text == fileWriteErrorText();
            if (!reasons.contains(text))
                reasons.append(text);
        });
        {
            const std::lock_guard lock(m_workerLock);
            m_worker = &worker;
        }
        if (m_stopping)
            worker.requestStop();
        Uploading = 1;
        worker.Execute();
        Uploading = 0;
        {
            const std::lock_guard lock(m_workerLock);
            m_worker = nullptr;
        }
        const QStringList notWhole = worker.notWhole();
        for (const QString &name : notWhole) {
            const QString path = m_folder + name;
            if (!before.contains(name) && QFileInfo(path).isFile())
                QFile::remove(path);
        }
        QString line = uploadCountsText(worker.uploadedCount(), worker.alreadyPresentCount(),
                                        int(notWhole.size()));
        if (!notWhole.isEmpty())
            line += notArrivedText(notWhole);
        if (!reasons.isEmpty())
            line += QStringLiteral(" (") + reasons.join(QStringLiteral("; ")) + QLatin1Char(')');
        say(line);
        return folderFailed ? Visit::FolderFailed : Visit::Done;
    }

    std::shared_ptr<TelephoneLink> m_link;
    WatchRequest m_request;
    QString m_folder; // absolute, ending with '/'
    std::atomic<bool> m_stopping{false};
    std::mutex m_workerLock;
    TStorageSingleThread *m_worker = nullptr; // under m_workerLock: the upload in progress
};

} // namespace

int runWatch(const std::shared_ptr<TelephoneLink> &link, const WatchRequest &request,
             InterruptWatch &interrupts)
{
    if (const auto fault = folderFault(request.folder)) {
        QTextStream(stderr) << *fault << '\n';
        return 1;
    }
    Watch watch(link, request);
    interrupts.start([&watch] { watch.stop(); });
    const int result = watch.run();
    interrupts.stop();
    link->closeAtExit();
    return result;
}

} // namespace tovrel::cli
