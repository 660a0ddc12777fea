#include "recordings/FolderScan.h"

#include <QDir>
#include <QFile>

namespace tovrel {

QString noSupportedFilesMessage()
{
    return QString::fromUtf8("此目录没有任何可支持的文件！");
}

QStringList recordingFileNames(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return QDir(folder).entryList({QStringLiteral("*.spx")}, QDir::Files | QDir::Hidden,
                                  QDir::Name);
}

FolderScanResult scanRecordingFolder(const QString &folder)
{
    FolderScanResult result;
    const QStringList names = recordingFileNames(folder);
    if (names.isEmpty()) {
        result.message = noSupportedFilesMessage();
        return result;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    result.recordings.reserve(names.size());
    QFile file;
    for (const QString &name : names) {
        const QString path = base + name;
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            result.message = noSupportedFilesMessage();
            result.failedPath = path;
            result.failedReason = file.errorString();
            break;
        }
        char bytes[kHeaderProbeLength] = {};
        const qint64 got = file.read(bytes, kHeaderProbeLength);
        file.close();
        const RecordingHeader header =
            decodeHeader(QByteArrayView(bytes, got > 0 ? qsizetype(got) : 0));
        result.conversionTotal += chunkCount(header.payloadLength);
        result.recordings.append({path, name, header});
    }
    return result;
}

QStringList recordingRowCells(int rowNumber, const QString &fileName, const RecordingHeader &header)
{
    return {QString::number(rowNumber),
            fileName,
            header.number,
            dateTimeText(header),
            attributeText(header.attribute),
            sizeText(header.payloadLength),
            durationText(durationSeconds(header.payloadLength))};
}

} // namespace tovrel
