#pragma once

#include "contacts/ContactBook.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

// Contact files as phones and address books write them: vCard 2.1, 3.0 and 4.0 (folded lines,
// QUOTED-PRINTABLE values with soft line breaks, CHARSET parameters, grouped properties, several
// TEL lines, tel: URIs) and CSV (a header row, then name,number per row, fields quoted as
// spreadsheets quote them). The book itself is written as vCard 3.0.
namespace tovrel {

// The contacts of a vCard text, in file order. A card's name is its FN, or its N when it has no
// FN.
QList<Contact> parseVCard(const QByteArray &text);

// The contacts of a CSV text: the first row is the header, then the name in the first column and
// the number in the second. The error text when a row has fewer than two columns or a quote is
// not closed.
std::variant<QList<Contact>, QString> parseContactCsv(const QByteArray &text);

// The book's contacts as vCard 3.0 text, lines folded at 75 bytes.
QByteArray vCardText(const QList<Contact> &contacts);

// Reads a file to import: vCard when its text begins with BEGIN:VCARD, CSV when its name ends in
// .csv; the error text (naming the file) for any other file, one that cannot be read, or one that
// holds no contact.
std::variant<QList<Contact>, QString> readContactFile(const QString &path);

} // namespace tovrel
