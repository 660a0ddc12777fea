#include "export/BiffWorkbook.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace tovrel {
namespace {

// Record identifiers.
enum : quint16
{
    kBof = 0x0809,
    kEof = 0x000A,
    kCodePage = 0x0042,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kSst = 0x00FC,
    kExtSst = 0x00FF,
    kContinue = 0x003C,
    kDateMode = 0x0022,
    kWindow2 = 0x023E,
};

// Largest data part of one record.
constexpr int kMaxRecordData = 8224;
// The most characters a cell holds.
constexpr qsizetype kMaxCellCharacters = 32767;

// Extended formats: 0-14 are the style formats every workbook carries, 15 the data cell format
// and 16 the header cell format. Both cell formats use font 5, the list's font (font index 4
// does not exist in BIFF; 0-3 are the default font).
constexpr quint16 kDataXf = 15;
constexpr quint16 kHeaderXf = 16;
constexpr quint16 kListFont = 5;
// The built-in number format "@" (text).
constexpr quint16 kTextFormat = 49;
// Palette index of grey 25 % (C0C0C0) in the file's default palette; 64 is "automatic".
constexpr quint16 kGrey25Colour = 22;
constexpr quint16 kAutomaticColour = 64;
constexpr quint16 kAutomaticBackground = 65;

// Column widths are stored in 1/256 of a default-font digit, padding included: a width of w
// characters is w digits of 7 pixels plus 5 pixels of padding.
quint16 storedColumnWidth(double characters)
{
    const double pixels = std::floor(characters * 7.0 + 0.5) + 5.0;
    return quint16(pixels * 256.0 / 7.0);
}

class BiffWriter
{
public:
    explicit BiffWriter(QByteArray &out) : m_out(out) {}

    void header(quint16 id, int length)
    {
        put16(id);
        put16(quint16(length));
    }
    void put8(quint8 value) { m_out.append(char(value)); }
    void put16(quint16 value)
    {
        char b[2];
        qToLittleEndian(value, b);
        m_out.append(b, 2);
    }
    void put32(quint32 value)
    {
        char b[4];
        qToLittleEndian(value, b);
        m_out.append(b, 4);
    }
    void record16(quint16 id, std::initializer_list<quint16> words)
    {
        header(id, int(words.size()) * 2);
        for (quint16 w : words)
            put16(w);
    }

    // Character data of a BIFF8 string: one byte a character when every character fits (the
    // "compressed" form), else UTF-16LE.
    static bool fitsCompressed(QStringView text)
    {
        return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
    }
    void putChars(QStringView text, bool compressed)
    {
        if (compressed) {
            const qsizetype at = m_out.size();
            m_out.resize(at + text.size());
            char *p = m_out.data() + at;
            for (QChar c : text)
                *p++ = char(c.unicode());
        } else {
            const qsizetype at = m_out.size();
            m_out.resize(at + 2 * text.size());
            char *p = m_out.data() + at;
            for (QChar c : text) {
                qToLittleEndian(quint16(c.unicode()), p);
                p += 2;
            }
        }
    }

    qsizetype size() const { return m_out.size(); }
    void patch16(qsizetype at, quint16 value) { qToLittleEndian(value, m_out.data() + at); }
    void patch32(qsizetype at, quint32 value) { qToLittleEndian(value, m_out.data() + at); }

private:
    QByteArray &m_out;
};

void writeBof(BiffWriter &w, quint16 type)
{
    // BIFF8, the substream type, build 3515 of 1996, no file history, lowest version 6.
    w.header(kBof, 16);
    w.put16(0x0600);
    w.put16(type);
    w.put16(0x0DBB);
    w.put16(0x07CC);
    w.put32(0);
    w.put32(6);
}

void writeFont(BiffWriter &w, const QString &name, double points)
{
    const bool compressed = BiffWriter::fitsCompressed(name);
    const QString shortName = name.left(255);
    w.header(kFont, 16 + int(shortName.size()) * (compressed ? 1 : 2));
    w.put16(quint16(std::lround(points * 20))); // height in twips
    w.put16(0);                                 // regular: not italic, not struck out
    w.put16(0x7FFF);                            // automatic colour
    w.put16(400);                               // normal weight
    w.put16(0);                                 // no super- or subscript
    w.put8(0);                                  // no underline
    w.put8(0);                                  // family unknown
    w.put8(compressed ? 0 : 0x86);              // character set: ANSI, or GB2312 for 宋体 & co.
    w.put8(0);
    w.put8(quint8(shortName.size()));
    w.put8(compressed ? 0 : 1);
    w.putChars(shortName, compressed);
}

void writeXf(BiffWriter &w, bool style, quint16 font, quint16 format, quint8 alignment,
             bool solidGrey)
{
    w.header(kXf, 20);
    w.put16(font);
    w.put16(format);
    // Locked; a style format has no parent (0xFFF), a cell format has the Normal style (0).
    w.put16(style ? 0xFFF5 : 0x0001);
    w.put8(alignment);
    w.put8(0); // no rotation
    w.put8(0); // no indent
    // Attributes a cell format sets itself: number format, font, alignment, fill.
    w.put8(style ? 0x00 : 0x5C);
    w.put32(0); // no borders
    w.put32(solidGrey ? (1u << 26) : 0u);
    w.put16(solidGrey ? quint16(kGrey25Colour | (kAutomaticColour << 7))
                      : quint16(kAutomaticColour | (kAutomaticBackground << 7)));
}

// The shared string table: every distinct cell text once, in first-use order; cells refer to it
// by index.
class SharedStrings
{
public:
    quint32 indexOf(const QString &text)
    {
        ++m_references;
        const auto found = m_index.constFind(text);
        if (found != m_index.constEnd())
            return found.value();
        const quint32 index = quint32(m_strings.size());
        m_index.insert(text, index);
        m_strings.append(text);
        return index;
    }

    // SST, continued in CONTINUE records where it outgrows one record, followed by EXTSST, the
    // stream positions of every dsst-th string. `w` writes the globals, which open the stream, so
    // its positions are stream positions.
    void write(BiffWriter &w) const
    {
        const qsizetype unique = m_strings.size();
        const int perBucket = int(std::max<qsizetype>(8, (unique + 127) / 128));
        struct Bucket
        {
            quint32 streamPosition;
            quint16 recordOffset;
        };
        QList<Bucket> buckets;

        qsizetype recordStart = w.size();
        w.header(kSst, 0);
        w.put32(m_references);
        w.put32(quint32(unique));
        auto used = [&] { return int(w.size() - recordStart - 4); };
        auto closeRecord = [&] { w.patch16(recordStart + 2, quint16(used())); };
        auto startContinue = [&] {
            closeRecord();
            recordStart = w.size();
            w.header(kContinue, 0);
        };
        for (qsizetype i = 0; i < unique; ++i) {
            const QString &text = m_strings[i];
            const bool compressed = BiffWriter::fitsCompressed(text);
            const int perChar = compressed ? 1 : 2;
            // The character count and option byte stay together with at least one character.
            if (used() + 3 + perChar > kMaxRecordData)
                startContinue();
            if (i % perBucket == 0)
                buckets.append({quint32(w.size()), quint16(w.size() - recordStart)});
            w.put16(quint16(text.size()));
            w.put8(compressed ? 0 : 1);
            qsizetype done = 0;
            while (done < text.size()) {
                const qsizetype room = (kMaxRecordData - used()) / perChar;
                const qsizetype count = std::min(room, text.size() - done);
                w.putChars(QStringView(text).mid(done, count), compressed);
                done += count;
                if (done < text.size()) {
                    // The rest goes on in a CONTINUE record that repeats the option byte.
                    startContinue();
                    w.put8(compressed ? 0 : 1);
                }
            }
        }
        closeRecord();

        w.header(kExtSst, 2 + 8 * int(buckets.size()));
        w.put16(quint16(perBucket));
        for (const Bucket &b : buckets) {
            w.put32(b.streamPosition);
            w.put16(b.recordOffset);
            w.put16(0);
        }
    }

private:
    QHash<QString, quint32> m_index;
    QStringList m_strings;
    quint32 m_references = 0;
};

// One sheet: the header row and data rows [first, last), in blocks of 32 rows (the ROW records
// of a block, then the cells of its rows).
void writeSheet(BiffWriter &w, SharedStrings &strings, const SheetContent &content, qsizetype first,
                qsizetype last, bool selected)
{
    const QList<ReportRow> &rows = *content.rows;
    const int listColumns = std::min(sheet::listColumnCount(content), sheet::kBiffSheetColumns);
    int usedColumns = std::max(listColumns, int(content.captions.size()));
    for (qsizetype r = first; r < last; ++r)
        usedColumns = std::max(usedColumns, int(rows[r].cells.size()));
    usedColumns = std::min(usedColumns, sheet::kBiffSheetColumns);

    writeBof(w, 0x0010);
    w.record16(kDefColWidth, {8});
    // Every column carries the data format, so empty cells are text-formatted and centred too;
    // the list's columns get the list width.
    w.record16(kColInfo, {0, quint16(listColumns - 1), storedColumnWidth(sheet::kColumnWidth),
                          kDataXf, 0, 0});
    if (listColumns < sheet::kBiffSheetColumns)
        w.record16(kColInfo, {quint16(listColumns), quint16(sheet::kBiffSheetColumns - 1),
                              storedColumnWidth(8.43), kDataXf, 0, 0});
    const qsizetype sheetRows = 1 + (last - first);
    w.header(kDimensions, 14);
    w.put32(0);
    w.put32(quint32(sheetRows));
    w.put16(0);
    w.put16(quint16(usedColumns));
    w.put16(0);

    // Sheet row i: the captions for row 0, else list row first + i - 1; the header's cells are
    // written for every list column, so an empty caption is still grey.
    auto cellsOf = [&](qsizetype i) -> const QStringList & {
        return i == 0 ? content.captions : rows[first + i - 1].cells;
    };
    auto columnsOf = [&](qsizetype i) {
        return i == 0 ? listColumns
                      : std::min(int(rows[first + i - 1].cells.size()), sheet::kBiffSheetColumns);
    };
    for (qsizetype block = 0; block < sheetRows; block += 32) {
        const qsizetype blockEnd = std::min(sheetRows, block + 32);
        for (qsizetype i = block; i < blockEnd; ++i) {
            w.header(kRow, 16);
            w.put16(quint16(i));
            w.put16(0);
            w.put16(quint16(columnsOf(i)));
            w.put16(quint16((i == 0 ? sheet::kHeaderRowHeight : sheet::kDataRowHeight) * 20));
            w.put16(0);
            w.put16(0);
            w.put16(0x0140); // the height is the row's own; bit 8 is always set
            w.put16(kDataXf);
        }
        for (qsizetype i = block; i < blockEnd; ++i) {
            const QStringList &cells = cellsOf(i);
            const int columns = columnsOf(i);
            const quint16 xf = i == 0 ? kHeaderXf : kDataXf;
            for (int c = 0; c < columns; ++c) {
                const QString &text = c < cells.size() ? cells[c] : QString();
                if (text.isEmpty()) {
                    w.record16(kBlank, {quint16(i), quint16(c), xf});
                    continue;
                }
                w.header(kLabelSst, 10);
                w.put16(quint16(i));
                w.put16(quint16(c));
                w.put16(xf);
                w.put32(strings.indexOf(text));
            }
        }
    }

    w.header(kWindow2, 18);
    // Grid lines, headings, zeros, automatic grid colour, outline symbols; the first sheet is
    // the selected and shown one.
    w.put16(selected ? 0x06B6 : 0x00B6);
    w.put16(0);
    w.put16(0);
    w.put16(kAutomaticColour);
    w.put16(0);
    w.put16(0);
    w.put16(0);
    w.put32(0);
    w.header(kEof, 0);
}

// The first cell text longer than a cell can hold, as a message, or nothing.
std::optional<QString> tooLongCell(const SheetContent &content)
{
    auto message = [](qsizetype row, qsizetype column) {
        return QCoreApplication::translate(
                   "BiffWorkbook", "第 %1 行第 %2 列的文字超过 %3 个字符，工作簿的单元格存不下")
            .arg(row)
            .arg(column)
            .arg(kMaxCellCharacters);
    };
    for (qsizetype c = 0; c < content.captions.size(); ++c)
        if (content.captions[c].size() > kMaxCellCharacters)
            return message(1, c + 1);
    const QList<ReportRow> &rows = *content.rows;
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].cells.size(); ++c)
            if (rows[r].cells[c].size() > kMaxCellCharacters)
                return message(r + 2, c + 1);
    return std::nullopt;
}

} // namespace

BiffStreamResult buildBiffWorkbookStream(const SheetContent &content)
{
    static const QList<ReportRow> noRows;
    SheetContent source = content;
    if (!source.rows)
        source.rows = &noRows;
    if (auto error = tooLongCell(source))
        return {{}, error};

    const qsizetype dataRows = source.rows->size();
    constexpr qsizetype kRowsPerSheet = sheet::kBiffSheetRows - 1; // below the header row
    const qsizetype sheetCount =
        std::max<qsizetype>(1, (dataRows + kRowsPerSheet - 1) / kRowsPerSheet);

    // The sheets first, into their own buffer: they fill the shared string table the globals
    // carry. Cells take 14 bytes each, rows 20.
    SharedStrings strings;
    QByteArray sheets;
    qsizetype estimate = 4096;
    for (const ReportRow &row : *source.rows)
        estimate += 20 + 14 * row.cells.size();
    sheets.reserve(estimate);
    BiffWriter sheetWriter(sheets);
    QList<qsizetype> sheetStarts;
    for (qsizetype s = 0; s < sheetCount; ++s) {
        sheetStarts.append(sheetWriter.size());
        const qsizetype first = s * kRowsPerSheet;
        writeSheet(sheetWriter, strings, source, first, std::min(dataRows, first + kRowsPerSheet),
                   s == 0);
    }

    // Workbook globals.
    QByteArray out;
    BiffWriter w(out);
    writeBof(w, 0x0005);
    w.record16(kCodePage, {1200}); // UTF-16
    w.header(kWindow1, 18);
    for (quint16 v : {quint16(0), quint16(0), quint16(12000), quint16(9000), quint16(0x0038),
                      quint16(0), quint16(0), quint16(1), quint16(600)})
        w.put16(v);
    w.record16(kDateMode, {0});
    for (int i = 0; i < 4; ++i)
        writeFont(w, QStringLiteral("Arial"), 10);
    writeFont(w, source.font.name, source.font.pointSize);
    for (int i = 0; i < 15; ++i)
        writeXf(w, true, 0, 0, 0x20, false);                // general alignment, bottom
    writeXf(w, false, kListFont, kTextFormat, 0x22, false); // centred, bottom
    writeXf(w, false, kListFont, kTextFormat, 0x22, true);
    w.record16(kStyle, {0x8000, 0xFF00}); // built-in style 0 (Normal) on format 0
    QList<qsizetype> sheetOffsetAt;
    for (qsizetype s = 0; s < sheetCount; ++s) {
        const QString name = QStringLiteral("Sheet%1").arg(s + 1);
        w.header(kBoundSheet, 8 + int(name.size()));
        sheetOffsetAt.append(w.size());
        w.put32(0); // the sheet's offset, known once the globals are complete
        w.put8(0);  // visible
        w.put8(0);  // worksheet
        w.put8(quint8(name.size()));
        w.put8(0);
        w.putChars(name, true);
    }
    strings.write(w);
    w.header(kEof, 0);

    const qsizetype globalsSize = w.size();
    for (qsizetype s = 0; s < sheetCount; ++s)
        w.patch32(sheetOffsetAt[s], quint32(globalsSize + sheetStarts[s]));
    out.append(sheets);
    return {out, std::nullopt};
}

} // namespace tovrel
