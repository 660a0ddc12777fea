#include "conversion/RecordingConversion.h"

#include "codec/AudioFileWriter.h"
#include "codec/SpeexDecoder.h"
#include "io/NativePath.h"
#include "recordings/RecordingHeader.h"
#include "recordings/RecordingWholeness.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace tovrel {

QString wavPathFor(const QString &recordingPath, const QString &outputFolder)
{
    return outputFolder + shownPath(QFileInfo(recordingPath).fileName()) + QStringLiteral(".wav");
}

QString distinctOutputPath(const QString &recordingPath, const QString &outputFolder,
                           const QString &suffix, QSet<QString> &taken)
{
    const QString name = shownPath(QFileInfo(recordingPath).fileName());
    QString path = outputFolder + name + suffix;
    if (taken.contains(path)) {
        // The number goes before the recording's own extension: N.spx gives N (2).spx.
        const bool spx = name.endsWith(QStringLiteral(".spx"), Qt::CaseInsensitive);
        const QString stem = spx ? name.chopped(4) : name;
        const QString extension = spx ? name.right(4) : QString();
        for (int n = 2; taken.contains(path); ++n)
            path = outputFolder + stem + QStringLiteral(" (%1)").arg(n) + extension + suffix;
    }
    taken.insert(path);
    return path;
}

QString distinctWavPath(const QString &recordingPath, const QString &outputFolder,
                        QSet<QString> &taken)
{
    return distinctOutputPath(recordingPath, outputFolder, QStringLiteral(".wav"), taken);
}

int wholeChunks(qint64 fileSize, int headerLength)
{
    if (fileSize <= headerLength)
        return 0;
    // The WAV's 32-bit sizes bound a recording to what 8000 bytes per chunk can describe.
    const qint64 limit = (std::numeric_limits<quint32>::max() - 36) / kChunkPcmBytes;
    return int(std::min<qint64>((fileSize - headerLength) / kChunkBytes, limit));
}

namespace {

// The header length a recording's first bytes announce.
int headerLengthOf(const HeaderBytes &probe)
{
    return isLongForm(QByteArrayView(probe.data(), probe.size())) ? kLongHeaderLength
                                                                  : kShortHeaderLength;
}

} // namespace

int recordingChunks(const QString &path)
{
    HeaderBytes probe;
    QFile file;
    if (openRecording(file, path, probe))
        return 0;
    const auto fault = recordingFault(probe, file.size());
    if (fault && fault->kind == RecordingFault::NoRecording)
        return 0;
    return wholeChunks(file.size(), headerLengthOf(probe));
}

FileConversion convertRecordingSealed(const QString &input, const QString &output,
                                      AudioFileWriter &wav, const std::atomic<int> &keepGoing,
                                      SpeexDecoder &decoder, const FileConversionHooks &hooks)
{
    FileConversion result;
    QFile in;
    HeaderBytes probe;
    if (const auto failure = openRecording(in, input, probe)) {
        result.status = FileConversion::OpenFailed;
        result.reason = failure->reason;
        return result;
    }
    // A file that is no recording gives no WAV; one that is not whole gives what it has.
    if (const auto fault = recordingFault(probe, in.size())) {
        if (fault->kind == RecordingFault::NoRecording) {
            result.status = FileConversion::NotRecording;
            result.reason = fault->text;
            return result;
        }
        result.notWhole = fault->text;
    }
    const int headerLength = headerLengthOf(probe);
    result.chunkCount = wholeChunks(in.size(), headerLength);

    if (hooks.tags)
        wav.setTags(hooks.tags(decodeHeader(QByteArrayView(probe.data(), probe.size()))));
    if (!wav.open(output, quint32(result.chunkCount) * kChunkPcmBytes)) {
        result.status = FileConversion::CreateFailed;
        result.reason = wav.errorString();
        return result;
    }
    // The WAV carries the recording's time: that of the call, once the recording has it.
    wav.setModificationTime(in.fileTime(QFileDevice::FileModificationTime));
    if (hooks.started)
        hooks.started(result.chunkCount);

    decoder.reset();
    in.seek(headerLength);
    char chunk[kChunkBytes];
    int16_t pcm[kChunkPcmBytes / 2];
    while (result.chunksWritten < result.chunkCount) {
        if (keepGoing.load() != 1 || (hooks.abandoned && hooks.abandoned())) {
            result.status = FileConversion::Stopped;
            break;
        }
        const qint64 read = in.read(chunk, kChunkBytes);
        if (read != kChunkBytes) {
            // A read error, or the file got shorter under us: the WAV keeps what was converted
            // and the run must not report the recording as converted.
            result.status = FileConversion::ReadFailed;
            result.reason = read < 0 ? in.errorString()
                                     : QCoreApplication::translate("RecordingConversion",
                                                                   "文件在文件头后第 %1 字节处结束")
                                           .arg(qint64(result.chunksWritten) * kChunkBytes +
                                                std::max<qint64>(read, 0));
            break;
        }
        decoder.decode(QByteArrayView(chunk, kChunkBytes), pcm);
        if (decoder.corrupted()) {
            // The chunk holding the corrupted speech is not written: the WAV ends before it.
            result.status = FileConversion::DecodeFailed;
            break;
        }
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
            qToLittleEndian<int16_t>(pcm, kChunkPcmBytes / 2, pcm);
        if (!wav.append(QByteArrayView(reinterpret_cast<const char *>(pcm), kChunkPcmBytes))) {
            result.status = FileConversion::WriteFailed;
            result.reason = wav.errorString();
            // Nothing half-written takes the WAV's name; an earlier WAV of it stays whole.
            wav.discard();
            return result;
        }
        ++result.chunksWritten;
        if (hooks.chunkDone)
            hooks.chunkDone(result.chunksWritten);
    }
    // A stopped conversion is cut short: it never takes the WAV's name, and a corrupted one gives
    // a WAV only when something came before the corruption.
    if (result.status == FileConversion::Stopped ||
        (result.status == FileConversion::DecodeFailed && result.chunksWritten == 0)) {
        wav.discard();
        return result;
    }
    // The file could not be completed on disk (its header rewritten, its bytes synced): it never
    // takes the WAV's name, and an earlier WAV of that name stays whole. A conversion that
    // failed already keeps its first reason.
    if (!wav.seal() && result.status == FileConversion::Completed) {
        result.status = FileConversion::WriteFailed;
        result.reason = wav.errorString();
    }
    return result;
}

FileConversion convertRecording(const QString &input, const QString &output,
                                const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                const FileConversionHooks &hooks)
{
    const auto wav = makeAudioFileWriter(AudioChoice{});
    return convertRecording(input, output, *wav, keepGoing, decoder, hooks);
}

FileConversion convertRecording(const QString &input, const QString &output, AudioFileWriter &wav,
                                const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                const FileConversionHooks &hooks)
{
    FileConversion result = convertRecordingSealed(input, output, wav, keepGoing, decoder, hooks);
    if (wav.isSealed() && nameConvertedWav(wav, result) == WavNaming::Failed &&
        result.status == FileConversion::Completed) {
        result.status = FileConversion::WriteFailed;
        result.reason = wav.errorString();
    }
    return result;
}

WavNaming nameConvertedWav(AudioFileWriter &wav, const FileConversion &result)
{
    if (result.whole())
        return wav.commit() ? WavNaming::Named : WavNaming::Failed;
    bool taken = false;
    if (wav.commitIfAbsent(&taken))
        return WavNaming::Named;
    return taken ? WavNaming::EarlierKept : WavNaming::Failed;
}

QString incompleteConversionText(const FileConversion &result, bool wavWritten, bool earlierKept)
{
    QStringList causes;
    if (result.status == FileConversion::NotRecording)
        causes.append(QCoreApplication::translate("RecordingConversion", "不是录音文件（%1）")
                          .arg(result.reason));
    if (!result.notWhole.isEmpty())
        causes.append(QCoreApplication::translate("RecordingConversion", "不是完整的录音（%1）")
                          .arg(result.notWhole));
    if (result.status == FileConversion::DecodeFailed)
        causes.append(QCoreApplication::translate("RecordingConversion", "录音数据已损坏"));
    if (result.status == FileConversion::ReadFailed)
        causes.append(QCoreApplication::translate("RecordingConversion", "文件没能读到结尾"));
    const QString fate =
        earlierKept ? QCoreApplication::translate("RecordingConversion",
                                                  "同名的 WAV 文件已存在，没有替换它")
        : wavWritten ? QCoreApplication::translate("RecordingConversion", "WAV 只含能转换的部分")
                     : QCoreApplication::translate("RecordingConversion", "没有转换");
    QString text;
    for (const QString &part : causes + QStringList{fate})
        text = text.isEmpty()
                   ? part
                   : QCoreApplication::translate("RecordingConversion", "%1，%2").arg(text, part);
    return text;
}

} // namespace tovrel
