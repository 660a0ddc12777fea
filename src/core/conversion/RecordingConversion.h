#pragma once

#include <QSet>
#include <QString>

#include <atomic>
#include <functional>

// Converting one recording file into a WAV file: the payload after the header is cut into
// 500-byte chunks, each decoded into 8000 bytes of PCM; a trailing piece shorter than a chunk is
// not converted. The WAV header first announces all the chunks; when fewer end up in the file
// (input that cannot be read or decoded to its end) its sizes are rewritten to what it holds.
// A stopped conversion leaves no WAV: a cut one never takes the WAV's name.
namespace tovrel {

class SpeexDecoder;
class AudioFileWriter;
struct AudioTags;
struct RecordingHeader;

// PCM bytes per converted chunk.
constexpr int kChunkPcmBytes = 8000;

// The output of a recording file N.spx: N.spx.wav in `outputFolder` (which ends in '/').
QString wavPathFor(const QString &recordingPath, const QString &outputFolder);
// wavPathFor, unless a file of this run already took that path (`taken`): then the first of
// "N (2).spx.wav", "N (3).spx.wav", ... not taken. The path returned is added to `taken`.
QString distinctWavPath(const QString &recordingPath, const QString &outputFolder,
                        QSet<QString> &taken);
// The same rule for any file made from a recording: the recording's shown name followed by
// `suffix` (empty for a copy), numbered "N (2).spx" + `suffix` when the path is taken already.
QString distinctOutputPath(const QString &recordingPath, const QString &outputFolder,
                           const QString &suffix, QSet<QString> &taken);

// The number of whole chunks after the header of a recording file of `fileSize` bytes whose
// header is `headerLength` bytes long; 0 when the file is shorter than its header.
int wholeChunks(qint64 fileSize, int headerLength);
// The chunks a conversion of the recording file at `path` announces: its whole chunks after the
// header its first bytes describe; 0 when the file cannot be read or is no recording.
int recordingChunks(const QString &path);

struct FileConversion
{
    enum Status
    {
        Completed, // every chunk converted
        Stopped,   // the stop flag was cleared; the WAV is dropped
        OpenFailed,
        CreateFailed,
        WriteFailed,  // the output could not be written; the WAV is dropped
        ReadFailed,   // the input could not be read to the length it had when opened (a read
                      // error, or the file got shorter); the WAV keeps the chunks converted
        NotRecording, // no whole header, or one naming no date (RecordingWholeness.h); no WAV
        DecodeFailed, // corrupted speech: the WAV keeps the chunks before it (none: no WAV)
    };
    Status status = Completed;
    int chunkCount = 0;    // chunks announced in the header
    int chunksWritten = 0; // chunks in the file
    QString reason;        // the system's text for a failure; what is wrong for NotRecording
    QString notWhole;      // what is wrong with a recording that is not whole, or empty

    // The WAV holds the whole of a whole recording.
    bool whole() const { return status == Completed && notWhole.isEmpty(); }
};

// Hooks of one conversion: called on the converting thread.
struct FileConversionHooks
{
    // After both files are open, with the chunk count.
    std::function<void(int chunkCount)> started;
    // After each chunk, with the chunks done in this file.
    std::function<void(int chunksDone)> chunkDone;
    // Asked before each chunk besides the stop flag: true ends the conversion as Stopped.
    std::function<bool()> abandoned;
    // What the output says about the call, from the recording's header (formats with tags).
    std::function<AudioTags(const RecordingHeader &)> tags;
};

// Converts `input` into `output` while `keepGoing` reads 1; the flag is read before each chunk.
// `decoder` is reset first, so one decoder serves a whole run. A whole conversion replaces an
// earlier file of the output's name; any other WAV takes the name only when it is free.
FileConversion convertRecording(const QString &input, const QString &output,
                                const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                const FileConversionHooks &hooks = {});
// The same into `out`, a writer of any format.
FileConversion convertRecording(const QString &input, const QString &output, AudioFileWriter &out,
                                const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                const FileConversionHooks &hooks = {});
// The same, but the WAV is left sealed in `wav` under its temporary name (Completed, ReadFailed
// and DecodeFailed after a chunk leave one; the other results none): the caller commits it or
// drops it.
FileConversion convertRecordingSealed(const QString &input, const QString &output,
                                      AudioFileWriter &wav, const std::atomic<int> &keepGoing,
                                      SpeexDecoder &decoder, const FileConversionHooks &hooks = {});

// What became of a sealed WAV's name.
enum class WavNaming
{
    Named,       // it took its name
    EarlierKept, // the conversion was not whole and a file had the name: that file stays
    Failed,      // it could not take its name (`wav.errorString()`); an earlier file stays
};
// Gives the WAV sealed in `wav` its name by the rule above.
WavNaming nameConvertedWav(AudioFileWriter &wav, const FileConversion &result);

// The user's text for a conversion that did not give the whole of a whole recording, with what
// became of its WAV (`wavWritten`: it took its name; `earlierKept`: an earlier file of the name
// stays), e.g. "不是完整的录音（文件不完整：缺少 600 字节），WAV 只含能转换的部分".
QString incompleteConversionText(const FileConversion &result, bool wavWritten, bool earlierKept);

} // namespace tovrel
