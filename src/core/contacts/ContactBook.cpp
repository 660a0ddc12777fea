#include "contacts/ContactBook.h"

#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tovrel {

QString numberDigits(const QString &number)
{
    QString digits;
    for (const QChar c : number) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    return digits;
}

bool digitsMatch(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a.size() == b.size())
        return a == b;
    const QString &shorter = a.size() < b.size() ? a : b;
    const QString &longer = a.size() < b.size() ? b : a;
    return shorter.size() >= kMinSuffixDigits && longer.endsWith(shorter);
}

QString contactColumnCaption()
{
    return QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "联系人"));
}

void insertContactCell(QStringList &cells, qsizetype numberColumn, const ContactBook &book)
{
    cells.insert(numberColumn + 1, book.nameFor(cells.value(numberColumn)));
}

bool nameHolds(const QString &name, const QString &text)
{
    return name.contains(text, Qt::CaseInsensitive);
}

ContactBook::ContactBook(QList<Contact> contacts)
{
    merge(contacts);
}

QString ContactBook::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/tovrel/contacts.vcf");
}

std::variant<ContactBook, QString> ContactBook::load(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return ContactBook();
    if (!file.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("ContactBook", "无法读取通讯录 %1：%2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QCoreApplication::translate("ContactBook", "无法读取通讯录 %1：%2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    ContactBook book;
    book.m_contacts = parseVCard(text);
    book.rebuildIndex();
    return book;
}

std::optional<QString> ContactBook::save(const QString &path) const
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QCoreApplication::translate("ContactBook", "无法创建文件夹 %1")
            .arg(QDir::toNativeSeparators(folder));
    AtomicFile file(path);
    if (!file.open() || !file.write(vCardText(m_contacts)) || !file.commit())
        return QCoreApplication::translate("ContactBook", "无法写入通讯录 %1：%2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

int ContactBook::merge(const QList<Contact> &incoming)
{
    int added = 0;
    for (const Contact &c : incoming) {
        const QString name = c.name.trimmed();
        if (name.isEmpty())
            continue;
        qsizetype at = -1;
        for (qsizetype i = 0; i < m_contacts.size(); ++i) {
            if (m_contacts.at(i).name == name) {
                at = i;
                break;
            }
        }
        if (at < 0) {
            m_contacts.append(Contact{name, {}});
            m_digits.append(QStringList());
            at = m_contacts.size() - 1;
        }
        bool grew = false;
        for (const QString &number : c.numbers) {
            const QString digits = numberDigits(number);
            if (digits.isEmpty() || m_digits.at(at).contains(digits))
                continue;
            m_contacts[at].numbers.append(number.trimmed());
            m_digits[at].append(digits);
            grew = true;
        }
        if (grew)
            ++added;
        else if (m_contacts.at(at).numbers.isEmpty()) {
            // A new name without any number is not kept.
            m_contacts.removeAt(at);
            m_digits.removeAt(at);
        }
    }
    return added;
}

void ContactBook::replace(qsizetype index, const Contact &contact)
{
    if (index < 0 || index >= m_contacts.size())
        return;
    Contact kept{contact.name.trimmed(), {}};
    for (const QString &number : contact.numbers) {
        if (!numberDigits(number).isEmpty())
            kept.numbers.append(number.trimmed());
    }
    if (kept.name.isEmpty() || kept.numbers.isEmpty())
        m_contacts.removeAt(index);
    else
        m_contacts[index] = kept;
    rebuildIndex();
}

void ContactBook::remove(qsizetype index)
{
    if (index < 0 || index >= m_contacts.size())
        return;
    m_contacts.removeAt(index);
    m_digits.removeAt(index);
}

QString ContactBook::nameFor(const QString &number) const
{
    const QString digits = numberDigits(number);
    if (digits.isEmpty())
        return QString();
    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        for (const QString &own : m_digits.at(i)) {
            if (digitsMatch(digits, own))
                return m_contacts.at(i).name;
        }
    }
    return QString();
}

void ContactBook::rebuildIndex()
{
    m_digits.clear();
    for (const Contact &c : m_contacts) {
        QStringList digits;
        for (const QString &number : c.numbers)
            digits.append(numberDigits(number));
        m_digits.append(digits);
    }
}

} // namespace tovrel
