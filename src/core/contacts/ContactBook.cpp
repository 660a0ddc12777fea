#include "contacts/ContactBook.h"

#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <phonenumbers/phonenumberutil.h>

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

NumberKey numberKey(const QString &number, const QString &region)
{
    using i18n::phonenumbers::PhoneNumber;
    using i18n::phonenumbers::PhoneNumberUtil;
    NumberKey key{QString(), numberDigits(number)};
    if (key.digits.isEmpty())
        return key;
    // The library's one instance, made on first use and safe to share between threads.
    const PhoneNumberUtil &util = *PhoneNumberUtil::GetInstance();
    PhoneNumber parsed;
    if (util.Parse(number.toStdString(), region.trimmed().toUpper().toStdString(), &parsed) !=
            PhoneNumberUtil::NO_PARSING_ERROR ||
        !util.IsValidNumber(parsed))
        return key;
    std::string international;
    util.Format(parsed, PhoneNumberUtil::E164, &international);
    key.international = QString::fromStdString(international);
    return key;
}

bool sameNumber(const NumberKey &a, const NumberKey &b)
{
    if (!a.international.isEmpty() && !b.international.isEmpty())
        return a.international == b.international;
    return digitsMatch(a.digits, b.digits);
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

ContactBook::ContactBook(QList<Contact> contacts, QString region) : m_region(std::move(region))
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

std::variant<ContactBook, QString> ContactBook::load(const QString &path, const QString &region)
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
    book.m_region = region;
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
    // Numbers already in a contact: their international form, or their digits without one.
    const auto form = [](const NumberKey &key) {
        return key.international.isEmpty() ? key.digits : key.international;
    };
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
            m_keys.append(QList<NumberKey>());
            at = m_contacts.size() - 1;
        }
        bool grew = false;
        for (const QString &number : c.numbers) {
            NumberKey key = numberKey(number, m_region);
            if (key.digits.isEmpty() ||
                std::any_of(m_keys.at(at).cbegin(), m_keys.at(at).cend(),
                            [&](const NumberKey &own) { return form(own) == form(key); }))
                continue;
            m_contacts[at].numbers.append(number.trimmed());
            m_keys[at].append(std::move(key));
            grew = true;
        }
        if (grew)
            ++added;
        else if (m_contacts.at(at).numbers.isEmpty()) {
            // A new name without any number is not kept.
            m_contacts.removeAt(at);
            m_keys.removeAt(at);
        }
    }
    rebuildLookup();
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
    m_keys.removeAt(index);
    rebuildLookup();
}

QString ContactBook::nameFor(const QString &number) const
{
    // The row's number is read once; the book's numbers were read when it was made. sameNumber()
    // decides, looked up: an international form by the table, any number the library does not
    // know by its digits, and a row's number it does not know against every number's digits.
    const NumberKey key = numberKey(number, m_region);
    if (key.digits.isEmpty())
        return QString();
    qsizetype first = m_contacts.size();
    if (key.international.isEmpty()) {
        for (qsizetype i = 0; i < m_contacts.size() && first == m_contacts.size(); ++i) {
            if (std::any_of(m_keys.at(i).cbegin(), m_keys.at(i).cend(),
                            [&](const NumberKey &own) { return sameNumber(key, own); }))
                first = i;
        }
    } else {
        first = m_first.value(key.international, first);
        for (const auto &[at, own] : m_loose) {
            if (at >= first)
                break;
            if (sameNumber(key, own))
                first = at;
        }
    }
    return first < m_contacts.size() ? m_contacts.at(first).name : QString();
}

void ContactBook::rebuildIndex()
{
    m_keys.clear();
    for (const Contact &c : m_contacts) {
        QList<NumberKey> keys;
        for (const QString &number : c.numbers)
            keys.append(numberKey(number, m_region));
        m_keys.append(keys);
    }
    rebuildLookup();
}

void ContactBook::rebuildLookup()
{
    m_first.clear();
    m_loose.clear();
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        for (const NumberKey &own : m_keys.at(i)) {
            if (own.international.isEmpty())
                m_loose.append({i, own});
            else if (!m_first.contains(own.international))
                m_first.insert(own.international, i);
        }
    }
}

} // namespace tovrel
