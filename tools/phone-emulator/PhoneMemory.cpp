#include "PhoneMemory.h"

#include "SpeechPool.h"

#include "RecordBytes.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace tovrel::emulator {
namespace {

constexpr quint32 kFirstAddress = 0x1000;
constexpr quint32 kMaxPaddedPayload = 64 * 1024 * 1024;

quint32 alignUp(quint64 value)
{
    return quint32((value + 255) / 256 * 256);
}

} // namespace

std::optional<PhoneMemory> PhoneMemory::build(const EmulatorOptions &options, QString *error)
{
    PhoneMemory memory;
    if (!options.recordingsDir.isEmpty()) {
        memory.m_longForm = options.form == RecordForm::Long;
        if (!memory.loadFolder(options.recordingsDir, error))
            return std::nullopt;
        if (!options.form && !memory.m_recordings.isEmpty())
            memory.m_longForm = memory.m_recordings.first().record.size() == kLongRecordBytes;
        // Every record takes the telephone's one form.
        for (StoredRecording &r : memory.m_recordings) {
            if ((r.record.size() == kLongRecordBytes) == memory.m_longForm)
                continue;
            RecordFields fields = decodeRecord(r.record);
            fields.longForm = memory.m_longForm;
            if (fields.longForm) {
                fields.payloadLength = alignUp(announcedPayload(fields));
                fields.year = 2026;
            }
            r.record = encodeRecord(fields);
            r.payload = r.payload.leftJustified(qsizetype(fields.payloadLength), '\0', true);
        }
        memory.layOut();
    } else {
        memory.m_longForm = options.form == RecordForm::Long;
        memory.generate(std::max(options.generate, 0), options.payloadBytes);
    }
    return memory;
}

bool PhoneMemory::loadFolder(const QString &dir, QString *error)
{
    const QDir folder(dir);
    if (!folder.exists()) {
        *error = QStringLiteral("no such folder: ") + dir;
        return false;
    }
    const QStringList names =
        folder.entryList({QStringLiteral("*.spx")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read ") + file.fileName();
            return false;
        }
        const QByteArray bytes = file.readAll();
        const RecordFields fields = decodeRecord(bytes);
        const int recordLength = fields.longForm ? kLongRecordBytes : kShortRecordBytes;
        StoredRecording r;
        r.record = bytes.left(recordLength).leftJustified(recordLength, '\0', true);
        // The telephone holds the whole payload its record announces.
        // (within reason: a damaged length does not make the emulator allocate gigabytes).
        r.payload = bytes.mid(recordLength);
        if (announcedPayload(fields) <= kMaxPaddedPayload)
            r.payload = r.payload.leftJustified(qsizetype(announcedPayload(fields)), '\0', true);
        r.address = fields.startAddress;
        m_recordings.append(r);
    }
    return true;
}

void PhoneMemory::generate(int count, std::optional<qint64> payloadBytes)
{
    const QByteArray pool = count > 0 ? speechPool(12) : QByteArray();
    quint32 address = kFirstAddress;
    for (int i = 0; i < count; ++i) {
        RecordFields header;
        header.longForm = m_longForm;
        header.attribute = i % 3;
        header.month = 1 + i % 12;
        header.day = 1 + i % 28;
        header.hour = (8 + i) % 24;
        header.minute = (i * 7) % 60;
        header.year = 2026;
        header.number = QStringLiteral("1380013") + QString::number(1000 + i % 9000);
        quint32 length = 0;
        if (payloadBytes)
            length = quint32(std::clamp<qint64>(*payloadBytes, 0, 0xFFFFFFFF));
        else
            length = m_longForm ? quint32(1280 * (2 + i % 6)) : quint32(2000 + (i * 1740) % 8000);
        if (m_longForm)
            length = std::min<quint32>(alignUp(length), 0xFFFF00);
        header.payloadLength = length;
        header.startAddress = address;
        StoredRecording r;
        r.record = encodeRecord(header);
        // A length of all ones counts as none.
        const qsizetype size = length == 0xFFFFFFFF ? 0 : qsizetype(length);
        r.payload.reserve(size);
        const qsizetype offset = (qsizetype(i) * 1280) % (pool.size() - 20);
        while (r.payload.size() < size)
            r.payload.append(pool.mid(r.payload.isEmpty() ? offset : 0, size - r.payload.size()));
        r.address = address;
        address = alignUp(quint64(address) + quint64(size) + 256);
        m_recordings.append(r);
    }
}

void PhoneMemory::layOut()
{
    QList<std::pair<quint64, quint64>> ranges;
    bool usable = true;
    for (const StoredRecording &r : std::as_const(m_recordings)) {
        if (m_longForm && r.address % 256 != 0)
            usable = false;
        ranges.append({r.address, quint64(r.address) + quint64(r.payload.size())});
    }
    std::sort(ranges.begin(), ranges.end());
    for (qsizetype i = 1; i < ranges.size() && usable; ++i)
        usable = ranges[i].first >= ranges[i - 1].second;
    if (usable)
        return;
    quint32 address = kFirstAddress;
    for (StoredRecording &r : m_recordings) {
        // Only the address bytes change; every other byte of the record stays as it came.
        if (m_longForm) {
            r.record[5] = char(address >> 24);
            r.record[6] = char(address >> 16);
            r.record[7] = char(address >> 8);
        } else {
            r.record[11] = char(address >> 24);
            r.record[12] = char(address >> 16);
            r.record[13] = char(address >> 8);
            r.record[14] = char(address);
        }
        r.address = address;
        address = alignUp(quint64(address) + quint64(r.payload.size()) + 256);
    }
}

QByteArray PhoneMemory::record(int index) const
{
    if (index >= 0 && index < m_recordings.size())
        return m_recordings.at(index).record;
    return QByteArray(recordLength(), char(0xFF));
}

QByteArray PhoneMemory::read(quint32 address, int count) const
{
    QByteArray out(count, char(0xFF));
    const quint64 begin = address;
    const quint64 end = begin + quint64(count);
    for (const StoredRecording &r : m_recordings) {
        const quint64 rBegin = r.address;
        const quint64 rEnd = rBegin + quint64(r.payload.size());
        const quint64 from = std::max(begin, rBegin);
        const quint64 to = std::min(end, rEnd);
        if (from < to)
            std::copy_n(r.payload.constData() + (from - rBegin), to - from,
                        out.data() + (from - begin));
    }
    return out;
}

} // namespace tovrel::emulator
