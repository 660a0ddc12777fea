#include "recordings/FolderScan.h"

#include "io/NativePath.h"
#include "recordings/FolderWalk.h"
#include "recordings/RecordingWholeness.h"
#include "report/RecordingCells.h"

#include <QCoreApplication>
#include <QDir>

#include <strings.h>

namespace tovrel {

QString noSupportedFilesMessage()
{
    return QCoreApplication::translate("FolderScan", "此目录没有任何可支持的文件！");
}

QString folderMissingMessage()
{
    return QCoreApplication::translate("FolderScan", "文件夹不存在!");
}

QString unreadableFolderMessage()
{
    return QCoreApplication::translate("FolderScan", "无法读取此目录！");
}

QString unreadableFilesMessage(const QStringList &names)
{
    QStringList shown;
    shown.reserve(names.size());
    for (const QString &name : names)
        shown.append(shownPath(name));
    return QCoreApplication::translate("FolderScan", "以下文件无法读取：\n") +
           shown.join(QLatin1Char('\n'));
}

bool isListRecordingName(const char *name, size_t length)
{
    return length >= 4 && strncasecmp(name + length - 4, ".spx", 4) == 0;
}

FolderScanResult scanRecordingFolder(const QString &folder, const FolderScanFeed &feed)
{
    FolderScanResult result;
    if (folder.isEmpty()) {
        result.folder = FolderState::Missing;
        result.message = folderMissingMessage();
        return result;
    }
    QString base = QDir::cleanPath(QDir(folder).absolutePath());
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    QStringList unreadableNames;
    FolderWalkRules rules;
    rules.isRecordingName = isListRecordingName;
    FolderWalkHooks hooks;
    hooks.recording = [&result, &feed](const WalkedRecording &r) {
        const RecordingHeader header =
            decodeHeader(QByteArrayView(r.header.data(), qsizetype(r.header.size())));
        result.conversionTotal += chunkCount(header.payloadLength);
        const QString name = r.fileName();
        result.recordings.append(
            {r.folder + name, name, header, recordingDamage(r).value_or(QString()), r.hasNote});
        if (feed.listed)
            feed.listed(result.recordings.constLast());
    };
    hooks.fileFailed = [&](const QString &path, const QString &reason) {
        // One file that cannot be read (locked, no permission, a read error) hides none of the
        // others, and is never listed from a header that was not read.
        result.unreadable.append({path, reason});
        unreadableNames.append(path.mid(base.size()));
    };
    if (feed.progress)
        hooks.progress = [&feed](qint64) { feed.progress(); };
    hooks.stop = feed.stop;
    const auto failure = walkRecordingFolders(base, rules, hooks);
    if (feed.stop && feed.stop->load()) {
        result.stopped = true;
        return result;
    }
    if (failure) {
        result.folder = failure->missing ? FolderState::Missing : FolderState::Unreadable;
        result.message = failure->missing ? folderMissingMessage() : unreadableFolderMessage();
        return result;
    }
    if (!unreadableNames.isEmpty())
        result.message = unreadableFilesMessage(unreadableNames);
    else if (result.recordings.isEmpty())
        result.message = noSupportedFilesMessage();
    return result;
}

QStringList recordingRowCells(int rowNumber, const QString &fileName, const RecordingHeader &header)
{
    const RecordingCellValues values = listCellValues(header);
    return {QString::number(rowNumber),
            shownPath(fileName),
            header.number,
            recordingCellText(RecordingCell::Time, values, Wording::Data),
            recordingCellText(RecordingCell::Kind, values, Wording::Data),
            recordingCellText(RecordingCell::Size, values, Wording::Data),
            recordingCellText(RecordingCell::Duration, values, Wording::Data)};
}

} // namespace tovrel
