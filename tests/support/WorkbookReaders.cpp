#include "WorkbookReaders.h"

#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtEndian>

#include <freexl.h>

namespace tovrel::test {

QList<ReadSheet> readXls(const QString &path, QString *error)
{
    QList<ReadSheet> sheets;
    const void *handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int ret = freexl_open(name.constData(), &handle);
    if (ret != FREEXL_OK) {
        *error = QStringLiteral("freexl_open: %1").arg(ret);
        return sheets;
    }
    unsigned int sheetCount = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    for (unsigned short s = 0; s < sheetCount; ++s) {
        ReadSheet sheet;
        const char *sheetName = nullptr;
        if (freexl_get_worksheet_name(handle, s, &sheetName) == FREEXL_OK && sheetName)
            sheet.name = QString::fromUtf8(sheetName);
        ret = freexl_select_active_worksheet(handle, s);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (ret == FREEXL_OK)
            ret = freexl_worksheet_dimensions(handle, &rows, &columns);
        if (ret != FREEXL_OK) {
            *error = QStringLiteral("sheet %1: %2").arg(s).arg(ret);
            break;
        }
        sheet.columnCount = columns;
        for (unsigned int r = 0; r < rows; ++r) {
            QStringList cells;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK) {
                    *error = QStringLiteral("cell %1,%2").arg(r).arg(c);
                    freexl_close(handle);
                    return sheets;
                }
                switch (value.type) {
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    cells.append(QString::fromUtf8(value.value.text_value));
                    break;
                case FREEXL_CELL_NULL:
                    cells.append(QString());
                    break;
                default:
                    cells.append(QStringLiteral("<type %1>").arg(value.type));
                }
            }
            sheet.rows.append(cells);
        }
        sheets.append(sheet);
    }
    freexl_close(handle);
    return sheets;
}

QByteArray unzipMember(const QString &archive, const QString &member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, member});
    if (!unzip.waitForFinished(60000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

namespace {

// A text of the sheet XML as the workbook shows it: "_xHHHH_" (exactly four hexadecimal
// digits) stands for the character HHHH.
QString xlsxText(const QString &text)
{
    QString out;
    const qsizetype n = text.size();
    auto fourHexDigits = [&text](qsizetype at) {
        for (qsizetype k = at; k < at + 4; ++k) {
            const char16_t c = text[k].unicode();
            if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
                return false;
        }
        return true;
    };
    for (qsizetype i = 0; i < n; ++i) {
        bool ok = false;
        const uint code = (text[i] == u'_' && i + 6 < n && text[i + 1] == u'x' &&
                           text[i + 6] == u'_' && fourHexDigits(i + 2))
                              ? text.mid(i + 2, 4).toUInt(&ok, 16)
                              : 0;
        if (ok) {
            out += QChar(char16_t(code));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "B12" → (11, 1).
QPair<int, int> cellPosition(QStringView ref)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i)
        column = column * 26 + (ref[i].unicode() - 'A' + 1);
    return {ref.mid(i).toInt() - 1, column - 1};
}

QStringList sharedStrings(const QByteArray &xml, QString *error)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    QString current;
    bool inItem = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("si")) {
            inItem = true;
            current.clear();
        } else if (inItem && reader.isStartElement() && reader.name() == QLatin1String("t")) {
            current += xlsxText(reader.readElementText());
        } else if (reader.isEndElement() && reader.name() == QLatin1String("si")) {
            strings.append(current);
            inItem = false;
        }
    }
    if (!xml.isEmpty() && reader.hasError())
        *error = QStringLiteral("xl/sharedStrings.xml: ") + reader.errorString();
    return strings;
}

} // namespace

XlsxSheet readXlsx(const QString &path, QString *error)
{
    XlsxSheet sheet;
    const QByteArray sheetXml = unzipMember(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheetXml.isEmpty()) {
        *error = QStringLiteral("no xl/worksheets/sheet1.xml in ") + path;
        return sheet;
    }
    const QStringList strings =
        sharedStrings(unzipMember(path, QStringLiteral("xl/sharedStrings.xml")), error);

    QXmlStreamReader reader(sheetXml);
    int row = -1;
    QPair<int, int> at;
    QString type;
    int style = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto attrs = reader.attributes();
        if (reader.name() == QLatin1String("col")) {
            sheet.columnRanges.append({attrs.value(QLatin1String("min")).toInt(),
                                       attrs.value(QLatin1String("max")).toInt()});
            sheet.columnWidths.append(attrs.value(QLatin1String("width")).toDouble());
            sheet.columnStyles.append(attrs.hasAttribute(QLatin1String("style"))
                                          ? attrs.value(QLatin1String("style")).toInt()
                                          : 0);
        } else if (reader.name() == QLatin1String("row")) {
            row = attrs.value(QLatin1String("r")).toInt();
            if (attrs.hasAttribute(QLatin1String("ht")))
                sheet.rowHeights[row] = attrs.value(QLatin1String("ht")).toDouble();
        } else if (reader.name() == QLatin1String("c")) {
            at = cellPosition(attrs.value(QLatin1String("r")));
            type = attrs.value(QLatin1String("t")).toString();
            style = attrs.hasAttribute(QLatin1String("s")) ? attrs.value(QLatin1String("s")).toInt()
                                                           : 0;
            while (sheet.rows.size() <= at.first) {
                sheet.rows.append(QStringList());
                sheet.styles.append(QList<int>());
            }
            QStringList &cells = sheet.rows[at.first];
            QList<int> &styles = sheet.styles[at.first];
            while (cells.size() <= at.second) {
                cells.append(QString());
                styles.append(-1);
            }
            styles[at.second] = style;
        } else if (reader.name() == QLatin1String("v")) {
            const QString v = reader.readElementText();
            sheet.rows[at.first][at.second] =
                type == QLatin1String("s") ? strings.value(v.toInt()) : v;
        } else if (reader.name() == QLatin1String("t")) {
            // An inline string.
            sheet.rows[at.first][at.second] = xlsxText(reader.readElementText());
        }
    }
    if (reader.hasError())
        *error = reader.errorString();

    // Styles: the cell formats with their number format, alignment, font and fill.
    const QByteArray stylesXml = unzipMember(path, QStringLiteral("xl/styles.xml"));
    QXmlStreamReader s(stylesXml);
    QMap<int, QString> numFmts = {{0, QStringLiteral("General")}, {49, QStringLiteral("@")}};
    struct Font
    {
        QString name;
        double size = 0;
        bool regular = true;
    };
    QList<Font> fonts;
    struct Fill
    {
        QString pattern;
        QString foreground;
        QString background;
    };
    QList<Fill> fills;
    QString section;
    while (!s.atEnd()) {
        s.readNext();
        if (s.isEndElement() &&
            (s.name() == QLatin1String("fonts") || s.name() == QLatin1String("fills") ||
             s.name() == QLatin1String("cellXfs")))
            section.clear();
        if (!s.isStartElement())
            continue;
        const auto a = s.attributes();
        const auto name = s.name();
        if (name == QLatin1String("fonts") || name == QLatin1String("fills") ||
            name == QLatin1String("cellXfs") || name == QLatin1String("cellStyleXfs"))
            section = name.toString();
        else if (name == QLatin1String("numFmt"))
            numFmts[a.value(QLatin1String("numFmtId")).toInt()] =
                a.value(QLatin1String("formatCode")).toString();
        else if (section == QLatin1String("fonts") && name == QLatin1String("font"))
            fonts.append(Font{});
        else if (section == QLatin1String("fonts") && name == QLatin1String("sz"))
            fonts.last().size = a.value(QLatin1String("val")).toDouble();
        else if (section == QLatin1String("fonts") && name == QLatin1String("name"))
            fonts.last().name = a.value(QLatin1String("val")).toString();
        else if (section == QLatin1String("fonts") &&
                 (name == QLatin1String("b") || name == QLatin1String("i")) &&
                 a.value(QLatin1String("val")) != QLatin1String("0"))
            fonts.last().regular = false;
        else if (section == QLatin1String("fills") && name == QLatin1String("patternFill"))
            fills.append({a.value(QLatin1String("patternType")).toString(), {}, {}});
        else if (section == QLatin1String("fills") && name == QLatin1String("fgColor"))
            fills.last().foreground = a.value(QLatin1String("rgb")).toString();
        else if (section == QLatin1String("fills") && name == QLatin1String("bgColor"))
            fills.last().background =
                a.hasAttribute(QLatin1String("indexed"))
                    ? QStringLiteral("indexed ") + a.value(QLatin1String("indexed")).toString()
                    : a.value(QLatin1String("rgb")).toString();
        else if (section == QLatin1String("cellXfs") && name == QLatin1String("xf")) {
            XlsxSheet::Style style;
            style.numFmt = numFmts.value(a.value(QLatin1String("numFmtId")).toInt());
            const Font font = fonts.value(a.value(QLatin1String("fontId")).toInt());
            style.fontName = font.name;
            style.fontSize = font.size;
            style.regular = font.regular;
            const Fill fill = fills.value(a.value(QLatin1String("fillId")).toInt());
            style.pattern = fill.pattern;
            style.fillRgb = fill.foreground;
            style.patternColour = fill.background;
            sheet.cellStyles.append(style);
        } else if (section == QLatin1String("cellXfs") && name == QLatin1String("alignment"))
            sheet.cellStyles.last().horizontal = a.value(QLatin1String("horizontal")).toString();
    }
    if (s.hasError())
        *error = s.errorString();
    return sheet;
}

} // namespace tovrel::test

namespace tovrel::test {

QList<BiffRecord> readXlsRecords(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    auto u16 = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    auto u32 = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    if (bytes.size() < 512 || !bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))) {
        *error = QStringLiteral("not a compound file");
        return {};
    }
    const qsizetype sectorSize = qsizetype(1) << u16(30);
    auto sectorAt = [&](quint32 sector) { return 512 + qsizetype(sector) * sectorSize; };
    // FAT sector numbers: 109 in the header, the rest in the DIFAT chain.
    QList<quint32> fatSectors;
    const quint32 fatCount = u32(44);
    for (int i = 0; i < 109 && quint32(fatSectors.size()) < fatCount; ++i)
        fatSectors.append(u32(76 + 4 * i));
    for (quint32 d = u32(68); d < 0xFFFFFFFAu && quint32(fatSectors.size()) < fatCount;) {
        const qsizetype at = sectorAt(d);
        const int ids = int(sectorSize / 4) - 1;
        for (int i = 0; i < ids && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors.append(u32(at + 4 * i));
        d = u32(at + 4 * ids);
    }
    QList<quint32> fat;
    for (quint32 s : fatSectors)
        for (qsizetype i = 0; i < sectorSize / 4; ++i)
            fat.append(u32(sectorAt(s) + 4 * i));
    auto chain = [&](quint32 start, qint64 size) {
        QByteArray out;
        for (quint32 s = start; s < 0xFFFFFFFAu && (size < 0 || out.size() < size);
             s = fat.value(s, 0xFFFFFFFEu)) {
            if (sectorAt(s) + sectorSize > bytes.size())
                break;
            out.append(bytes.constData() + sectorAt(s), sectorSize);
        }
        if (size >= 0)
            out.truncate(size);
        return out;
    };
    const QByteArray directory = chain(u32(48), -1);
    QByteArray stream;
    for (qsizetype e = 0; e + 128 <= directory.size(); e += 128) {
        const int nameBytes = qFromLittleEndian<quint16>(directory.constData() + e + 64);
        const QString name =
            QString::fromUtf16(reinterpret_cast<const char16_t *>(directory.constData() + e),
                               qMax(0, nameBytes / 2 - 1));
        if (name == QLatin1String("Workbook") && directory[e + 66] == 2)
            stream = chain(qFromLittleEndian<quint32>(directory.constData() + e + 116),
                           qFromLittleEndian<quint32>(directory.constData() + e + 120));
    }
    if (stream.isEmpty()) {
        *error = QStringLiteral("no Workbook stream");
        return {};
    }
    QList<BiffRecord> records;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        BiffRecord r;
        r.id = qFromLittleEndian<quint16>(stream.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(stream.constData() + at + 2);
        r.data = stream.mid(at + 4, length);
        at += 4 + length;
        if (r.id == 0 && length == 0)
            break; // the zero padding after the last sheet
        records.append(r);
    }
    return records;
}

QStringList readXlsSharedStrings(const QList<BiffRecord> &records)
{
    // The SST record and the CONTINUE records right after it, as separate pieces: a string's
    // characters that go on in the next piece start with a fresh option byte there.
    QList<QByteArray> pieces;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (records[i].id != 0x00FC)
            continue;
        pieces.append(records[i].data);
        for (qsizetype j = i + 1; j < records.size() && records[j].id == 0x003C; ++j)
            pieces.append(records[j].data);
        break;
    }
    QStringList strings;
    if (pieces.isEmpty() || pieces[0].size() < 8)
        return strings;
    const quint32 unique = qFromLittleEndian<quint32>(pieces[0].constData() + 4);
    qsizetype piece = 0;
    qsizetype at = 8;
    auto byteAt = [&](qsizetype offset) { return quint8(pieces[piece][at + offset]); };
    for (quint32 s = 0; s < unique && piece < pieces.size(); ++s) {
        if (at >= pieces[piece].size()) {
            ++piece;
            at = 0;
        }
        const int count = byteAt(0) | (byteAt(1) << 8);
        bool wide = byteAt(2) & 1;
        at += 3;
        QString text;
        while (text.size() < count) {
            if (at >= pieces[piece].size()) {
                ++piece;
                at = 0;
                wide = byteAt(0) & 1;
                at += 1;
            }
            if (wide) {
                text.append(QChar(char16_t(byteAt(0) | (byteAt(1) << 8))));
                at += 2;
            } else {
                text.append(QChar(char16_t(byteAt(0))));
                at += 1;
            }
        }
        strings.append(text);
    }
    return strings;
}

} // namespace tovrel::test
