#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

class QFile;
class QIODevice;

// The recording file and the telephone's directory record.
//
// A recording file is the telephone's directory record for the recording (its header, 19 bytes
// in the short form or 32 bytes in the long form) followed by the speech payload. The long form
// is recognised by bytes 28..31 all being 0xFF; every reader looks at the first 32 bytes of the
// file, zero-filled past its end. The same record arrives from the telephone when its list is
// read, so the same decoding serves the telephone's list, the upload, the PC list, playback,
// conversion and the search.
namespace tovrel {

constexpr int kShortHeaderLength = 19;
constexpr int kLongHeaderLength = 32;
// Readers always look at this many bytes from the start of a file.
constexpr int kHeaderProbeLength = 32;
// Speech payload: 1000 bytes per second, cut into 500-byte chunks of half a second.
constexpr int kPayloadBytesPerSecond = 1000;
constexpr int kChunkBytes = 500;

// Kinds of recording, as stored in the attribute field (value 3 is shown as a local recording).
enum RecordingAttribute : int
{
    AttributeIncoming = 0,
    AttributeOutgoing = 1,
    AttributeLocal = 2,
};

// The decoded fields of one header. Nothing is validated: month 15 or minute 63 are kept as
// they are, as the telephone sent them.
struct RecordingHeader
{
    int attribute = 0;         // 0..3
    int month = 0;             // 0..15
    int day = 0;               // 0..31
    int hour = 0;              // 0..31
    int minute = 0;            // 0..63
    int year = 0;              // long form: 2000..2200; short form: 0 (the record holds no year)
    QString number;            // digits, 'X' and '#'; at most 12 (short) or 20 (long) characters
    quint32 startAddress = 0;  // in the telephone's memory; long form: a multiple of 256
    quint32 payloadLength = 0; // L; 0xFFFFFFFF in the record counts as 0
    bool longForm = false;

    // H: where the payload starts in a recording file (19 or 32).
    int headerLength() const { return longForm ? kLongHeaderLength : kShortHeaderLength; }
    // Characters of the number field of the file name (12 or 20).
    int numberDigits() const { return longForm ? 20 : 12; }

    friend bool operator==(const RecordingHeader &, const RecordingHeader &) = default;
};

// The fields of a header as they are stored, before any reader's own reading of them: every
// decoding of a header (the lists, playback, conversion, the search) starts from these.
struct HeaderFields
{
    bool longForm = false;
    int attribute = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int yearByte = 0; // long form: byte 24 as stored; short form: 0
    // Every nibble of the number field in order, 15 included: 12 (short) or 20 (long).
    std::array<quint8, 20> nibbles{};
    int nibbleCount = 0;
    quint32 startAddress = 0;
    // L as stored: the short form's 32-bit value (0xFFFFFFFF kept), the long form's pages * 256.
    quint32 storedLength = 0;

    // 2000 + the year byte, 2000 for a byte above 200 (and for the short form).
    int year() const { return 2000 + (yearByte > 200 ? 0 : yearByte); }
    // L as the lists read it: a short-form length of 0xFFFFFFFF counts as 0.
    quint32 payloadLength() const
    {
        return !longForm && storedLength == 0xFFFFFFFFu ? 0 : storedLength;
    }
};

// The first 32 bytes of a recording file, zero-filled past its end.
using HeaderBytes = std::array<char, kHeaderProbeLength>;

// True when bytes 28..31 of `bytes` (zero-filled past its end) are all 0xFF.
bool isLongForm(QByteArrayView bytes);

// The stored fields of a header of the given form.
HeaderFields decodeHeaderFields(const HeaderBytes &bytes, bool longForm);
HeaderFields decodeHeaderFields(const HeaderBytes &bytes);

// Decodes a header; the form is recognised from bytes 28..31, bytes missing count as 0.
RecordingHeader decodeHeader(QByteArrayView bytes);
// Decodes a header of a known form (the telephone's record length), bytes missing count as 0.
RecordingHeader decodeHeader(QByteArrayView bytes, bool longForm);

// The inverse: a record of 19 (short form) or 32 bytes (long form, bytes 28..31 = 0xFF) holding
// the fields. Uninterpreted bytes are 0. In the long form the start address and the payload
// length are stored divided by 256: the address is rounded down, the length up (give both as
// multiples of 256 to get them back unchanged). Number characters other than digits, 'X' and
// '#' are dropped; characters beyond the field's 12 or 20 are cut off.
QByteArray encodeHeader(const RecordingHeader &header);

// The record of a call without its place in the telephone's memory: `record` (19 bytes in the
// short form, 32 in the long form) with its start address field set to 0 (bytes 11..14 of the
// short form, 5..7 of the long form). A telephone that drops its oldest recordings or
// reorganises its memory moves the others; their records then differ in that field alone, so
// two records are of the same call when their identities are equal.
QByteArray recordIdentity(QByteArrayView record, bool longForm);

// The one way a header is read: up to 32 bytes from the current position (the start) of the
// open file into `bytes`. Bytes past the end of a short file count as 0; a read that fails is a
// failure, never a header of zeros. Through Qt's file calls: nothing, or the system's reason.
std::optional<QString> readHeader(QIODevice &file, HeaderBytes &bytes);
#if defined(__unix__) || defined(__APPLE__)
// The same from the file open at the descriptor `fd` (the walk's faster way on POSIX): 0, or
// the errno value of the failure.
int readHeader(int fd, HeaderBytes &bytes);
#endif

// Why a recording could not be opened with its header.
struct RecordingOpenFailure
{
    bool opened = false; // the file opened, but its header could not be read
    QString reason;      // the system's reason
};
// Opens the recording at `path` (by its real bytes, see io/NativePath.h) into `file`, read only
// plus `mode`, and reads its header into `header`: nothing, or why it failed.
std::optional<RecordingOpenFailure> openRecording(QFile &file, const QString &path,
                                                  HeaderBytes &header);

// Opens `path` (by its real bytes, see io/NativePath.h) and reads its header: the bytes, or
// nothing with `error` set to the system's reason when the file cannot be opened or read.
std::optional<QByteArray> readHeaderBytes(const QString &path, QString *error = nullptr);
// readHeaderBytes + decodeHeader.
std::optional<RecordingHeader> readHeaderFile(const QString &path, QString *error = nullptr);

// ---- Texts shown for a recording (the PC list, the telephone's list and the search) ----

// " MM月DD日 hh:mm ", each field as two decimal digits, with a blank at each end.
QString dateTimeText(const RecordingHeader &header);
// "来电", "去电" or "录音".
QString attributeText(int attribute);
// "%dK": L / 1024 + 1, or 0 when L is 0.
QString sizeText(quint32 payloadLength);
// L / 1000 + 1 seconds, or 0 when L is 0.
int durationSeconds(quint32 payloadLength);
// "1 时2 分3 秒", "2 分3 秒" or "3 秒".
QString durationText(int seconds);
// Number of 500-byte chunks counted for the conversion progress: L / 500 + 1.
int chunkCount(quint32 payloadLength);

// File name of a recording: MMDDhhmm_NNNN_<number field>.spx, the number right-aligned in 12
// (short form) or 20 (long form) characters padded with 'x'; `position` is the recording's
// 1-based place in the telephone's list (four digits, more above 9999).
QString recordingFileName(const RecordingHeader &header, int position);

} // namespace tovrel
