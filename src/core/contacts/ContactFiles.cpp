#include "contacts/ContactFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

#include <iconv.h>

namespace tovrel {
namespace {

// Widest line of a written card, in bytes, before it is folded.
constexpr qsizetype kFoldWidth = 75;

QByteArray withoutByteOrderMark(const QByteArray &text)
{
    return text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text;
}

// The part of a content line before its value: up to the first ':' outside double quotes.
qsizetype valueColon(const QByteArray &line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == '"')
            quoted = !quoted;
        else if (line.at(i) == ':' && !quoted)
            return i;
    }
    return -1;
}

bool isQuotedPrintable(const QByteArray &line)
{
    const qsizetype colon = valueColon(line);
    return colon > 0 && line.left(colon).toUpper().contains("QUOTED-PRINTABLE");
}

// The content lines of a card text: folded lines (a line beginning with a blank continues the
// one before) and soft line breaks of quoted-printable values (a '=' at the end) joined.
QList<QByteArray> contentLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    bool softBreak = false;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (softBreak && !lines.isEmpty()) {
            lines.last() += line;
        } else if (!lines.isEmpty() && !line.isEmpty() &&
                   (line.at(0) == ' ' || line.at(0) == '\t')) {
            lines.last() += line.mid(1);
        } else if (!line.isEmpty()) {
            lines.append(line);
        } else {
            continue;
        }
        softBreak = lines.last().endsWith('=') && isQuotedPrintable(lines.last());
        if (softBreak)
            lines.last().chop(1);
    }
    return lines;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(const QByteArray &value)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == '=' && i + 2 < value.size()) {
            const int high = hexValue(value.at(i + 1));
            const int low = hexValue(value.at(i + 2));
            if (high >= 0 && low >= 0) {
                bytes += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        bytes += value.at(i);
    }
    return bytes;
}

// A value's text with the escapes of vCard 3.0 and 4.0 undone: \, \; \\ and \n.
QString unescaped(const QString &value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            text += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else {
            text += value.at(i);
        }
    }
    return text;
}

QString escaped(const QString &value)
{
    QString text;
    for (const QChar c : value) {
        if (c == u'\\' || c == u',' || c == u';')
            text += u'\\';
        if (c == u'\n')
            text += QStringLiteral("\\n");
        else if (c != u'\r')
            text += c;
    }
    return text;
}

// The components of a structured value, split at the ';' that are not escaped.
QStringList components(const QString &value)
{
    QStringList parts{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 1 < value.size()) {
            parts.last() += value.at(i);
            parts.last() += value.at(++i);
        } else if (value.at(i) == u';') {
            parts.append(QString());
        } else {
            parts.last() += value.at(i);
        }
    }
    for (QString &p : parts)
        p = unescaped(p).trimmed();
    return parts;
}

bool isLatin(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x2E80)
            return false;
    }
    return true;
}

// The name of a card without FN, from N (family;given;additional;prefix;suffix): "given family"
// in Latin script, family name first otherwise.
QString nameOfStructured(const QString &value)
{
    const QStringList n = components(value);
    const QString family = n.value(0);
    const QString given = n.value(1);
    if (!family.isEmpty() && !given.isEmpty() && isLatin(family) && isLatin(given))
        return given + u' ' + family;
    return family + given;
}

// The number of a TEL value: a tel: URI loses its scheme and parameters.
QString numberOfTel(QString value)
{
    value = value.trimmed();
    if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
        value = value.mid(4);
        const qsizetype parameters = value.indexOf(u';');
        if (parameters >= 0)
            value.truncate(parameters);
    }
    return value.trimmed();
}

// `bytes` in the character set a CHARSET parameter names: the sets Qt knows itself, others
// (GBK, Big5, Shift_JIS as older phones write them) through the C library's converter, UTF-8 for a
// set neither knows.
QString decodeCharset(const QByteArray &bytes, const QByteArray &charset)
{
    QStringDecoder decoder(charset.constData());
    if (decoder.isValid()) {
        const QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    iconv_t converter = iconv_open("UTF-8", charset.constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return QString::fromUtf8(bytes);
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char *inAt = in.data();
    size_t inLeft = size_t(in.size());
    char *outAt = out.data();
    size_t outLeft = size_t(out.size());
    const size_t converted = iconv(converter, &inAt, &inLeft, &outAt, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<size_t>(-1))
        return QString::fromUtf8(bytes);
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

struct Property
{
    QByteArray name; // upper case, group removed
    QString value;   // decoded, escapes kept
};

Property readProperty(const QByteArray &line)
{
    Property p;
    const qsizetype colon = valueColon(line);
    if (colon < 0)
        return p;
    const QList<QByteArray> head = line.left(colon).split(';');
    p.name = head.first().trimmed().toUpper();
    const qsizetype dot = p.name.lastIndexOf('.');
    if (dot >= 0)
        p.name = p.name.mid(dot + 1);
    QByteArray value = line.mid(colon + 1);
    QByteArray charset = "UTF-8";
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QByteArray param = head.at(i).trimmed().toUpper();
        if (param == "QUOTED-PRINTABLE" || param == "ENCODING=QUOTED-PRINTABLE")
            value = decodeQuotedPrintable(value);
        else if (param.startsWith("CHARSET="))
            charset = param.mid(8);
    }
    p.value = decodeCharset(value, charset);
    return p;
}

} // namespace

QList<Contact> parseVCard(const QByteArray &text)
{
    QList<Contact> contacts;
    bool inCard = false;
    QString formatted;
    QString structured;
    QStringList numbers;
    for (const QByteArray &line : contentLines(withoutByteOrderMark(text))) {
        const Property p = readProperty(line);
        if (p.name == "BEGIN" &&
            p.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            inCard = true;
            formatted.clear();
            structured.clear();
            numbers.clear();
        } else if (!inCard) {
            continue;
        } else if (p.name == "END") {
            inCard = false;
            const QString name = formatted.isEmpty() ? nameOfStructured(structured) : formatted;
            contacts.append(Contact{name, numbers});
        } else if (p.name == "FN") {
            formatted = unescaped(p.value).trimmed();
        } else if (p.name == "N") {
            structured = p.value;
        } else if (p.name == "TEL") {
            const QString number = numberOfTel(unescaped(p.value));
            if (!number.isEmpty())
                numbers.append(number);
        }
    }
    return contacts;
}

std::variant<QList<Contact>, QString> parseContactCsv(const QByteArray &text)
{
    const QString csv = QString::fromUtf8(withoutByteOrderMark(text));
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool rowHasText = false;
    auto endField = [&] {
        row.append(field);
        field.clear();
    };
    auto endRow = [&] {
        endField();
        if (rowHasText)
            rows.append(row);
        row.clear();
        rowHasText = false;
    };
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < csv.size() && csv.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
            rowHasText = true;
        } else if (c == u',') {
            endField();
            rowHasText = true;
        } else if (c == u'\n') {
            endRow();
        } else if (c != u'\r') {
            field += c;
            rowHasText = true;
        }
    }
    if (quoted)
        return QCoreApplication::translate("ContactFiles", "有一个引号字段没有结束");
    endRow();
    QList<Contact> contacts;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (rows.at(i).size() < 2)
            return QCoreApplication::translate("ContactFiles", "第 %1 行没有号码列").arg(i + 1);
        contacts.append(Contact{rows.at(i).at(0).trimmed(), {rows.at(i).at(1).trimmed()}});
    }
    return contacts;
}

QByteArray vCardText(const QList<Contact> &contacts)
{
    QByteArray text;
    auto line = [&text](const QString &content) {
        const QByteArray bytes = content.toUtf8();
        qsizetype start = 0;
        qsizetype width = kFoldWidth;
        while (bytes.size() - start > width) {
            qsizetype end = start + width;
            // Never inside a character: a continuation byte is 10xxxxxx.
            while (end > start + 1 && (quint8(bytes.at(end)) & 0xC0) == 0x80)
                --end;
            text += bytes.mid(start, end - start) + "\r\n ";
            start = end;
            width = kFoldWidth - 1; // the continuation's blank takes one byte
        }
        text += bytes.mid(start) + "\r\n";
    };
    for (const Contact &c : contacts) {
        line(QStringLiteral("BEGIN:VCARD"));
        line(QStringLiteral("VERSION:3.0"));
        line(QStringLiteral("FN:") + escaped(c.name));
        line(QStringLiteral("N:") + escaped(c.name) + QStringLiteral(";;;;"));
        for (const QString &number : c.numbers)
            line(QStringLiteral("TEL:") + escaped(number));
        line(QStringLiteral("END:VCARD"));
    }
    return text;
}

std::variant<QList<Contact>, QString> readContactFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(shown, file.errorString());
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("%1: %2").arg(shown, file.errorString());
    QList<Contact> contacts;
    if (withoutByteOrderMark(text).trimmed().toUpper().startsWith("BEGIN:VCARD")) {
        contacts = parseVCard(text);
    } else if (QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0) {
        auto parsed = parseContactCsv(text);
        if (const QString *error = std::get_if<QString>(&parsed))
            return QStringLiteral("%1: %2").arg(shown, *error);
        contacts = std::get<QList<Contact>>(std::move(parsed));
    } else {
        return QCoreApplication::translate("ContactFiles",
                                           "%1：既不是 vCard 文件，也不是 CSV 文件（.csv）")
            .arg(shown);
    }
    const bool any = std::any_of(contacts.begin(), contacts.end(), [](const Contact &c) {
        return !c.name.trimmed().isEmpty() &&
               std::any_of(c.numbers.begin(), c.numbers.end(),
                           [](const QString &n) { return !numberDigits(n).isEmpty(); });
    });
    if (!any)
        return QCoreApplication::translate("ContactFiles", "%1：没有既有姓名又有号码的联系人")
            .arg(shown);
    return contacts;
}

} // namespace tovrel
