#include "TStorageSingleThread.h"

#include "LinkFlags.h"

#include "io/AtomicFile.h"
#include "io/NativePath.h"
#include "recordings/CallTime.h"
#include "recordings/RecordingHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

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

namespace {

bool allDigits(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

QString uploadNameKey(QStringView name)
{
    if (!name.endsWith(u".spx"))
        return {};
    name.chop(4);
    // A second call of the same minute and number: "<name> (k)".
    if (name.endsWith(u')')) {
        const qsizetype open = name.lastIndexOf(u" (");
        if (open < 0 || !allDigits(name.sliced(open + 2, name.size() - open - 3)))
            return {};
        name.truncate(open);
    }
    const qsizetype second = name.indexOf(u'_', 9);
    if (name.size() < 9 || !allDigits(name.first(8)) || name[8] != u'_' || second < 13 ||
        !allDigits(name.sliced(9, second - 9)))
        return {};
    const QStringView number = name.sliced(second + 1);
    if (number.isEmpty() || number.contains(u' '))
        return {};
    return name.first(8).toString() + u'_' + number.toString();
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

void TStorageSingleThread::indexFolder()
{
    m_folderIndex.clear();
    QDirIterator it(m_folder, {QStringLiteral("*.spx")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const QString key = uploadNameKey(name);
        if (!key.isEmpty())
            m_folderIndex[key].append({name, it.fileInfo().size(), false, {}});
    }
}

bool TStorageSingleThread::holdsCall(FolderEntry &entry, const QByteArray &identity, bool longForm)
{
    if (entry.size < identity.size())
        return false;
    if (!entry.headRead) {
        entry.headRead = true;
        // Unbuffered, for the header alone. A file that cannot be read is of no known call: it
        // is never replaced nor removed.
        QFile file;
        HeaderBytes bytes;
        if (!openNativeFile(file, m_folder + entry.name, QIODevice::Unbuffered) &&
            !readHeader(file, bytes))
            entry.head = QByteArray(bytes.data(), identity.size());
    }
    return !entry.head.isEmpty() && recordIdentity(entry.head, longForm) == identity;
}

TStorageSingleThread::FolderMatch TStorageSingleThread::lookUp(const QString &uploadName,
                                                               const QByteArray &record,
                                                               quint32 payloadLength)
{
    const bool longForm = m_link->longForm();
    const QByteArray identity = recordIdentity(record, longForm);
    const qint64 wholeSize = qint64(record.size()) + qint64(payloadLength);
    QList<FolderEntry> &entries = m_folderIndex[uploadNameKey(uploadName)];
    FolderMatch match;
    QStringList ofCall;
    for (FolderEntry &entry : entries) {
        if (!holdsCall(entry, identity, longForm))
            continue;
        ofCall.append(entry.name);
        if (entry.size == wholeSize)
            match.whole = true;
        else if (entry.size < wholeSize)
            match.cutCopies.append(entry.name);
    }
    if (match.whole)
        return match;
    // The upload name, or the first numbered one, that is free or holds a copy of this call;
    // a file of another call keeps its name.
    const QString stem = uploadName.chopped(4);
    for (int k = 1;; ++k) {
        const QString name = k == 1 ? uploadName : stem + QStringLiteral(" (%1).spx").arg(k);
        match.nameHoldsCall = ofCall.contains(name);
        const bool listed = std::any_of(entries.cbegin(), entries.cend(),
                                        [&](const FolderEntry &e) { return e.name == name; });
        if (match.nameHoldsCall || (!listed && !QFileInfo::exists(m_folder + name))) {
            match.name = name;
            return match;
        }
    }
}

void TStorageSingleThread::noteFile(const QString &name, qint64 size, const QByteArray &record,
                                    const QStringList &cutCopies)
{
    QList<FolderEntry> &entries = m_folderIndex[uploadNameKey(name)];
    // The cut copies go only once the file of the call is in place, never the file itself.
    for (const QString &cut : cutCopies) {
        if (cut != name && QFile::remove(m_folder + cut))
            entries.removeIf([&](const FolderEntry &e) { return e.name == cut; });
    }
    if (size < 0)
        return;
    entries.removeIf([&](const FolderEntry &e) { return e.name == name; });
    entries.append({name, size, true, record});
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
    if (m_onlyNew)
        indexFolder();

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
    FolderMatch match;
    if (m_onlyNew) {
        match = lookUp(*name, record.value, header.payloadLength);
        if (match.whole) {
            noteFile(*name, -1, record.value, match.cutCopies);
            return FileOutcome::Present;
        }
        *name = match.name;
    }
    const QString path = m_folder + *name;

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
    // Only new: a name that held nothing when the folder was looked at is taken only if it
    // still holds nothing, so a file of another call is never replaced.
    bool committed = false;
    bool taken = false;
    if (keep && m_onlyNew && !match.nameHoldsCall)
        committed = file.commitIfAbsent(&taken);
    else if (keep)
        committed = file.commit();
    else
        file.discard();
    if (taken) {
        emit message(fileCreateErrorText());
        return FileOutcome::StopBatch;
    }
    if (writeFailed || (keep && !committed)) {
        emit message(fileWriteErrorText());
        return FileOutcome::StopBatch;
    }
    if (m_onlyNew && committed)
        noteFile(*name, qint64(record.value.size()) + qint64(received), record.value,
                 complete ? match.cutCopies : QStringList());
    if (!linkFailure.isEmpty())
        emit message(linkFailure);
    return complete ? FileOutcome::Complete : FileOutcome::Short;
}

} // namespace tovrel
