#pragma once

#include <QSet>
#include <QString>

#include <atomic>
#include <functional>

// Converting one recording file into a WAV file: the payload after the header is cut into
// 500-byte chunks, each decoded into 8000 bytes of PCM; a trailing piece shorter than a chunk is
// not converted. The WAV header first announces all the chunks; when fewer end up in the file
// (a stop, input that cannot be read to its end, a write failure) its sizes are rewritten to
// what it holds.
namespace tovrel {

class SpeexDecoder;
class WavWriter;

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
// header its first bytes describe; 0 when the file cannot be read.
int recordingChunks(const QString &path);

struct FileConversion
{
    enum Status
    {
        Completed, // every chunk converted
        Stopped,   // the stop flag was cleared; the WAV holds the chunks converted so far
        OpenFailed,
        CreateFailed,
        WriteFailed, // the output could not be written; what was written stays, header true
        ReadFailed,  // the input could not be read to the length it had when opened (a read
                     // error, or the file got shorter); the WAV keeps the chunks converted
    };
    Status status = Completed;
    int chunkCount = 0;    // chunks announced in the header
    int chunksWritten = 0; // chunks in the file
    QString reason;        // the system's text for a failure
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
};

// Converts `input` into `output` (created or truncated) while `keepGoing` reads 1; the flag is
// read before each chunk. `decoder` is reset first, so one decoder serves a whole run.
FileConversion convertRecording(const QString &input, const QString &output,
                                const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                const FileConversionHooks &hooks = {});
// The same, but the WAV is left sealed in `wav` under its temporary name (Completed, Stopped and
// ReadFailed leave one; the other results none): the caller commits it or drops it.
FileConversion convertRecordingSealed(const QString &input, const QString &output, WavWriter &wav,
                                      const std::atomic<int> &keepGoing, SpeexDecoder &decoder,
                                      const FileConversionHooks &hooks = {});

} // namespace tovrel
