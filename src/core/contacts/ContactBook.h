#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <variant>

// The contact book: one per user, a vCard file in the user's configuration folder. It names the
// numbers of the recordings. Two numbers are one when libphonenumber knows both as valid numbers
// and their international forms are equal (a national number is read as one of the book's region,
// so "020 8765 4321" with its trunk 0 and "+86 20 8765 4321" are one number in China). A number
// it does not know (a short code, a local number without its area code) is compared by its
// digits: equal, or the longer ends with the shorter and the shorter has at least
// kMinSuffixDigits digits (a number dialled with or without its area or country prefix). The
// first contact in the book that matches names the number.
namespace tovrel {

// Fewest digits a number must have to match the end of a longer one.
constexpr int kMinSuffixDigits = 7;

struct Contact
{
    QString name;
    QStringList numbers; // as written (any punctuation); compared by their digits only
};

// The digits 0-9 of `number`, in order; everything else is dropped.
QString numberDigits(const QString &number);

// True when the digit strings `a` and `b` (numberDigits) name the same number: equal, or the
// longer ends with the shorter of at least kMinSuffixDigits digits. An empty one matches nothing.
bool digitsMatch(const QString &a, const QString &b);

// The region a book reads national numbers in when none is set.
inline const QString kDefaultNumberRegion = QStringLiteral("CN");

// A number as the book compares it, worked out once: its international form ("+862087654321")
// when libphonenumber knows it as a valid number, read as a national number of `region` (an
// ISO 3166 code such as "CN" or "GB", letter case ignored; a code the library does not know
// reads none) unless it starts with "+" or the region's international prefix; empty otherwise.
// And always its digits (numberDigits).
struct NumberKey
{
    QString international;
    QString digits;
};
NumberKey numberKey(const QString &number, const QString &region);

// The one rule of the book: true when `a` and `b` are the same number. Their international forms
// decide when both have one; otherwise digitsMatch on their digits.
bool sameNumber(const NumberKey &a, const NumberKey &b);

class ContactBook
{
public:
    ContactBook() = default;
    // `region` reads the national numbers (of the contacts and of nameFor()).
    explicit ContactBook(QList<Contact> contacts, QString region = kDefaultNumberRegion);

    // The book's file: $XDG_CONFIG_HOME/tovrel/contacts.vcf, with ~/.config for XDG_CONFIG_HOME
    // when that is unset, empty or not an absolute path.
    static QString defaultPath();

    // The book in `path`, its national numbers read as numbers of `region`; a file that does not
    // exist is an empty book. The error text when the file exists but cannot be read.
    static std::variant<ContactBook, QString> load(const QString &path,
                                                   const QString &region = kDefaultNumberRegion);
    // Writes the book to `path` whole or not at all (the folder is made when missing); the error
    // text when that fails.
    std::optional<QString> save(const QString &path) const;

    const QList<Contact> &contacts() const { return m_contacts; }
    bool isEmpty() const { return m_contacts.isEmpty(); }

    // Adds `incoming`: a contact of a name already in the book gets the numbers it did not have
    // (by their international form, or their digits when they have none); any other is added at the
    // end. Contacts without a name or without a number are left out. Returns the number of contacts
    // and numbers that were new.
    int merge(const QList<Contact> &incoming);
    // Replaces the contact at `index` (a contact without a name or number removes it).
    void replace(qsizetype index, const Contact &contact);
    void remove(qsizetype index);

    // The name of the first contact that has a number matching `number`; empty when none does
    // or when `number` holds no digit.
    QString nameFor(const QString &number) const;

private:
    void rebuildIndex();
    // Makes m_first and m_loose from m_keys.
    void rebuildLookup();

    QList<Contact> m_contacts;
    QString m_region = kDefaultNumberRegion;
    // Per contact, the key of each of its numbers.
    QList<QList<NumberKey>> m_keys;
    // For nameFor(): the first contact of each international form, and the numbers without one
    // (contact index and key, in the book's order).
    QHash<QString, qsizetype> m_first;
    QList<std::pair<qsizetype, NumberKey>> m_loose;
};

// The caption of the 联系人 column, put right after a list's number column.
QString contactColumnCaption();
// `cells` with the name of the contact whose number is in the cell at `numberColumn` put right
// after it (empty when no contact has that number).
void insertContactCell(QStringList &cells, qsizetype numberColumn, const ContactBook &book);

// True when `name` holds `text`, letter case ignored (an empty text is held by every name).
bool nameHolds(const QString &name, const QString &text);

} // namespace tovrel
