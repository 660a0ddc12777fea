// The workbook writers fed random lists: captions and rows of texts made of Latin and Chinese
// letters, control characters, XML's special characters, characters outside the basic plane and
// now and then a text at or past the 32 767 characters a cell holds. Each list is written as an
// Excel 97-2003 workbook and as an .xlsx through the export's own file writing, then read back
// with readers that share no code with the writers (libfreexl, and the sheet XML unzipped) and
// compared cell by cell. A text too long for a cell must be refused with a message and leave no
// file behind.

#include "WorkbookReaders.h"
#include "export/SpreadsheetExport.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not meet the names the headers above declare.
#include "FuzzCheck.h"

using namespace tovrel;

namespace {

// The most characters a cell holds.
constexpr qsizetype kCellLimit = 32767;

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
};

// A text of up to 15 pieces; one text in a list may instead be a long run of one character.
QString nextText(Input &in, bool *longTextLeft)
{
    const uint8_t head = in.byte();
    if (head == 0xFF && *longTextLeft) {
        *longTextLeft = false;
        static const int kLengths[] = {kCellLimit - 1, kCellLimit, kCellLimit + 1, 5000};
        static const char16_t kFill[] = {u'a', u'录', u'\x01', u' '};
        const uint8_t pick = in.byte();
        return QString(kLengths[pick % 4], QChar(kFill[(pick / 4) % 4]));
    }
    QString text;
    const int pieces = head % 16;
    for (int i = 0; i < pieces; ++i) {
        const uint8_t b = in.byte();
        switch (b % 12) {
        case 0:
        case 1:
            text += QChar(u'0' + b % 10);
            break;
        case 2:
            text += QLatin1Char(char('A' + b % 26));
            break;
        case 3: {
            static const char16_t kHan[] = u"来电去录音文件名电话号码时间长属性路径宋体";
            text += QChar(kHan[b % 20]);
            break;
        }
        case 4:
            text += QChar(char16_t(1 + (b >> 4) * 2)); // control characters, tab, line feed
            break;
        case 5: {
            static const char *const kSpecial[] = {"&", "<", ">", "\"", "'", " ", "\r\n", "\r"};
            text += QString::fromLatin1(kSpecial[(b >> 4) % 8]);
            break;
        }
        case 6: {
            static const char *const kEscapes[] = {"_x0041_", "_x000D_", "_x005F_", "_x"};
            text += QString::fromLatin1(kEscapes[(b >> 4) % 4]);
            break;
        }
        case 7:
            text += QString::fromUtf8("\xF0\x9F\x93\x9E"); // a character outside the basic plane
            break;
        case 8:
            text += QChar(char16_t(0x80 + b)); // Latin-1 letters and C1 controls
            break;
        case 9:
            text += QChar(char16_t(0xFFFD + (b >> 4) % 3)); // U+FFFD to U+FFFF
            break;
        case 10:
            text += QChar(char16_t(0x3000 + b * 37)); // CJK symbols, kana, ideographs
            break;
        default:
            text += QChar(char16_t(0x20 + b % 95));
        }
    }
    return text;
}

// Characters as Unicode counts them (a pair of surrogates is one).
qsizetype codePoints(const QString &text)
{
    return text.toUcs4().size();
}

QString cellOf(const QList<QStringList> &grid, qsizetype r, qsizetype c)
{
    return r < grid.size() ? grid[r].value(c) : QString();
}

void report(const char *format, qsizetype r, qsizetype c, const QString &wrote, const QString &read)
{
    qsizetype differ = 0;
    while (differ < wrote.size() && differ < read.size() && wrote[differ] == read[differ])
        ++differ;
    std::fprintf(stderr,
                 "%s: cell %lld,%lld wrote %lld characters [%s], read %lld [%s], from %lld on "
                 "[%s] / [%s]\n",
                 format, (long long)r, (long long)c, (long long)wrote.size(),
                 qUtf8Printable(wrote.left(40)), (long long)read.size(),
                 qUtf8Printable(read.left(40)), (long long)differ,
                 qUtf8Printable(wrote.mid(differ, 20)), qUtf8Printable(read.mid(differ, 20)));
}

// Every cell written reads back the same; anything read beyond what was written is empty.
void compare(const char *format, const QList<QStringList> &written, const QList<QStringList> &read)
{
    qsizetype rows = std::max(written.size(), read.size());
    for (qsizetype r = 0; r < rows; ++r) {
        const qsizetype columns = std::max(r < written.size() ? written[r].size() : 0,
                                           r < read.size() ? read[r].size() : 0);
        for (qsizetype c = 0; c < columns; ++c) {
            const QString wrote = cellOf(written, r, c);
            const QString got = cellOf(read, r, c);
            if (wrote != got) {
                report(format, r, c, wrote, got);
                check(wrote == got);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    Input in{data, size};
    bool longTextLeft = true;
    QStringList captions;
    const int captionCount = in.byte() % 5;
    for (int i = 0; i < captionCount; ++i)
        captions.append(nextText(in, &longTextLeft));
    QList<ReportRow> rows;
    const int rowCount = in.byte() % 7;
    for (int r = 0; r < rowCount; ++r) {
        ReportRow row;
        const int cells = in.byte() % 7;
        for (int c = 0; c < cells; ++c)
            row.cells.append(nextText(in, &longTextLeft));
        rows.append(row);
    }
    const SheetContent content{captions, &rows, listFont()};

    // What the sheet holds: the captions (at least one cell), then the rows.
    QList<QStringList> written{captions.isEmpty() ? QStringList{QString()} : captions};
    bool tooLongUnits = false;
    bool tooLongCodePoints = false;
    for (const QStringList *cells : QList<const QStringList *>{&captions})
        for (const QString &t : *cells)
            tooLongUnits |= t.size() > kCellLimit, tooLongCodePoints |= codePoints(t) > kCellLimit;
    for (const ReportRow &row : rows) {
        written.append(row.cells);
        for (const QString &t : row.cells)
            tooLongUnits |= t.size() > kCellLimit, tooLongCodePoints |= codePoints(t) > kCellLimit;
    }

    // Excel 97-2003: a cell holds 32 767 UTF-16 units.
    const QString xls = dir.filePath(QStringLiteral("list.xls"));
    QFile::remove(xls);
    const auto xlsError = writeWorkbookFile(content, xls);
    if (tooLongUnits) {
        check(xlsError && xlsError->contains(QStringLiteral("32767")));
        check(!QFile::exists(xls));
    } else {
        if (xlsError)
            std::fprintf(stderr, "xls: %s\n", qUtf8Printable(*xlsError));
        check(!xlsError);
        QString error;
        // libfreexl misreads a text that crosses more than one record boundary of the shared
        // string table (and may then find no sheet at all); a list holding one is checked in
        // the table as the tests' own parser reads it.
        constexpr qsizetype kFreexlLongest = 4000;
        bool freexlReads = true;
        for (const QStringList &cells : written)
            for (const QString &t : cells)
                freexlReads &= t.size() <= kFreexlLongest;
        if (freexlReads) {
            const QList<test::ReadSheet> sheets = test::readXls(xls, &error);
            check(error.isEmpty());
            check(sheets.size() == 1 && sheets[0].name == QStringLiteral("Sheet1"));
            compare("xls", written, sheets[0].rows);
        } else {
            const QList<test::BiffRecord> records = test::readXlsRecords(xls, &error);
            check(error.isEmpty());
            const QStringList table = test::readXlsSharedStrings(records);
            for (const QStringList &cells : written)
                for (const QString &t : cells)
                    check(t.isEmpty() || table.contains(t));
            for (const QString &t : table) {
                bool given = false;
                for (const QStringList &cells : written)
                    given |= cells.contains(t);
                check(given);
            }
        }
    }

    // Office Open XML: a cell holds 32 767 characters.
    const QString xlsx = dir.filePath(QStringLiteral("list.xlsx"));
    QFile::remove(xlsx);
    const auto xlsxError = writeWorkbookFile(content, xlsx);
    if (tooLongCodePoints) {
        check(xlsxError && !xlsxError->isEmpty());
        check(!QFile::exists(xlsx));
    } else {
        if (xlsxError)
            std::fprintf(stderr, "xlsx: %s\n", qUtf8Printable(*xlsxError));
        check(!xlsxError);
        QString error;
        const test::XlsxSheet sheet = test::readXlsx(xlsx, &error);
        if (!error.isEmpty())
            std::fprintf(stderr, "xlsx read: %s\n", qUtf8Printable(error));
        check(error.isEmpty());
        compare("xlsx", written, sheet.rows);
    }
    return 0;
}
