#include "export/CompoundFile.h"

#include <QtEndian>

#include <cstring>
#include <vector>

namespace tovrel {
namespace {

constexpr int kSectorSize = 512;
constexpr quint32 kFreeSector = 0xFFFFFFFFu;
constexpr quint32 kEndOfChain = 0xFFFFFFFEu;
constexpr quint32 kFatSector = 0xFFFFFFFDu;
constexpr quint32 kDifatSector = 0xFFFFFFFCu;
constexpr quint32 kNoStream = 0xFFFFFFFFu;
constexpr int kEntriesPerFatSector = kSectorSize / 4;
constexpr int kHeaderDifatEntries = 109;
constexpr int kIdsPerDifatSector = kEntriesPerFatSector - 1; // the last one links the next
constexpr int kMiniStreamCutoff = 4096;

void put16(char *at, quint16 value)
{
    qToLittleEndian(value, at);
}

void put32(char *at, quint32 value)
{
    qToLittleEndian(value, at);
}

// One 128-byte directory entry.
void putEntry(char *at, const char16_t *name, quint8 type, quint32 child, quint32 start,
              quint32 size)
{
    std::memset(at, 0, 128);
    int length = 0;
    for (; name[length] != 0; ++length)
        put16(at + 2 * length, quint16(name[length]));
    put16(at + 64, quint16((length + 1) * 2)); // bytes, terminator included
    at[66] = char(type);
    at[67] = 1; // black: a tree of one node per level is a valid red-black tree
    put32(at + 68, kNoStream);
    put32(at + 72, kNoStream);
    put32(at + 76, child);
    put32(at + 116, start);
    put32(at + 120, size);
}

void putUnusedEntry(char *at)
{
    std::memset(at, 0, 128);
    put32(at + 68, kNoStream);
    put32(at + 72, kNoStream);
    put32(at + 76, kNoStream);
}

} // namespace

QByteArray compoundFileWithWorkbook(QByteArray stream)
{
    if (stream.size() < kMiniStreamCutoff)
        stream.append(QByteArray(kMiniStreamCutoff - stream.size(), '\0'));
    const qint64 streamSize = stream.size();
    const qint64 streamSectors = (streamSize + kSectorSize - 1) / kSectorSize;

    // Sectors: the stream, one directory sector, the FAT sectors, the DIFAT sectors. The FAT
    // describes itself, so its size is found by iteration.
    qint64 fatSectors = 0;
    qint64 difatSectors = 0;
    for (;;) {
        const qint64 total = streamSectors + 1 + fatSectors + difatSectors;
        const qint64 fat = (total + kEntriesPerFatSector - 1) / kEntriesPerFatSector;
        const qint64 difat =
            fat > kHeaderDifatEntries
                ? (fat - kHeaderDifatEntries + kIdsPerDifatSector - 1) / kIdsPerDifatSector
                : 0;
        if (fat == fatSectors && difat == difatSectors)
            break;
        fatSectors = fat;
        difatSectors = difat;
    }
    const quint32 directorySector = quint32(streamSectors);
    const quint32 firstFatSector = directorySector + 1;
    const quint32 firstDifatSector = firstFatSector + quint32(fatSectors);
    const qint64 totalSectors = streamSectors + 1 + fatSectors + difatSectors;

    QByteArray file(qsizetype(kSectorSize * (1 + totalSectors)), '\0');
    char *const base = file.data();

    // Header.
    static const unsigned char signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(base, signature, sizeof signature);
    put16(base + 24, 0x003E); // minor version
    put16(base + 26, 0x0003); // major version 3: 512-byte sectors
    put16(base + 28, 0xFFFE); // little-endian
    put16(base + 30, 9);      // sector size 2^9
    put16(base + 32, 6);      // mini sector size 2^6
    put32(base + 44, quint32(fatSectors));
    put32(base + 48, directorySector);
    put32(base + 56, kMiniStreamCutoff);
    put32(base + 60, kEndOfChain); // no mini FAT
    put32(base + 64, 0);
    put32(base + 68, difatSectors > 0 ? firstDifatSector : kEndOfChain);
    put32(base + 72, quint32(difatSectors));
    for (int i = 0; i < kHeaderDifatEntries; ++i)
        put32(base + 76 + 4 * i, i < fatSectors ? firstFatSector + quint32(i) : kFreeSector);

    auto sector = [base](qint64 index) { return base + kSectorSize * (1 + index); };

    // The stream; the tail of its last sector stays zero.
    std::memcpy(sector(0), stream.constData(), size_t(streamSize));

    // Directory: the root storage and the workbook stream, then two unused entries.
    char *dir = sector(directorySector);
    putEntry(dir, u"Root Entry", 5, 1, kEndOfChain, 0);
    putEntry(dir + 128, u"Workbook", 2, kNoStream, 0, quint32(streamSize));
    putUnusedEntry(dir + 256);
    putUnusedEntry(dir + 384);

    // FAT: the stream's chain, the directory's end, the FAT and DIFAT sectors marked, the rest
    // free.
    std::vector<quint32> fat(size_t(fatSectors * kEntriesPerFatSector), kFreeSector);
    for (qint64 i = 0; i < streamSectors; ++i)
        fat[size_t(i)] = i + 1 < streamSectors ? quint32(i + 1) : kEndOfChain;
    fat[directorySector] = kEndOfChain;
    for (qint64 i = 0; i < fatSectors; ++i)
        fat[firstFatSector + size_t(i)] = kFatSector;
    for (qint64 i = 0; i < difatSectors; ++i)
        fat[firstDifatSector + size_t(i)] = kDifatSector;
    char *fatBytes = sector(firstFatSector);
    for (size_t i = 0; i < fat.size(); ++i)
        put32(fatBytes + 4 * i, fat[i]);

    // DIFAT sectors: the FAT sector numbers beyond the header's 109, each sector linking the
    // next.
    qint64 fatIndex = kHeaderDifatEntries;
    for (qint64 d = 0; d < difatSectors; ++d) {
        char *at = sector(firstDifatSector + d);
        for (int i = 0; i < kIdsPerDifatSector; ++i, ++fatIndex)
            put32(at + 4 * i,
                  fatIndex < fatSectors ? firstFatSector + quint32(fatIndex) : kFreeSector);
        put32(at + 4 * kIdsPerDifatSector,
              d + 1 < difatSectors ? firstDifatSector + quint32(d + 1) : kEndOfChain);
    }
    return file;
}

} // namespace tovrel
