#include "TStorageSingleThread.h"

#include "LinkFlags.h"

#include "io/AtomicFile.h"
#include "recordings/CallTime.h"
#include "recordings/RecordingHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace tovrel {

QString folderCreateErrorText()
{
    return QCoreApplication::translate("TStorageSingleThread", "创建文件夹错误");
}
QString fileCreateErrorText()
{
    return QCoreApplication::translate("TStorageSingleThread", "创建文件错误");
}
QString fileWriteErrorText()
{
    return QCoreApplication::translate("TStorageSingleThread", "写入文件错误");
}
QString uploadFinishedText()
{
    return QCoreApplication::translate("TStorageSingleThread", "所选择的文件上传结束");
}
QString recordingNumberText(int position)
{
    return QCoreApplication::translate("TStorageSingleThread", "第%1条录音").arg(position);
}

QString uploadNotWholeText(const QStringList &names)
{
    return QCoreApplication::translate("TStorageSingleThread", "以下文件没有完整上传：\n") +
           names.join(QLatin1Char('\n'));
}

QString uploadIdleLabelText()
{
    return QCoreApplication::translate("TStorageSingleThread", "上传进度");
}

QString uploadLabelText(int fileNumber)
{
    return QCoreApplication::translate("TStorageSingleThread", "上传进度：正在上传选择的第%1个文件")
        .arg(fileNumber);
}

QString uploadCountsText(int uploaded, int present, int notWhole)
{
    return QCoreApplication::translate("TStorageSingleThread",
                                       "上传 %1 个，已有 %2 个，不完整 %3 个")
        .arg(uploaded)
        .arg(present)
        .arg(notWhole);
}

bool recordingAlreadyPresent(const QString &path, const QByteArray &record, quint32 payloadLength)
{
    // One look at the folder entry decides most cases; only a plain file of the right length
    // is opened (a pipe of that name would hold the worker), unbuffered, for its header alone.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() != qint64(record.size()) + qint64(payloadLength))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    return file.read(record.size()) == record;
}

TStorageSingleThread::TStorageSingleThread(std::shared_ptr<TelephoneLink> link, QString folder,
                                           QList<int> deviceIndices, QObject *parent)
    : QObject(parent), m_link(std::move(link)), m_folder(std::move(folder)),
      m_indices(std::move(deviceIndices))
{}

QString TStorageSingleThread::nameOf(int deviceIndex) const
{
    const auto listed = m_listedNames.constFind(deviceIndex);
    if (listed != m_listedNames.constEnd() && !listed->isEmpty())
        return *listed;
    return recordingNumberText(deviceIndex + 1);
}

void TStorageSingleThread::Execute()
{
    m_notWhole.clear();
    m_uploaded = 0;
    m_present = 0;
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
        for (const int index : std::as_const(m_indices))
            m_notWhole.append(nameOf(index));
        finish();
        return;
    }
    m_link->flush();

    int filesDone = 0;
    bool batchStopped = false;
    for (const int index : std::as_const(m_indices)) {
        if (stopRequested() || batchStopped) {
            m_notWhole.append(nameOf(index));
            continue;
        }
        QString name;
        const FileOutcome outcome = uploadOne(index, filesDone, &name);
        if (outcome == FileOutcome::Complete)
            ++m_uploaded;
        else if (outcome == FileOutcome::Present)
            ++m_present;
        else
            m_notWhole.append(name.isEmpty() ? nameOf(index) : name);
        if (outcome == FileOutcome::StopBatch) {
            batchStopped = true; // the rest of the selection is not asked for
            continue;
        }
        ++filesDone;
        emit batchProgress(filesDone);
    }
    finish();
}

void TStorageSingleThread::finish()
{
    // The completion text only when every selected recording arrived whole; otherwise one
    // warning names those that did not (a cancel is the user's own doing and needs none).
    const bool complete = m_notWhole.isEmpty() && !stopRequested();
    const QString counts = m_onlyNew ? QLatin1Char('\n') + uploadCountsText(m_uploaded, m_present,
                                                                            int(m_notWhole.size()))
                                     : QString();
    if (complete && !m_quietCompletion)
        emit message(uploadFinishedText() + counts);
    else if (!m_notWhole.isEmpty() && !stopRequested())
        emit message(uploadNotWholeText(m_notWhole) + counts);
    // Uploading is cleared by the receiver of ended() together with the controls, so the flag
    // and the cancel button never disagree.
    emit ended(true, complete);
}

TStorageSingleThread::FileOutcome TStorageSingleThread::uploadOne(int deviceIndex, int filesDone,
                                                                  QString *name)
{
    emit labelChanged(uploadLabelText(filesDone + 1));

    const auto record = m_link->readRecord(deviceIndex, m_onlyNew ? 0 : m_recordPauseMs);
    if (!record.ok()) {
        emit message(linkErrorText(record.error));
        return FileOutcome::StopBatch;
    }
    const RecordingHeader header = decodeHeader(record.value, m_link->longForm());
    *name = recordingFileName(header, deviceIndex + 1);
    const QString path = m_folder + *name;
    if (m_onlyNew && recordingAlreadyPresent(path, record.value, header.payloadLength))
        return FileOutcome::Present;

    AtomicFile file(path);
    if (const auto callTime = callDateTime(header, QDateTime::currentDateTime()))
        file.setModificationTime(*callTime);
    if (QFileInfo(path).isDir() || !file.open()) {
        emit message(fileCreateErrorText());
        return FileOutcome::StopBatch;
    }

    const quint32 length = header.payloadLength;
    const int packetCount = int((quint64(length) + kPacketBytes - 1) / kPacketBytes);
    emit packetRangeChanged(packetCount);
    emit packetProgress(0);

    bool writeFailed = !file.write(record.value);
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
        writeFailed = !file.write(QByteArrayView(bytes, packet.value));
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
    // A partial copy never replaces an existing file of the same name. The commit syncs the
    // file to disk before it takes the name, so a full disk never leaves a file cut short (or
    // empty) under the final name.
    const bool keep = !writeFailed && (complete || !QFile::exists(path)) &&
                      (complete || m_keepPartialOnStop || !stopRequested());
    bool committed = false;
    if (keep)
        committed = file.commit();
    else
        file.discard();
    if (writeFailed || (keep && !committed)) {
        emit message(fileWriteErrorText());
        return FileOutcome::StopBatch;
    }
    if (!linkFailure.isEmpty())
        emit message(linkFailure);
    return complete ? FileOutcome::Complete : FileOutcome::Short;
}

} // namespace tovrel
