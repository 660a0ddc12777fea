#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Independent readers of written workbooks: libfreexl for Excel 97-2003 files, and the sheet
// XML of an .xlsx read out with unzip. Neither shares code with the program's writers.
namespace tovrel::test {

struct ReadSheet
{
    QString name;
    // Cell texts, row by row; a row is as long as the sheet's column count.
    QList<QStringList> rows;
    int columnCount = 0;
};

// Every sheet of an .xls through libfreexl; `error` gets the failure, if any.
QList<ReadSheet> readXls(const QString &path, QString *error);

// The records of an .xls file's Workbook stream, read from the compound file by this reader's
// own small parser: each record's identifier and data.
struct BiffRecord
{
    quint16 id = 0;
    QByteArray data;
};
QList<BiffRecord> readXlsRecords(const QString &path, QString *error);
// The shared string table held by the SST record and its CONTINUE records.
QStringList readXlsSharedStrings(const QList<BiffRecord> &records);

// One member of a zip archive through `unzip -p`; empty when it is missing.
QByteArray unzipMember(const QString &archive, const QString &member);

// What the first sheet of an .xlsx holds, from xl/worksheets/sheet1.xml, the shared strings and
// xl/styles.xml.
struct XlsxSheet
{
    QList<QStringList> rows;             // cell texts by position (missing cells are empty)
    QList<QList<int>> styles;            // the style index of each cell (-1 when missing)
    QMap<int, double> rowHeights;        // row number (1-based) → height in points
    QList<double> columnWidths;          // of the <col> ranges in order, one per column range
    QList<QPair<int, int>> columnRanges; // min and max of each <col>
    QList<int> columnStyles;             // style of each <col>
    struct Style
    {
        QString numFmt;     // the format code
        QString horizontal; // alignment
        QString fontName;
        double fontSize = 0;
        QString pattern; // fill pattern type
        QString fillRgb; // fgColor rgb of the fill
        // bgColor of the fill, the pattern colour: "indexed 64" is automatic.
        QString patternColour;
        bool regular = true; // the font is neither bold nor italic
    };
    QList<Style> cellStyles; // cellXfs in order
};
XlsxSheet readXlsx(const QString &path, QString *error);

} // namespace tovrel::test
