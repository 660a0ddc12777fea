// The workbooks the export writes, read back with readers that share no code with the writers:
// libfreexl for Excel 97-2003 files, the sheet XML for .xlsx.

#include "SkipOutsideCi.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "export/SpreadsheetExport.h"
#include "report/ReportModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>
#include <QtEndian>

#include <array>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

// The telephone list's captions, blanks included.
QStringList telephoneCaptions()
{
    return {u("序号"), u("文件名"),   u("电话号码  "), u("时间"),
            u("属性"), u("文件长度"), u("时长   ")};
}

void fillModel(ReportModel &model, const QStringList &captions, const QList<QStringList> &rows)
{
    QList<ReportColumn> columns;
    for (const QString &c : captions)
        columns.append({c});
    model.setColumns(columns);
    QList<ReportRow> reportRows;
    for (const QStringList &r : rows)
        reportRows.append({r, {}});
    model.appendRows(reportRows);
}

QList<QStringList> sampleRows()
{
    return {
        {u("1"), u("12241805_1_013912345678.spx"), u("013912345678"), u(" 12月24日 18:05 "),
         u("来电"), u("12K"), u("12秒")},
        {u("2"), u("01010101_2_.spx"), QString(), u(" 01月01日 01:01 "), u("录音"), u("1K"),
         u("1秒")},
        {u("3"), u("x"), u("007")},
    };
}

// Row `r` of a many-row list: texts of a dozen characters, some Chinese, so the file is large.
QStringList bigRow(int r)
{
    return {QString::number(r + 1),
            QStringLiteral("%1_name.spx").arg(r, 8, 10, QLatin1Char('0')),
            QStringLiteral("0%1").arg(r, 10, 10, QLatin1Char('0')),
            u(" 12月24日 18:05 "),
            u("来电"),
            QStringLiteral("%1K").arg(r % 977),
            u("1分2秒")};
}

// The cell texts a reader returns for a header row and rows, padded to `columns`.
QList<QStringList> expectedRows(const QStringList &captions, const QList<QStringList> &rows,
                                int columns)
{
    QList<QStringList> all{captions};
    all.append(rows);
    for (QStringList &r : all)
        while (r.size() < columns)
            r.append(QString());
    return all;
}

// What LibreOffice makes of a workbook, from the flat OpenDocument file it converts it to: the
// height of each of the first rows and, by row and column, the width and the cell style LibreOffice
// shows there.
struct OfficeCellStyle
{
    bool textFormat = false; // the cell's number format is a text format ("@")
    QString background;
    QString alignment;
    QString fontName;
    QString fontSize;
    bool regular = true; // neither bold nor italic
};
struct OfficeSheet
{
    QList<double> rowHeights;            // points, sheet rows in order
    QList<double> columnWidths;          // points, sheet columns in order
    QList<QList<OfficeCellStyle>> cells; // sheet rows in order, columns in order
};

double points(QStringView length)
{
    static const QList<QPair<QString, double>> units{{QStringLiteral("in"), 72.0},
                                                     {QStringLiteral("cm"), 72.0 / 2.54},
                                                     {QStringLiteral("mm"), 72.0 / 25.4},
                                                     {QStringLiteral("pt"), 1.0}};
    for (const auto &[unit, factor] : units)
        if (length.endsWith(unit))
            return length.chopped(unit.size()).toDouble() * factor;
    return -1;
}

// The first `rows` rows and `columns` columns of the first sheet of a flat OpenDocument file.
OfficeSheet readOfficeSheet(const QByteArray &xml, int rows, int columns)
{
    QMap<QString, double> columnStyles, rowStyles;
    QMap<QString, OfficeCellStyle> cellStyles;
    QSet<QString> textFormats;
    QList<QString> columnDefaults; // the default cell style of each column
    OfficeSheet sheet;
    QXmlStreamReader r(xml);
    QString style, family;
    int tables = 0;
    while (!r.atEnd() && tables <= 1) {
        r.readNext();
        if (r.isEndElement() && r.qualifiedName() == QLatin1String("table:table"))
            ++tables;
        if (r.isEndElement() && r.qualifiedName() == QLatin1String("style:style"))
            family.clear();
        if (!r.isStartElement())
            continue;
        const auto a = r.attributes();
        const auto name = r.qualifiedName();
        if (name == QLatin1String("style:style")) {
            style = a.value(QLatin1String("style:name")).toString();
            family = a.value(QLatin1String("style:family")).toString();
            if (family == QLatin1String("table-cell"))
                cellStyles[style].textFormat = textFormats.contains(
                    a.value(QLatin1String("style:data-style-name")).toString());
        } else if (name == QLatin1String("number:text-style")) {
            textFormats.insert(a.value(QLatin1String("style:name")).toString());
        } else if (name == QLatin1String("style:table-column-properties")) {
            columnStyles[style] = points(a.value(QLatin1String("style:column-width")));
        } else if (name == QLatin1String("style:table-row-properties")) {
            rowStyles[style] = points(a.value(QLatin1String("style:row-height")));
        } else if (family == QLatin1String("table-cell") && cellStyles.contains(style)) {
            OfficeCellStyle &cell = cellStyles[style];
            if (a.hasAttribute(QLatin1String("fo:background-color")))
                cell.background = a.value(QLatin1String("fo:background-color")).toString();
            if (a.hasAttribute(QLatin1String("fo:text-align")))
                cell.alignment = a.value(QLatin1String("fo:text-align")).toString();
            if (a.hasAttribute(QLatin1String("style:font-name")))
                cell.fontName = a.value(QLatin1String("style:font-name")).toString();
            if (a.hasAttribute(QLatin1String("fo:font-size")))
                cell.fontSize = a.value(QLatin1String("fo:font-size")).toString();
            if (a.value(QLatin1String("fo:font-weight")) == QLatin1String("bold") ||
                a.value(QLatin1String("fo:font-style")) == QLatin1String("italic"))
                cell.regular = false;
        } else if (name == QLatin1String("table:table-column")) {
            const int repeat =
                std::max(1, a.value(QLatin1String("table:number-columns-repeated")).toInt());
            for (int i = 0; i < repeat && sheet.columnWidths.size() < columns; ++i) {
                sheet.columnWidths.append(
                    columnStyles.value(a.value(QLatin1String("table:style-name")).toString()));
                columnDefaults.append(
                    a.value(QLatin1String("table:default-cell-style-name")).toString());
            }
        } else if (name == QLatin1String("table:table-row") && sheet.rowHeights.size() < rows) {
            const int repeat =
                std::max(1, a.value(QLatin1String("table:number-rows-repeated")).toInt());
            for (int i = 0; i < repeat && sheet.rowHeights.size() < rows; ++i) {
                sheet.rowHeights.append(
                    rowStyles.value(a.value(QLatin1String("table:style-name")).toString()));
                sheet.cells.append(QList<OfficeCellStyle>());
            }
        } else if (name == QLatin1String("table:table-cell") && !sheet.cells.isEmpty()) {
            const int repeat =
                std::max(1, a.value(QLatin1String("table:number-columns-repeated")).toInt());
            QList<OfficeCellStyle> &row = sheet.cells.last();
            for (int i = 0; i < repeat && row.size() < columns; ++i) {
                QString cellStyle = a.value(QLatin1String("table:style-name")).toString();
                if (cellStyle.isEmpty())
                    cellStyle = columnDefaults.value(row.size());
                row.append(cellStyles.value(cellStyle));
            }
        }
    }
    return sheet;
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestWorkbookExport : public QObject
{
    Q_OBJECT

private slots:
    void xlsCellsReadBack();
    void xlsLayoutRecords();
    void xlsLongTextsAcrossRecords();
    void xlsxCellsAndLayoutReadBack();
    void unusualTextsReadBackAsGiven_data();
    void unusualTextsReadBackAsGiven();
    void emptyListGivesHeaderOnly_data();
    void emptyListGivesHeaderOnly();
    void seventyThousandRowsContinueOnSecondXlsSheet();
    void existingFileQuestion_data();
    void existingFileQuestion();
    void failureKeepsExistingFileAndLeavesNoTemporary_data();
    void failureKeepsExistingFileAndLeavesNoTemporary();
    void targetThatIsAFolderFails();
    void nameNearTheLongestAFolderHolds_data();
    void nameNearTheLongestAFolderHolds();
    void libreOfficeOpensBothFormats();
};

void TestWorkbookExport::xlsCellsReadBack()
{
    TempFolder folder;
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    const QString path = folder.file(u("电话列表List.xls"));
    const ExportResult result = ExportListToSpreadsheet(model, listFont(), path, {});
    QCOMPARE(int(result.outcome), int(ExportOutcome::Finished));
    QCOMPARE(result.text, u("导出 Excel 结束！"));
    QVERIFY(QFileInfo::exists(path));

    QString error;
    const auto sheets = tovrel::test::readXls(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sheets.size(), 1);
    QCOMPARE(sheets[0].name, QStringLiteral("Sheet1"));
    QCOMPARE(sheets[0].columnCount, 7);
    // Captions with their trailing blanks, leading zeros, Chinese text, an empty sub-item, a
    // short row.
    QCOMPARE(sheets[0].rows, expectedRows(telephoneCaptions(), sampleRows(), 7));
    // Only the workbook is left in the folder.
    QCOMPARE(folderEntries(folder.path()), QStringList{u("电话列表List.xls")});
}

void TestWorkbookExport::xlsLayoutRecords()
{
    TempFolder folder;
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    const QString path = folder.file(QStringLiteral("layout.xls"));
    QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
             int(ExportOutcome::Finished));
    QString error;
    const auto records = tovrel::test::readXlsRecords(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    auto u16 = [](const QByteArray &d, int at) {
        return qFromLittleEndian<quint16>(d.constData() + at);
    };
    auto u32 = [](const QByteArray &d, int at) {
        return qFromLittleEndian<quint32>(d.constData() + at);
    };
    struct Font
    {
        QString name;
        int twips;
        bool regular; // normal weight, not italic
    };
    QList<Font> fonts; // by font index; index 4 does not exist in the format
    QList<QByteArray> xfs;
    QMap<int, int> rowTwips;
    QList<QByteArray> colInfos;
    QList<std::array<int, 3>> cells; // row, column, XF
    int sheets = 0;
    for (const auto &r : records) {
        if (r.id == 0x0809 && u16(r.data, 2) == 0x0010)
            ++sheets;
        if (r.id == 0x0031) {
            if (fonts.size() == 4)
                fonts.append(Font{QString(), 0, false});
            const int count = quint8(r.data[14]);
            const bool wide = r.data[15] & 1;
            QString name;
            for (int i = 0; i < count; ++i)
                name +=
                    wide ? QChar(u16(r.data, 16 + 2 * i)) : QChar(char16_t(quint8(r.data[16 + i])));
            fonts.append(
                {name, u16(r.data, 0), (u16(r.data, 2) & 0x02) == 0 && u16(r.data, 6) == 400});
        } else if (r.id == 0x00E0) {
            xfs.append(r.data);
        } else if (r.id == 0x0208) {
            rowTwips[u16(r.data, 0)] = u16(r.data, 6);
        } else if (r.id == 0x007D) {
            colInfos.append(r.data);
        } else if (r.id == 0x0204 || r.id == 0x0201 || r.id == 0x00FD) {
            cells.append({u16(r.data, 0), u16(r.data, 2), u16(r.data, 4)});
        }
    }
    QCOMPARE(sheets, 1);
    // Row heights in twips: 20 points for the header, 16 for each data row.
    QCOMPARE(rowTwips, (QMap<int, int>{{0, 400}, {1, 320}, {2, 320}, {3, 320}}));
    // Header: seven cells; data: seven, seven and three.
    QCOMPARE(cells.size(), 7 + 7 + 7 + 3);
    for (const auto &cell : cells) {
        const QByteArray xf = xfs.value(cell[2]);
        QCOMPARE(xf.size(), 20);
        const Font font = fonts.value(u16(xf, 0));
        QCOMPARE(font.name, u("宋体"));
        QCOMPARE(font.twips, 9 * 20);
        QVERIFY(font.regular);
        QCOMPARE(u16(xf, 2), quint16(49)); // the built-in format "@"
        QCOMPARE(xf[6] & 7, 2);            // centred
        const int pattern = int(u32(xf, 14) >> 26);
        const int foreground = u16(xf, 18) & 0x7F;
        const int background = (u16(xf, 18) >> 7) & 0x7F;
        if (cell[0] == 0) {
            // Solid grey 25 %: palette entry 22 (C0C0C0), automatic pattern colour (64).
            QCOMPARE(pattern, 1);
            QCOMPARE(foreground, 22);
            QCOMPARE(background, 64);
        } else {
            QCOMPARE(pattern, 0);
        }
    }
    // Columns 1-7 at the list width; the rest of the sheet text-formatted and centred too.
    QCOMPARE(colInfos.size(), 2);
    QCOMPARE(u16(colInfos[0], 0), quint16(0));
    QCOMPARE(u16(colInfos[0], 2), quint16(6));
    const double width = u16(colInfos[0], 4) / 256.0; // characters, cell padding included
    QVERIFY2(width > 35.0 * 5 / 13 && width < 35.0 * 5 / 13 + 1,
             qPrintable(QString::number(width)));
    QCOMPARE(u16(colInfos[1], 0), quint16(7));
    QCOMPARE(u16(colInfos[1], 2), quint16(255));
    for (const QByteArray &info : colInfos) {
        const QByteArray xf = xfs.value(u16(info, 6));
        QCOMPARE(u16(xf, 2), quint16(49));
        QCOMPARE(xf[6] & 7, 2);
    }
}

// Texts longer than one record of the shared string table go on in the records after it,
// wide and one-byte ones alike, up to the 32 767 characters a cell holds; repeated texts are
// stored once.
void TestWorkbookExport::xlsLongTextsAcrossRecords()
{
    auto text = [](int length, bool wide) {
        QString t;
        for (int i = 0; i < length; ++i)
            t.append(wide ? QChar(char16_t(0x4E00 + i % 2000)) : QChar(char16_t('a' + i % 26)));
        return t;
    };
    TempFolder folder;
    // Texts that cross one record boundary each: libfreexl reads them back.
    {
        ReportModel model;
        const QList<QStringList> rows{{u("1"), text(8000, false), text(8000, false)},
                                      {u("2"), text(4000, true), text(4000, true)},
                                      {u("3"), text(8000, false), text(3, true)}};
        fillModel(model, {u("a"), u("b"), u("c")}, rows);
        const QString path = folder.file(QStringLiteral("long.xls"));
        QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
                 int(ExportOutcome::Finished));
        QString error;
        const auto sheets = tovrel::test::readXls(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sheets.value(0).rows, expectedRows({u("a"), u("b"), u("c")}, rows, 3));
    }
    // Texts that cross several (libfreexl 1.0 misreads those; the test's own reader of the
    // table checks them).
    {
        ReportModel model;
        const QList<QStringList> rows{{text(32767, true), text(20000, false), u("x")}};
        fillModel(model, {u("a")}, rows);
        const QString path = folder.file(QStringLiteral("longest.xls"));
        QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
                 int(ExportOutcome::Finished));
        QString error;
        const auto records = tovrel::test::readXlsRecords(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(tovrel::test::readXlsSharedStrings(records),
                 (QStringList{u("a"), text(32767, true), text(20000, false), u("x")}));
    }
}

void TestWorkbookExport::xlsxCellsAndLayoutReadBack()
{
    TempFolder folder;
    ReportModel model;
    const QStringList captions{u("文件名"), u("电话号码"), u("时间"),
                               u("时长"),   u("属性"),     u("文件路径")};
    const QList<QStringList> rows{
        {u("a.spx"), u("0086"), u(" 12月24日 18:05 "), u("1秒"), u("去电"), u("/tmp/a/")},
        {u("b.spx"), QString(), u("t"), u("2秒"), u("录音"), u("/tmp/b/")},
        {u("c.spx"), u("00"), u("t"), u("3秒"), u("来电"), u("/tmp/c/")},
    };
    fillModel(model, captions, rows);
    const QString path = folder.file(QStringLiteral("results.XLSX"));
    QCOMPARE(int(ExportListToSpreadsheet(model, {u("宋体"), 9}, path, {}).outcome),
             int(ExportOutcome::Finished));

    QString error;
    const auto sheet = tovrel::test::readXlsx(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sheet.rows, expectedRows(captions, rows, 6));
    // Heights: header 20, data rows 16.
    QCOMPARE(sheet.rowHeights.value(1), 20.0);
    for (int r = 2; r <= 4; ++r)
        QCOMPARE(sheet.rowHeights.value(r), 16.0);
    // The list's six columns at 13.46 characters, every other column text-formatted too.
    QCOMPARE(sheet.columnRanges.first(), qMakePair(1, 6));
    QVERIFY(qAbs(sheet.columnWidths.first() - 35.0 * 5 / 13) < 0.72); // padding may be added
    QCOMPARE(sheet.columnRanges.last().second, 16384);
    for (int style : sheet.columnStyles) {
        QCOMPARE(sheet.cellStyles.value(style).numFmt, u("@"));
        QCOMPARE(sheet.cellStyles.value(style).horizontal, u("center"));
    }
    // Header cells: grey 25 % solid fill; data cells: no fill. All: "@", centred, 宋体 9.
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 6; ++c) {
            const auto style = sheet.cellStyles.value(sheet.styles[r][c]);
            QCOMPARE(style.numFmt, u("@"));
            QCOMPARE(style.horizontal, u("center"));
            QCOMPARE(style.fontName, u("宋体"));
            QCOMPARE(style.fontSize, 9.0);
            QVERIFY(style.regular);
            QCOMPARE(style.pattern, r == 0 ? u("solid") : u("none"));
            if (r == 0) {
                QCOMPARE(style.fillRgb, u("FFC0C0C0"));
                QCOMPARE(style.patternColour, u("indexed 64")); // automatic
            }
        }
    }
}

void TestWorkbookExport::unusualTextsReadBackAsGiven_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, QString>> texts{
        {"looks like an .xlsx escape", u("_x0041_ _X004a_ _x00_ _x")},
        {"an escaped underscore", u("_x005F_x0041_")},
        {"three digits and a blank, not an escape", u("_x888 _x888")},
        {"a look-alike closed by an escaped character", u("_x8888\x03_ _x4E00") + QChar(0xFFFF)},
        {"carriage returns", u("a\r\nb\rc")},
        {"non-characters", u("a") + QChar(0xFFFE) + u("b") + QChar(0xFFFF)},
        {"control characters", u("\x01a\x1F\tb\n")},
        {"outside the basic plane", u("\xF0\x9F\x93\x9E 录音")},
    };
    for (const auto &[what, text] : texts) {
        QTest::addRow("xls, %s", what) << u("t.xls") << text;
        QTest::addRow("xlsx, %s", what) << u("t.xlsx") << text;
    }
    // libfreexl hands texts over NUL-terminated; the sheet XML carries a NUL escaped.
    QTest::addRow("xlsx, NUL") << u("t.xlsx") << (u("a") + QChar(0) + u("b"));
}

// A cell's text reads back exactly as written, in both formats, whatever characters it holds.
void TestWorkbookExport::unusualTextsReadBackAsGiven()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    TempFolder folder;
    ReportModel model;
    const QList<QStringList> rows{{text, u("x")}, {u("y"), text}};
    fillModel(model, {text, u("b")}, rows);
    const QString path = folder.file(name);
    QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
             int(ExportOutcome::Finished));
    QString error;
    QList<QStringList> read;
    if (name.endsWith(QStringLiteral(".xlsx"))) {
        read = tovrel::test::readXlsx(path, &error).rows;
    } else {
        const auto sheets = tovrel::test::readXls(path, &error);
        QCOMPARE(sheets.size(), 1);
        read = sheets[0].rows;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(read, expectedRows({text, u("b")}, rows, 2));
}

void TestWorkbookExport::emptyListGivesHeaderOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xls") << u("空.xls");
    QTest::newRow("xlsx") << u("空.xlsx");
    QTest::newRow("other extension: xls") << u("空.txt");
}

void TestWorkbookExport::emptyListGivesHeaderOnly()
{
    QFETCH(QString, name);
    TempFolder folder;
    ReportModel model;
    fillModel(model, telephoneCaptions(), {});
    const QString path = folder.file(name);
    QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
             int(ExportOutcome::Finished));
    QString error;
    QList<QStringList> rows;
    if (name.endsWith(QStringLiteral(".xlsx"))) {
        rows = tovrel::test::readXlsx(path, &error).rows;
    } else {
        const auto sheets = tovrel::test::readXls(path, &error);
        QCOMPARE(sheets.size(), 1);
        rows = sheets[0].rows;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(rows, QList<QStringList>{telephoneCaptions()});
}

void TestWorkbookExport::seventyThousandRowsContinueOnSecondXlsSheet()
{
    TempFolder folder;
    ReportModel model;
    QList<QStringList> rows;
    for (int r = 0; r < 70000; ++r)
        rows.append(bigRow(r));
    fillModel(model, telephoneCaptions(), rows);
    const QString path = folder.file(QStringLiteral("big.xls"));
    QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), path, {}).outcome),
             int(ExportOutcome::Finished));
    // Large enough that the container lists its FAT beyond the header's 109 entries.
    QVERIFY(QFileInfo(path).size() > 109 * 128 * 512);

    QString error;
    const auto sheets = tovrel::test::readXls(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sheets.size(), 2);
    QCOMPARE(sheets[1].name, QStringLiteral("Sheet2"));
    QCOMPARE(sheets[0].rows.size(), 65536);
    QCOMPARE(sheets[1].rows.size(), 1 + 70000 - 65535);
    QCOMPARE(sheets[0].rows[0], telephoneCaptions());
    QCOMPARE(sheets[1].rows[0], telephoneCaptions());
    QCOMPARE(sheets[0].rows[1], bigRow(0));
    QCOMPARE(sheets[0].rows[65535], bigRow(65534));
    QCOMPARE(sheets[1].rows[1], bigRow(65535));
    QCOMPARE(sheets[1].rows.last(), bigRow(69999));
}

void TestWorkbookExport::existingFileQuestion_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("replace");
    QTest::newRow("xls, OK replaces") << u("a.xls") << true;
    QTest::newRow("xls, Cancel keeps") << u("a.xls") << false;
    QTest::newRow("xlsx, OK replaces") << u("a.xlsx") << true;
    QTest::newRow("xlsx, Cancel keeps") << u("a.xlsx") << false;
}

void TestWorkbookExport::existingFileQuestion()
{
    QFETCH(QString, name);
    QFETCH(bool, replace);
    TempFolder folder;
    const QString path = folder.write(name, "old workbook");
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    int asked = 0;
    const ExportResult result = ExportListToSpreadsheet(model, listFont(), path, [&] {
        ++asked;
        return replace;
    });
    QCOMPARE(asked, 1);
    if (!replace) {
        QCOMPARE(int(result.outcome), int(ExportOutcome::Abandoned));
        QCOMPARE(result.text, u("放弃操作"));
        QCOMPARE(folder.read(name), QByteArray("old workbook"));
    } else {
        QCOMPARE(int(result.outcome), int(ExportOutcome::Finished));
        QVERIFY(folder.read(name) != QByteArray("old workbook"));
        QString error;
        if (name.endsWith(QStringLiteral(".xlsx")))
            QCOMPARE(tovrel::test::readXlsx(path, &error).rows.size(), 4);
        else
            QCOMPARE(tovrel::test::readXls(path, &error).value(0).rows.size(), 4);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    QCOMPARE(folderEntries(folder.path()), QStringList{name});
}

void TestWorkbookExport::failureKeepsExistingFileAndLeavesNoTemporary_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tooLong");
    QTest::addColumn<QString>("expected");
    // A text longer than a cell holds is refused before anything is renamed; the old file
    // stays.
    QTest::newRow("xls cell too long")
        << u("a.xls") << QString(32768, QChar(0x4E2D)) << u("超过 32767 个字符");
    QTest::newRow("xlsx cell too long")
        << u("a.xlsx") << QString(40000, QLatin1Char('x')) << u("写入文件失败");
}

void TestWorkbookExport::failureKeepsExistingFileAndLeavesNoTemporary()
{
    QFETCH(QString, name);
    QFETCH(QString, tooLong);
    QFETCH(QString, expected);
    TempFolder folder;
    const QString path = folder.write(name, "old workbook");
    ReportModel model;
    fillModel(model, telephoneCaptions(), {{u("1"), tooLong}});
    const ExportResult result =
        ExportListToSpreadsheet(model, listFont(), path, [] { return true; });
    QCOMPARE(int(result.outcome), int(ExportOutcome::Failed));
    QVERIFY2(result.text.contains(expected), qPrintable(result.text));
    QCOMPARE(folder.read(name), QByteArray("old workbook"));
    QCOMPARE(folderEntries(folder.path()), QStringList{name});
}

// A folder in the workbook's place: the question is asked, the rename fails with a message,
// the folder stays and no temporary file is left.
void TestWorkbookExport::targetThatIsAFolderFails()
{
    TempFolder folder;
    folder.write(u("a.xls/inside"), "kept");
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    const ExportResult result =
        ExportListToSpreadsheet(model, listFont(), folder.file(u("a.xls")), [] { return true; });
    QCOMPARE(int(result.outcome), int(ExportOutcome::Failed));
    QVERIFY2(result.text.contains(u("无法保存为")), qPrintable(result.text));
    QCOMPARE(folder.read(u("a.xls/inside")), QByteArray("kept"));
    QCOMPARE(folderEntries(folder.path()), QStringList{u("a.xls")});
}

// A target whose name is close to the 255 bytes a folder entry holds: the temporary file beside
// it still gets a name of its own, and the old workbook is replaced.
void TestWorkbookExport::nameNearTheLongestAFolderHolds_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xls, 253 bytes") << QString(83, QChar(0x5B57)) + u(".xls");
    QTest::newRow("xlsx, 251 bytes") << QString(82, QChar(0x5B57)) + u(".xlsx");
}

void TestWorkbookExport::nameNearTheLongestAFolderHolds()
{
    QFETCH(QString, name);
    TempFolder folder;
    const QString path = folder.write(name, "old workbook");
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    const ExportResult result =
        ExportListToSpreadsheet(model, listFont(), path, [] { return true; });
    QVERIFY2(result.outcome == ExportOutcome::Finished, qPrintable(result.text));
    QString error;
    const QList<QStringList> rows = name.endsWith(u(".xlsx"))
                                        ? tovrel::test::readXlsx(path, &error).rows
                                        : tovrel::test::readXls(path, &error).value(0).rows;
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // libfreexl pads every row to the sheet's width; the sheet XML has the written cells only.
    QCOMPARE(rows,
             expectedRows(telephoneCaptions(), sampleRows(), name.endsWith(u(".xlsx")) ? 0 : 7));
    QCOMPARE(folderEntries(folder.path()), QStringList{name});
}

// LibreOffice opens both formats and shows the texts and the layout: the header row 20 points
// high in solid grey 25 %, data rows 16 points, every cell text-formatted, centred, in the list's
// font, regular; the list's columns equally wide, 35 × 5 / 13 characters against the 8.43 of the
// others.
void TestWorkbookExport::libreOfficeOpensBothFormats()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        TOVREL_SKIP_OUTSIDE_CI("LibreOffice (soffice) is not installed");
    TempFolder folder;
    ReportModel model;
    fillModel(model, telephoneCaptions(), sampleRows());
    const QStringList names{u("biff.xls"), u("ooxml.xlsx")};
    QStringList paths;
    for (const QString &name : names) {
        paths.append(folder.file(name));
        QCOMPARE(int(ExportListToSpreadsheet(model, listFont(), paths.last(), {}).outcome),
                 int(ExportOutcome::Finished));
    }
    // Both workbooks in one run of LibreOffice per target format. LibreOffice keeps a profile
    // under HOME and will not start as root without a profile of its own: both are private
    // folders of this test.
    auto convert = [&](const QString &filter, const QString &out) -> QString {
        if (!QDir().mkpath(out) || !QDir().mkpath(folder.path() + QStringLiteral("home")))
            return QStringLiteral("cannot create ") + out;
        QProcess office;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder.path() + QStringLiteral("home"));
        office.setProcessEnvironment(env);
        office.start(
            soffice,
            QStringList{
                QStringLiteral("--headless"), QStringLiteral("--norestore"),
                QStringLiteral("-env:UserInstallation=") +
                    QUrl::fromLocalFile(folder.path() + QStringLiteral("profile")).toString(),
                QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), out} +
                paths);
        if (!office.waitForFinished(180000) || office.exitStatus() != QProcess::NormalExit ||
            office.exitCode() != 0)
            return QStringLiteral("soffice --convert-to %1 failed: %2")
                .arg(filter, QString::fromLocal8Bit(office.readAllStandardError()));
        return {};
    };
    const QString csvFolder = folder.path() + QStringLiteral("csv/");
    const QString odsFolder = folder.path() + QStringLiteral("fods/");
    QString failure =
        convert(QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), csvFolder);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    failure = convert(QStringLiteral("fods"), odsFolder);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    for (const QString &name : names) {
        const QString stem = QFileInfo(name).completeBaseName();
        QFile csv(csvFolder + stem + QStringLiteral(".csv"));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(csv.fileName()));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY2(text.startsWith(telephoneCaptions().join(QLatin1Char(','))), qPrintable(text));
        QVERIFY2(text.contains(u("013912345678")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral(",007")), qPrintable(text));

        QFile ods(odsFolder + stem + QStringLiteral(".fods"));
        QVERIFY2(ods.open(QIODevice::ReadOnly), qPrintable(ods.fileName()));
        const OfficeSheet sheet = readOfficeSheet(ods.readAll(), 4, 8);
        QCOMPARE(sheet.rowHeights.size(), 4);
        // LibreOffice rounds an .xlsx row height to its own units, within a point.
        QVERIFY2(qAbs(sheet.rowHeights[0] - 20) < 0.6,
                 qPrintable(QString::number(sheet.rowHeights[0])));
        for (int r = 1; r < 4; ++r)
            QVERIFY2(qAbs(sheet.rowHeights[r] - 16) < 0.6,
                     qPrintable(QString::number(sheet.rowHeights[r])));
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(sheet.cells[r].size(), 8);
            for (int c = 0; c < 8; ++c) {
                const OfficeCellStyle &cell = sheet.cells[r][c];
                const QByteArray where =
                    QStringLiteral("%1 row %2 column %3").arg(name).arg(r + 1).arg(c + 1).toUtf8();
                QVERIFY2(cell.textFormat, where);
                QVERIFY2(cell.alignment == u("center"), where);
                QVERIFY2(cell.fontName == u("宋体") && cell.fontSize == u("9pt"), where);
                QVERIFY2(cell.regular, where);
                const bool grey = cell.background.compare(u("#c0c0c0"), Qt::CaseInsensitive) == 0;
                QVERIFY2(grey == (r == 0 && c < 7), where);
            }
        }
        QCOMPARE(sheet.columnWidths.size(), 8);
        for (int c = 1; c < 7; ++c)
            QCOMPARE(sheet.columnWidths[c], sheet.columnWidths[0]);
        // Widths in characters of the default font's digits, each with its cell padding.
        const double ratio = sheet.columnWidths[0] / sheet.columnWidths[7];
        const double expected = (35.0 * 5 / 13 + 0.7) / (8.43 + 0.7);
        QVERIFY2(qAbs(ratio - expected) < 0.03 * expected, qPrintable(QString::number(ratio)));
    }
}

QTEST_GUILESS_MAIN(TestWorkbookExport)
#include "tst_workbookexport.moc"
