#pragma once

#include "report/ReportModel.h"

#include <QList>
#include <QString>
#include <QStringList>

// The one sheet layout every exported list gets, whichever file format carries it.
namespace tovrel {

// The font of the list being exported: every cell of the sheet is set in it, regular style.
struct SheetFont
{
    QString name;
    double pointSize = 9;
};

// What goes into a workbook: the column captions (row 1, blanks kept), the rows (caption in
// column 1, the sub-items after it) and the font.
struct SheetContent
{
    QStringList captions;
    const QList<ReportRow> *rows = nullptr;
    SheetFont font;
    // The column (from 0) whose cells are relative paths of files beside the workbook: a link to
    // the file where the format carries links (.xlsx), the plain path otherwise. -1: none.
    int linkColumn = -1;
};

namespace sheet {

// Width of each list column, in characters of the default font's digits: 35 × 5 / 13.
constexpr double kColumnWidth = 35.0 * 5.0 / 13.0;
// Row heights in points.
constexpr int kHeaderRowHeight = 20;
constexpr int kDataRowHeight = 16;
// The header fill: solid, grey 25 %, automatic pattern colour.
constexpr unsigned kHeaderFillRgb = 0xC0C0C0;
// Rows an Excel 97-2003 sheet holds; a longer list continues on further sheets, each starting
// with the header row again.
constexpr int kBiffSheetRows = 65536;
// Columns an Excel 97-2003 sheet holds.
constexpr int kBiffSheetColumns = 256;

// Number of columns that get the list width: the caption count, at least 1.
inline int listColumnCount(const SheetContent &content)
{
    return content.captions.isEmpty() ? 1 : int(content.captions.size());
}

} // namespace sheet
} // namespace tovrel
