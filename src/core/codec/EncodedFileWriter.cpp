#include "codec/EncodedFileWriter.h"

#include <QCoreApplication>
#include <QtEndian>

#include <vector>

namespace tovrel {

// A file never sealed and committed is not wanted: the AtomicFile removes it. (Each format frees
// its own encoder in its own destructor.)
EncodedFileWriter::~EncodedFileWriter() = default;

bool EncodedFileWriter::open(const QString &path, quint32 expectedDataBytes)
{
    discard();
    m_file = std::make_unique<AtomicFile>(path);
    m_error.clear();
    m_position = 0;
    m_sealed = false;
    m_failed = false;
    if (!m_file->open()) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    if (!startEncoding(qint64(expectedDataBytes / 2))) {
        dropEncoder();
        m_file->discard();
        m_file.reset();
        return false;
    }
    return true;
}

bool EncodedFileWriter::append(QByteArrayView pcm)
{
    if (!isOpen() || m_failed) {
        if (m_error.isEmpty())
            m_error = QCoreApplication::translate("AtomicFile", "文件没有打开");
        return false;
    }
    const int count = int(pcm.size() / 2);
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        return encode(reinterpret_cast<const int16_t *>(pcm.data()), count);
    } else {
        std::vector<int16_t> samples(static_cast<size_t>(count));
        qFromLittleEndian<int16_t>(pcm.data(), count, samples.data());
        return encode(samples.data(), count);
    }
}

bool EncodedFileWriter::seal()
{
    if (!isOpen())
        return false;
    const bool ended = !m_failed && endEncoding();
    dropEncoder();
    if (!ended) {
        m_file->discard();
        m_file.reset();
        return false;
    }
    m_file->setModificationTime(m_modificationTime);
    if (!m_file->finish()) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    m_sealed = true;
    return true;
}

bool EncodedFileWriter::commit()
{
    if (!isSealed())
        return false;
    const bool committed = m_file->commit();
    if (!committed)
        m_error = m_file->errorString();
    m_file.reset();
    return committed;
}

bool EncodedFileWriter::commitIfAbsent(bool *taken)
{
    *taken = false;
    if (!isSealed())
        return false;
    const bool committed = m_file->commitIfAbsent(taken);
    if (!committed && !*taken)
        m_error = m_file->errorString();
    discard();
    return committed;
}

void EncodedFileWriter::discard()
{
    if (isOpen())
        dropEncoder();
    if (m_file)
        m_file->discard();
    m_file.reset();
    m_sealed = false;
}

bool EncodedFileWriter::writeBytes(const void *bytes, qint64 count)
{
    if (m_failed || !m_file)
        return false;
    if (!m_file->write(QByteArrayView(static_cast<const char *>(bytes), count))) {
        m_failed = true;
        m_error = m_file->errorString();
        return false;
    }
    m_position += count;
    return true;
}

bool EncodedFileWriter::seekTo(qint64 position)
{
    if (m_failed || !m_file)
        return false;
    if (!m_file->seek(position)) {
        m_failed = true;
        m_error = m_file->errorString();
        return false;
    }
    m_position = position;
    return true;
}

bool EncodedFileWriter::failWith(const QString &reason)
{
    m_failed = true;
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

} // namespace tovrel
