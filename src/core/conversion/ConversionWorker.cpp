#include "conversion/ConversionWorker.h"

#include "codec/AudioFileWriter.h"
#include "codec/SpeexDecoder.h"
#include "contacts/ContactBook.h"
#include "conversion/RecordingConversion.h"
#include "io/NativePath.h"
#include "notes/RecordingNote.h"
#include "recordings/RecordingTags.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tovrel {

QString openFailedText()
{
    return QCoreApplication::translate("ConversionWorker", "打开文件失败！");
}

QString createFailedText()
{
    return QCoreApplication::translate("ConversionWorker", "创建文件失败！");
}

QString writeFailedText()
{
    return QCoreApplication::translate("ConversionWorker", "写入文件失败！");
}

QString readFailedText()
{
    return QCoreApplication::translate("ConversionWorker", "读取文件失败！");
}

namespace {

// How far the jobs may run ahead of the file being reported: bounds the WAVs that wait, sealed
// under their temporary names, for their turn to take their names.
constexpr int kLookahead = 32;

// One file of a run. The fields under "guarded" are read and written with the run's mutex held.
struct FileTask
{
    QString input;
    QString output;
    // The job converting the file fills it; the reporter commits or drops it once the file ended.
    std::unique_ptr<AudioFileWriter> wav;
    // Chunks converted so far, for the progress of the file being reported.
    std::atomic<int> chunksDone{0};
    // guarded:
    bool taken = false;   // a job has it
    bool started = false; // both files open: chunkCount holds
    bool ended = false;   // result holds
    int chunkCount = 0;
    FileConversion result;
};

} // namespace

ConversionWorker::ConversionWorker(QStringList inputs, QString outputFolder, std::atomic<int> &flag,
                                   int jobs, QObject *parent)
    : QObject(parent), m_inputs(std::move(inputs)), m_outputFolder(std::move(outputFolder)),
      m_flag(flag), m_jobs(jobs)
{}

int ConversionWorker::jobCount(int jobs)
{
    return jobs > 0 ? jobs : std::max(1, QThread::idealThreadCount());
}

void ConversionWorker::run()
{
    const int count = int(m_inputs.size());
    std::vector<FileTask> tasks(static_cast<size_t>(count));
    qint64 maximum = 0;
    QSet<QString> outputs;
    for (int i = 0; i < count; ++i) {
        tasks[size_t(i)].input = m_inputs[i];
        // Recordings of one name from different folders each keep their own WAV.
        tasks[size_t(i)].output =
            distinctOutputPath(m_inputs[i], m_outputFolder, formatSuffix(m_choice.format), outputs);
        tasks[size_t(i)].wav = makeAudioFileWriter(m_choice);
        maximum += recordingChunks(m_inputs[i]);
    }

    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;                       // the next file a job takes
    std::atomic<int> reporting{0};      // the file whose progress goes out
    bool noMore = false;                // no job takes another file
    std::atomic<int> lastWanted{count}; // files after this one are dropped (a failure)

    // The year of a call recorded without one is found against the time the run started.
    const QDateTime now = QDateTime::currentDateTime();
    const auto job = [&] {
        SpeexDecoder decoder;
        for (;;) {
            int i = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return noMore || next >= count || next < reporting.load() + kLookahead;
                });
                if (noMore || next >= count)
                    return;
                // As between files of a run one after the other: a stop takes no further file.
                if (m_flag.load() != 1) {
                    noMore = true;
                    changed.notify_all();
                    return;
                }
                i = next++;
                tasks[size_t(i)].taken = true;
            }
            FileTask &task = tasks[size_t(i)];
            // Progress goes out about every thousandth of the file, so a bar moves smoothly
            // without flooding the window thread.
            int step = 1;
            FileConversionHooks hooks;
            hooks.started = [&](int chunks) {
                step = std::max(1, (chunks + 999) / 1000);
                const std::lock_guard lock(mutex);
                task.chunkCount = chunks;
                task.started = true;
                changed.notify_all();
            };
            hooks.chunkDone = [&](int done) {
                task.chunksDone.store(done);
                // Only the file being reported has progress to send.
                if (done % step == 0 && i == reporting.load()) {
                    const std::lock_guard lock(mutex);
                    changed.notify_all();
                }
            };
            hooks.abandoned = [&] { return i > lastWanted.load(); };
            if (m_choice.format != AudioFormat::Wav)
                hooks.tags = [&](const RecordingHeader &header) {
                    return recordingTags(
                        header, m_contacts ? m_contacts->nameFor(header.number) : QString(),
                        readNote(task.input).text, now);
                };
            const FileConversion result =
                convertRecordingSealed(task.input, task.output, *task.wav, m_flag, decoder, hooks);
            const std::lock_guard lock(mutex);
            task.result = result;
            task.ended = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> jobs;
    const int jobTotal = std::min(jobCount(m_jobs), std::max(count, 1));
    jobs.reserve(size_t(jobTotal));
    for (int j = 0; j < jobTotal; ++j)
        jobs.emplace_back(job);
    // Every job ends before the run does: no job outlives the worker's files.
    const auto endJobs = [&](int lastFile) {
        {
            const std::lock_guard lock(mutex);
            noMore = true;
            lastWanted.store(lastFile);
            changed.notify_all();
        }
        for (std::thread &j : jobs)
            j.join();
        // The WAVs that did not take their names go before the run reports its end, so that no
        // temporary file is left beside the WAVs once the end is known.
        for (FileTask &task : tasks)
            task.wav->discard();
    };
    const auto fail = [&](int i, const QString &text, const QString &reason, const QString &path) {
        m_ended.store(true);
        endJobs(i);
        emit failed(text, reason, path);
        emit done();
    };

    // The files are reported one after the other in list order, each as its job gets on.
    qint64 runDone = 0;
    bool stopped = false;
    for (int i = 0; i < count; ++i) {
        FileTask &task = tasks[size_t(i)];
        std::unique_lock lock(mutex);
        reporting.store(i);
        changed.notify_all();
        changed.wait(lock, [&] { return task.started || task.ended || (!task.taken && noMore); });
        if (!task.taken)
            break; // stopped before this file
        if (task.started) {
            const int chunks = task.chunkCount;
            lock.unlock();
            emit fileStarted(shownPath(QFileInfo(task.input).fileName()), chunks, maximum);
            lock.lock();
            int shown = 0;
            for (;;) {
                changed.wait(lock, [&] { return task.ended || task.chunksDone.load() > shown; });
                if (task.ended)
                    break;
                shown = task.chunksDone.load();
                lock.unlock();
                emit progress(shown, runDone + shown);
                lock.lock();
            }
        }
        const FileConversion result = task.result;
        lock.unlock();

        switch (result.status) {
        case FileConversion::OpenFailed:
            fail(i, openFailedText(), result.reason, task.input);
            return;
        case FileConversion::CreateFailed:
            fail(i, createFailedText(), result.reason, task.output);
            return;
        case FileConversion::WriteFailed:
            emit progress(result.chunksWritten, runDone + result.chunksWritten);
            fail(i, writeFailedText(), result.reason, task.output);
            return;
        case FileConversion::Stopped:
            // The file in hand is dropped, and so is every later one: the run ends as if the
            // files had been converted one after the other.
            stopped = true;
            break;
        case FileConversion::NotRecording:
            emit fileIncomplete(task.input, incompleteConversionText(result, false, false), {});
            break;
        case FileConversion::Completed:
        case FileConversion::ReadFailed:
        case FileConversion::DecodeFailed: {
            runDone += result.chunksWritten;
            emit progress(result.chunksWritten, runDone);
            // Without a sealed WAV (corrupted from the first chunk on) there is nothing to name.
            const bool sealed = task.wav->isSealed();
            const WavNaming naming =
                sealed ? nameConvertedWav(*task.wav, result) : WavNaming::Failed;
            if (sealed && naming == WavNaming::Failed) {
                fail(i, writeFailedText(), task.wav->errorString(), task.output);
                return;
            }
            if (result.whole()) {
                emit fileFinished(task.output);
            } else {
                const bool named = naming == WavNaming::Named;
                emit fileIncomplete(
                    task.input,
                    incompleteConversionText(result, named, naming == WavNaming::EarlierKept),
                    named ? task.output : QString());
            }
            if (result.status == FileConversion::ReadFailed) {
                fail(i, readFailedText(), result.reason, task.input);
                return;
            }
            break;
        }
        }
        if (stopped)
            break;
    }
    m_ended.store(true);
    endJobs(stopped ? -1 : count);
    emit finished();
    emit done();
}

ConversionRun::ConversionRun(ConversionWorker *worker, QObject *parent)
    : QObject(parent), m_worker(worker), m_thread(new QThread)
{
    m_worker->setParent(nullptr);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &ConversionWorker::run);
    connect(m_worker, &ConversionWorker::done, m_thread, &QThread::quit, Qt::DirectConnection);
}

ConversionRun::~ConversionRun()
{
    // A run that has already ended leaves the flag alone: it may belong to a newer run by now.
    if (!m_worker->hasEnded())
        m_worker->requestStop();
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void ConversionRun::start()
{
    m_thread->start();
}

bool ConversionRun::isRunning() const
{
    return m_thread->isRunning();
}

} // namespace tovrel
