#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The telephone's directory records, written and read by the emulated telephone itself. This
// is deliberately a second, small implementation of the record layout: the emulator and the
// test fixtures build their records here, never with the desktop program's header code, so a
// fault in the program's decoding cannot hide behind the same fault in its test telephone.
namespace tovrel::emulator {

struct RecordFields
{
    bool longForm = false;
    int attribute = 0; // 0 incoming, 1 outgoing, 2 local
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int year = 2026;           // long form only
    QString number;            // digits, 'X' and '#'
    quint32 startAddress = 0;  // long form: a multiple of 256
    quint32 payloadLength = 0; // long form: a multiple of 256
};

constexpr int kShortRecordBytes = 19;
constexpr int kLongRecordBytes = 32;

// The record's bytes: 19 (short form) or 32 (long form, bytes 28 to 31 all 0xFF).
QByteArray encodeRecord(const RecordFields &fields);

// Reads the fields back from the first bytes of a record or a recording file (missing bytes
// count as 0; bytes 28 to 31 all 0xFF mark the long form).
RecordFields decodeRecord(QByteArrayView bytes);

// The payload bytes a record announces (a short-form length of all ones announces none).
quint64 announcedPayload(const RecordFields &fields);

// The name the desktop program gives the recording at list position `position` (from 1):
// MMDDhhmm_NNNN_ and the number right-aligned in 12 (short) or 20 (long) characters padded
// with 'x', then ".spx".
QString recordFileName(const RecordFields &fields, int position);

} // namespace tovrel::emulator
