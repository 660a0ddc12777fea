#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

// WAV output: a 44-byte RIFF/WAVE header for 16-bit mono PCM at 8000 Hz, then the samples.
namespace tovrel {

constexpr int kWavHeaderBytes = 44;

// The 44-byte header with data size `dataBytes` and RIFF chunk size `dataBytes` + 36.
QByteArray wavHeader(quint32 dataBytes);

// Writes one WAV file. The header is written first with the size the caller expects; when the
// file ends with a different amount of data (a stop, a failure, input that ran short), finish()
// rewrites the two size fields so the header always describes the data the file holds.
class WavWriter
{
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    // Creates or truncates `path` and writes the header announcing `expectedDataBytes`.
    bool open(const QString &path, quint32 expectedDataBytes);
    // Appends PCM bytes.
    bool append(QByteArrayView pcm);
    // Puts the sizes of the data actually written into the header (when they differ from the
    // announced ones) and closes the file. Returns false when that could not be done.
    bool finish();

    bool isOpen() const { return m_file.isOpen(); }
    quint32 dataBytesWritten() const { return m_written; }
    QString errorString() const { return m_file.errorString(); }
    QString path() const { return m_file.fileName(); }

private:
    QFile m_file;
    quint32 m_announced = 0;
    quint32 m_written = 0;
};

} // namespace tovrel
