#pragma once

#include "EmulatorOptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tovrel::emulator {

// One recording as the telephone holds it: its directory record and its payload at an address.
struct StoredRecording
{
    QByteArray record;
    QByteArray payload;
    quint32 address = 0;
};

// The telephone's memory: its recordings in list order and the bytes at each address.
class PhoneMemory
{
public:
    // Builds the memory the options ask for; on failure returns nothing and sets `error`.
    static std::optional<PhoneMemory> build(const EmulatorOptions &options, QString *error);

    bool longForm() const { return m_longForm; }
    int recordLength() const { return m_longForm ? 32 : 19; }
    const QList<StoredRecording> &recordings() const { return m_recordings; }
    // The record of recording `index`; an index past the end reads as erased memory (0xFF).
    QByteArray record(int index) const;
    // `count` bytes from `address`; bytes outside every recording read as 0xFF.
    QByteArray read(quint32 address, int count) const;

private:
    bool loadFolder(const QString &dir, QString *error);
    void generate(int count, std::optional<qint64> payloadBytes);
    // Keeps the records' own addresses when their payloads do not overlap (and, in the long
    // form, start on 256-byte boundaries); otherwise lays the payloads out one after another.
    void layOut();

    bool m_longForm = false;
    QList<StoredRecording> m_recordings;
};

} // namespace tovrel::emulator
