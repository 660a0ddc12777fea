// The recording header as the PC list reads it from a file and the telephone list from a
// directory record: decoding either form, the derived texts and the file name, from any bytes.
// Checks that what decodes encodes back to the same header, and that a file name never leaves
// its folder.

#include "recordings/FolderScan.h"
#include "recordings/RecordingHeader.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not meet the names the headers above declare.
#include "FuzzCheck.h"

using namespace tovrel;

namespace {

void exercise(QByteArrayView bytes, bool longForm, int position)
{
    const RecordingHeader header = decodeHeader(bytes, longForm);
    check(header.longForm == longForm);
    check(header.attribute >= 0 && header.attribute <= 3);
    check(header.number.size() <= header.numberDigits());

    // Encoding the decoded header and decoding it again gives the same header. Number nibbles
    // 12 to 14, which a telephone never writes, show as '?' and have no encoding of their own.
    const QByteArray encoded = encodeHeader(header);
    check(encoded.size() == header.headerLength());
    if (!header.number.contains(u'?'))
        check(decodeHeader(encoded, longForm) == header);

    const QString name = recordingFileName(header, position);
    check(name.endsWith(QStringLiteral(".spx")));
    check(!name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar()));
    const QStringList cells = recordingRowCells(position, name, header);
    check(cells.size() == 7);
    (void)dateTimeText(header);
    (void)attributeText(header.attribute);
    (void)sizeText(header.payloadLength);
    (void)durationText(durationSeconds(header.payloadLength));
    check(chunkCount(header.payloadLength) >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArrayView bytes(data, qsizetype(size));
    const int position = size > 0 ? 1 + data[0] * 97 : 1; // up to five digits
    exercise(bytes, false, position);
    exercise(bytes, true, position);
    check(decodeHeader(bytes) == decodeHeader(bytes, isLongForm(bytes)));

    // The same bytes as a recording file: read back as the PC list reads it.
    const QString path = dir.filePath(QStringLiteral("r.spx"));
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    file.close();
    QString error;
    const auto fromFile = readHeaderFile(path, &error);
    if (fromFile) {
        // Bytes past the end of a short file read as zeros.
        check(*fromFile == decodeHeader(bytes));
    } else {
        check(!error.isEmpty());
    }
    return 0;
}
