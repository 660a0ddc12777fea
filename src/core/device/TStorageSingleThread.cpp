#include "TStorageSingleThread.h"

#include "LinkFlags.h"

#include "recordings/RecordingHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

namespace tovrel {

QString folderCreateErrorText()
{
    return QString::fromUtf8("创建文件夹错误");
}
QString fileCreateErrorText()
{
    return QString::fromUtf8("创建文件错误");
}
QString fileWriteErrorText()
{
    return QString::fromUtf8("写入文件错误");
}
QString uploadFinishedText()
{
    return QString::fromUtf8("所选择的文件上传结束");
}
QString uploadIdleLabelText()
{
    return QString::fromUtf8("上传进度");
}

QString uploadLabelText(int fileNumber)
{
    return QString::fromUtf8("上传进度：正在上传选择的第") + QString::number(fileNumber) +
           QString::fromUtf8("个文件");
}

TStorageSingleThread::TStorageSingleThread(std::shared_ptr<TelephoneLink> link, QString folder,
                                           QList<int> deviceIndices, QObject *parent)
    : QObject(parent), m_link(std::move(link)), m_folder(std::move(folder)),
      m_indices(std::move(deviceIndices))
{}

void TStorageSingleThread::Execute()
{
    if (!QDir(m_folder).exists() && !QDir().mkdir(m_folder)) {
        emit message(folderCreateErrorText());
        emit ended(false, false);
        return;
    }
    if (m_indices.isEmpty() || !UsbLoggedIn.load()) {
        emit ended(false, false);
        return;
    }

    m_link->flush();
    emit batchRangeChanged(int(m_indices.size()));
    emit batchProgress(0);
    // Without an established form no record can be read: the batch ends here.
    if (!m_link->probeRecordLength()) {
        emit message(linkErrorText(LinkError::Read));
        finish(false);
        return;
    }
    m_link->flush();

    int filesDone = 0;
    bool lastComplete = false;
    for (const int index : std::as_const(m_indices)) {
        if (stopRequested())
            break;
        const FileOutcome outcome = uploadOne(index, filesDone);
        if (outcome == FileOutcome::StopBatch)
            break;
        lastComplete = outcome == FileOutcome::Complete;
        ++filesDone;
        emit batchProgress(filesDone);
    }
    finish(filesDone == m_indices.size() && lastComplete);
}

void TStorageSingleThread::finish(bool complete)
{
    if (complete)
        emit message(uploadFinishedText());
    // Uploading is cleared by the receiver of ended() together with the controls, so the flag
    // and the cancel button never disagree.
    emit ended(true, complete);
}

TStorageSingleThread::FileOutcome TStorageSingleThread::uploadOne(int deviceIndex, int filesDone)
{
    emit labelChanged(uploadLabelText(filesDone + 1));

    const auto record = m_link->readRecord(deviceIndex, m_recordPauseMs);
    if (!record.ok()) {
        emit message(linkErrorText(record.error));
        return FileOutcome::StopBatch;
    }
    const RecordingHeader header = decodeHeader(record.value, m_link->longForm());
    const QString path = m_folder + recordingFileName(header, deviceIndex + 1);

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly)) {
        emit message(fileCreateErrorText());
        return FileOutcome::StopBatch;
    }

    const quint32 length = header.payloadLength;
    const int packetCount = int((quint64(length) + kPacketBytes - 1) / kPacketBytes);
    emit packetRangeChanged(packetCount);
    emit packetProgress(0);

    bool writeFailed = file.write(record.value) != record.value.size();
    quint32 address = header.startAddress;
    quint64 received = 0;
    int packetsDone = 0;
    int lastPercent = 0;
    QString linkFailure;
    while (!writeFailed && packetsDone < packetCount && !stopRequested()) {
        const int count = int(std::min<quint64>(length - received, kPacketBytes));
        const auto packet = m_link->readData(address, count);
        address += quint32(count);
        if (!packet.ok()) {
            linkFailure = linkErrorText(packet.error);
            break;
        }
        received += quint64(count);
        const auto *bytes = reinterpret_cast<const char *>(m_link->DataBuffer.data());
        writeFailed = file.write(bytes, packet.value) != packet.value;
        if (writeFailed)
            break;
        ++packetsDone;
        const int percent = int(qint64(packetsDone) * 100 / packetCount);
        if (percent != lastPercent || packetsDone == packetCount) {
            lastPercent = percent;
            emit packetProgress(packetsDone);
        }
    }

    const bool complete = !writeFailed && packetsDone == packetCount;
    // A partial copy never replaces an existing file of the same name.
    const bool keep = !writeFailed && (complete || !QFile::exists(path));
    bool committed = false;
    if (keep)
        committed = file.commit();
    else
        file.cancelWriting();
    if (writeFailed || (keep && !committed)) {
        emit message(fileWriteErrorText());
        return FileOutcome::StopBatch;
    }
    if (!linkFailure.isEmpty())
        emit message(linkFailure);
    return complete ? FileOutcome::Complete : FileOutcome::Short;
}

} // namespace tovrel
