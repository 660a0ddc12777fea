#include "codec/WavFile.h"

#include <QtEndian>

namespace tovrel {
namespace {

void putSizes(char *header, quint32 dataBytes)
{
    qToLittleEndian<quint32>(dataBytes + 36, header + 4);
    qToLittleEndian<quint32>(dataBytes, header + 40);
}

} // namespace

QByteArray wavHeader(quint32 dataBytes)
{
    // The fixed template: RIFF, WAVE, "fmt " of 16 bytes (PCM, 1 channel, 8000 Hz, 16000 bytes
    // per second, 2-byte blocks, 16 bits), then "data".
    static const char kTemplate[kWavHeaderBytes] = {
        'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',        't',
        ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x1F, 0,   0,   (char)0x80, 0x3E,
        0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
    QByteArray header(kTemplate, kWavHeaderBytes);
    putSizes(header.data(), dataBytes);
    return header;
}

WavWriter::~WavWriter()
{
    if (m_file.isOpen())
        finish();
}

bool WavWriter::open(const QString &path, quint32 expectedDataBytes)
{
    if (m_file.isOpen())
        finish();
    m_file.setFileName(path);
    m_announced = expectedDataBytes;
    m_written = 0;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return false;
    return m_file.write(wavHeader(expectedDataBytes)) == kWavHeaderBytes;
}

bool WavWriter::append(QByteArrayView pcm)
{
    const qint64 n = m_file.write(pcm.data(), pcm.size());
    if (n > 0)
        m_written += quint32(n);
    return n == pcm.size();
}

bool WavWriter::finish()
{
    if (!m_file.isOpen())
        return false;
    bool ok = true;
    if (m_written != m_announced) {
        char sizes[kWavHeaderBytes];
        putSizes(sizes, m_written);
        ok = m_file.seek(4) && m_file.write(sizes + 4, 4) == 4 && m_file.seek(40) &&
             m_file.write(sizes + 40, 4) == 4;
    }
    ok = m_file.flush() && ok;
    m_file.close();
    return ok;
}

} // namespace tovrel
