#include "codec/WavFile.h"

#include <QCoreApplication>
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
    discard();
}

bool WavWriter::open(const QString &path, quint32 expectedDataBytes)
{
    discard();
    m_file = std::make_unique<AtomicFile>(path);
    m_announced = expectedDataBytes;
    m_written = 0;
    m_sealed = false;
    m_error.clear();
    if (!m_file->open() || !m_file->write(wavHeader(expectedDataBytes))) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    return true;
}

bool WavWriter::append(QByteArrayView pcm)
{
    if (!m_file || !m_file->write(pcm)) {
        m_error = m_file ? m_file->errorString()
                         : QCoreApplication::translate("AtomicFile", "文件没有打开");
        return false;
    }
    m_written += quint32(pcm.size());
    return true;
}

bool WavWriter::finish()
{
    return seal() && commit();
}

bool WavWriter::seal()
{
    if (!isOpen())
        return false;
    bool ok = !m_file->failed();
    if (ok && m_written != m_announced) {
        char sizes[kWavHeaderBytes];
        putSizes(sizes, m_written);
        ok = m_file->seek(4) && m_file->write(QByteArrayView(sizes + 4, 4)) && m_file->seek(40) &&
             m_file->write(QByteArrayView(sizes + 40, 4));
    }
    ok = ok && m_file->finish();
    if (!ok) {
        m_error = m_file->errorString();
        discard();
        return false;
    }
    m_sealed = true;
    return true;
}

bool WavWriter::commit()
{
    if (!isSealed())
        return false;
    const bool ok = m_file->commit();
    if (!ok)
        m_error = m_file->errorString();
    discard();
    return ok;
}

bool WavWriter::commitIfAbsent(bool *taken)
{
    *taken = false;
    if (!isSealed())
        return false;
    const bool ok = m_file->commitIfAbsent(taken);
    if (!ok && !*taken)
        m_error = m_file->errorString();
    discard();
    return ok;
}

void WavWriter::discard()
{
    if (m_file)
        m_file->discard();
    m_file.reset();
    m_sealed = false;
}

} // namespace tovrel
