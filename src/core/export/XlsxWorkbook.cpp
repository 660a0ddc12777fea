#include "export/XlsxWorkbook.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <xlsxwriter.h>

#include <algorithm>

namespace tovrel {
namespace {

constexpr lxw_col_t kLastXlsxColumn = 16383;

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// A cell text as the sheet's XML can carry it. The workbook reads "_xHHHH_" as the character
// HHHH. The characters XML cannot hold at all or would change on reading (NUL, a carriage
// return, U+FFFE, U+FFFF, a surrogate without its pair) are written in that form here, the other
// control characters by libxlsxwriter. Every "_xHHHH" already in the text gets its underscore
// written as "_x005F_", also when no '_' follows yet: an escape written after it (ours or
// libxlsxwriter's) would otherwise supply the closing '_' and change the text on reading.
QByteArray xlsxCellText(const QString &text)
{
    QString out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        const bool paired =
            (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) ||
            (QChar::isLowSurrogate(u) && i > 0 && text[i - 1].isHighSurrogate());
        const bool escapedLook = u == u'_' && i + 5 < n &&
                                 (text[i + 1] == u'x' || text[i + 1] == u'X') &&
                                 isHexDigit(text[i + 2]) && isHexDigit(text[i + 3]) &&
                                 isHexDigit(text[i + 4]) && isHexDigit(text[i + 5]);
        if (escapedLook || u == 0 || u == u'\r' || u == 0xFFFE || u == 0xFFFF ||
            (QChar::isSurrogate(u) && !paired))
            out += QStringLiteral("_x") +
                   QString::number(uint(u), 16).toUpper().rightJustified(4, QLatin1Char('0')) +
                   QLatin1Char('_');
        else
            out += QChar(u);
    }
    return out.toUtf8();
}

} // namespace

std::optional<QString> writeXlsxWorkbook(const SheetContent &content, const QString &path)
{
    static const QList<ReportRow> noRows;
    const QList<ReportRow> &rows = content.rows ? *content.rows : noRows;
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new(file.constData());
    if (!book)
        return QCoreApplication::translate("XlsxWorkbook", "无法创建工作簿");
    // A failure after this point still closes the workbook, which frees it (and writes what it
    // can); the caller then discards the file.
    auto failWith = [book](const QString &text) -> std::optional<QString> {
        workbook_close(book);
        return text;
    };
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    if (!sheet)
        return failWith(QCoreApplication::translate("XlsxWorkbook", "无法创建工作表"));

    const QByteArray fontName = content.font.name.toUtf8();
    auto cellFormat = [&](bool header) {
        lxw_format *f = workbook_add_format(book);
        format_set_num_format(f, "@");
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_font_name(f, fontName.constData());
        format_set_font_size(f, content.font.pointSize);
        if (header) {
            // Solid fill: the fill colour is the cell colour, the pattern colour stays automatic.
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, sheet::kHeaderFillRgb);
        }
        return f;
    };
    lxw_format *data = cellFormat(false);
    lxw_format *header = cellFormat(true);

    const int listColumns = sheet::listColumnCount(content);
    lxw_error error =
        worksheet_set_column(sheet, 0, lxw_col_t(listColumns - 1), sheet::kColumnWidth, data);
    if (error == LXW_NO_ERROR)
        error = worksheet_set_column(sheet, lxw_col_t(listColumns), kLastXlsxColumn,
                                     LXW_DEF_COL_WIDTH, data);
    if (error != LXW_NO_ERROR)
        return failWith(libraryError(error));

    auto writeCells = [&](lxw_row_t row, const QStringList &cells, int columns,
                          lxw_format *format) -> lxw_error {
        for (int c = 0; c < columns; ++c) {
            const QByteArray text = c < cells.size() ? xlsxCellText(cells[c]) : QByteArray();
            if (row > 0 && c == content.linkColumn && !text.isEmpty()) {
                // A relative link opens the file beside the workbook, wherever both are moved;
                // a '#' or '%' in a name stays part of the name.
                const QByteArray target = QUrl::toPercentEncoding(cells[c], "/");
                const lxw_error e =
                    worksheet_write_url_opt(sheet, row, lxw_col_t(c), target.constData(), format,
                                            text.constData(), nullptr);
                // Past the links a sheet holds, or a path too long for one, the cell keeps
                // the path as text.
                if (e == LXW_NO_ERROR)
                    continue;
            }
            // An empty text becomes a formatted blank cell.
            const lxw_error e =
                worksheet_write_string(sheet, row, lxw_col_t(c), text.constData(), format);
            if (e != LXW_NO_ERROR)
                return e;
        }
        return LXW_NO_ERROR;
    };

    error = worksheet_set_row(sheet, 0, sheet::kHeaderRowHeight, nullptr);
    if (error == LXW_NO_ERROR)
        error = writeCells(0, content.captions, listColumns, header);
    for (qsizetype r = 0; error == LXW_NO_ERROR && r < rows.size(); ++r) {
        const QStringList &cells = rows[r].cells;
        const lxw_row_t row = lxw_row_t(r + 1);
        error = worksheet_set_row(sheet, row, sheet::kDataRowHeight, nullptr);
        if (error == LXW_NO_ERROR)
            error = writeCells(row, cells,
                               int(std::min<qsizetype>(cells.size(), kLastXlsxColumn + 1)), data);
    }
    if (error != LXW_NO_ERROR)
        return failWith(libraryError(error));

    error = workbook_close(book);
    if (error != LXW_NO_ERROR)
        return libraryError(error);
    return std::nullopt;
}

} // namespace tovrel
