#include "conversion/ConversionWorker.h"

#include "codec/SpeexDecoder.h"
#include "conversion/RecordingConversion.h"

#include "io/NativePath.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>

namespace tovrel {

QString openFailedText()
{
    return QString::fromUtf8("打开文件失败！");
}

QString createFailedText()
{
    return QString::fromUtf8("创建文件失败！");
}

QString writeFailedText()
{
    return QString::fromUtf8("写入文件失败！");
}

QString readFailedText()
{
    return QString::fromUtf8("读取文件失败！");
}

ConversionWorker::ConversionWorker(Kind kind, QStringList inputs, QString outputFolder,
                                   qint64 conversionTotal, std::atomic<int> &flag, QObject *parent)
    : QObject(parent), m_kind(kind), m_inputs(std::move(inputs)),
      m_outputFolder(std::move(outputFolder)), m_conversionTotal(conversionTotal), m_flag(flag)
{}

qint64 ConversionWorker::overallMaximum() const
{
    if (m_kind == Kind::All)
        return m_conversionTotal;
    // As the list has always counted it: every file less a short header.
    qint64 sum = 0;
    for (const QString &path : m_inputs)
        sum += std::max<qint64>(0, nativeFileSize(path) - 19);
    return sum / 500;
}

void ConversionWorker::run()
{
    const qint64 maximum = overallMaximum();
    SpeexDecoder decoder;
    qint64 runDone = 0;
    QSet<QString> outputs;
    for (const QString &input : std::as_const(m_inputs)) {
        if (m_flag.load() != 1)
            break;
        const QString name = shownPath(QFileInfo(input).fileName());
        // Recordings of one name from different folders each keep their own WAV.
        const QString output = distinctWavPath(input, m_outputFolder, outputs);
        // Progress goes out about every thousandth of the file, so a bar moves smoothly without
        // flooding the window thread.
        int step = 1;
        FileConversionHooks hooks;
        hooks.started = [&](int chunks) {
            step = std::max(1, (chunks + 999) / 1000);
            emit fileStarted(name, chunks, maximum);
        };
        hooks.chunkDone = [&](int done) {
            ++runDone;
            if (done % step == 0)
                emit progress(done, runDone);
        };
        const FileConversion result = convertRecording(input, output, m_flag, decoder, hooks);
        switch (result.status) {
        case FileConversion::OpenFailed:
            m_ended.store(true);
            emit failed(openFailedText(), result.reason, input);
            emit done();
            return;
        case FileConversion::CreateFailed:
            m_ended.store(true);
            emit failed(createFailedText(), result.reason, output);
            emit done();
            return;
        case FileConversion::WriteFailed:
            emit progress(result.chunksWritten, runDone);
            m_ended.store(true);
            emit failed(writeFailedText(), result.reason, output);
            emit done();
            return;
        case FileConversion::ReadFailed:
            emit progress(result.chunksWritten, runDone);
            m_ended.store(true);
            emit failed(readFailedText(), result.reason, input);
            emit done();
            return;
        case FileConversion::Completed:
        case FileConversion::Stopped:
            emit progress(result.chunksWritten, runDone);
            emit fileFinished(output);
            break;
        }
    }
    m_ended.store(true);
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
