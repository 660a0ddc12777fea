#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "codec/AudioFormat.h"

#include <atomic>
#include <memory>

class QThread;

namespace tovrel {
class ContactBook;
}

// A batch conversion run: recording files in list order, each into <name>.wav in the output
// folder, on a thread of its own. The files are decoded by several jobs at once, one file per job
// (a file's decoder carries its state from one frame to the next, so one file is never split);
// what the run reports and the names the WAVs take follow the list order, as if one file were
// converted after the other. The run goes on while its flag (ConvertSelectedFlag or
// ConvertAllFlag) reads 1; clearing the flag stops every job after the chunk in hand and takes no
// further file: the WAVs of the files done before the one in hand keep their names, the one in
// hand is dropped (an earlier file of its name stays as it was), and so are those of the files
// after it. At a failure, too, the WAVs of later files are dropped: the folder holds what a run of
// one file after the other would have left. A file that is no recording, or not a whole one, or
// whose speech is corrupted, does not end the run: it is told by fileIncomplete(), and a WAV of it
// that does not hold a whole recording never replaces an earlier file. It reports by signals,
// queued to the window thread; it never touches a widget.
namespace tovrel {

// Failure texts of a run.
QString openFailedText();   // "打开文件失败！"
QString createFailedText(); // "创建文件失败！"
QString writeFailedText();  // "写入文件失败！"
QString readFailedText();   // "读取文件失败！"

class ConversionWorker : public QObject
{
    Q_OBJECT

public:
    // `outputFolder` ends in '/'. `jobs`: the files decoded at once; 0 for one per core.
    ConversionWorker(QStringList inputs, QString outputFolder, std::atomic<int> &flag, int jobs = 0,
                     QObject *parent = nullptr);

    // The jobs a run with `jobs` asked for uses: one per core for 0.
    static int jobCount(int jobs);

    // The format the files are converted into (WAV unless set), and the contact book naming
    // the calls in the files' tags (none: no contact names). Set before run().
    void setOutput(const AudioChoice &choice, std::shared_ptr<const ContactBook> contacts = {})
    {
        m_choice = choice;
        m_contacts = std::move(contacts);
    }

    // Clears the run's flag: the run stops after the chunk in hand.
    void requestStop() { m_flag.store(0); }
    // True once the run has finished or failed (set before those signals go out).
    bool hasEnded() const { return m_ended.load(); }

public slots:
    // Converts the files; returns when they are done, at a stop or at a failure.
    void run();

signals:
    // A file is open and its WAV created: its name, its chunk count and the run's maximum (the
    // chunks of all its files, so the run's progress ends at its maximum with the last file).
    void fileStarted(const QString &fileName, int chunkCount, qint64 overallMaximum);
    // Chunks done in the current file and in the whole run; sent sparingly (about every
    // thousandth of the file) and always at the end of a file.
    void progress(int fileChunks, qint64 runChunks);
    // The current file is converted whole: its WAV has its name.
    void fileFinished(const QString &wavPath);
    // The current file (its path) was not converted whole: the user's text saying why and what
    // became of its WAV, and the WAV's path when one took its name (else empty).
    void fileIncomplete(const QString &input, const QString &text, const QString &wavPath);
    // The run ends at a failure: the text to show and the system's reason.
    void failed(const QString &text, const QString &reason, const QString &path);
    // The run ended without failure: its files are exhausted or it was stopped (a file in hand
    // dropped, not reported).
    void finished();
    // Last signal of every run, after failed() or finished().
    void done();

private:
    QStringList m_inputs;
    QString m_outputFolder;
    std::atomic<int> &m_flag;
    int m_jobs;
    AudioChoice m_choice;
    std::shared_ptr<const ContactBook> m_contacts;
    std::atomic<bool> m_ended{false};
};

// Owns a worker and the thread it runs on. Destroying the run stops the worker and waits for
// its thread, so a run never outlives its owner.
class ConversionRun : public QObject
{
    Q_OBJECT

public:
    explicit ConversionRun(ConversionWorker *worker, QObject *parent = nullptr);
    ~ConversionRun() override;

    ConversionWorker *worker() const { return m_worker; }
    void start();
    bool isRunning() const;

private:
    ConversionWorker *m_worker;
    QThread *m_thread;
};

} // namespace tovrel
