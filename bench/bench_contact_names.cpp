// Naming the rows of a long list from a contact book (the 联系人 column): ContactBook::nameFor
// over a list's numbers, the book's numbers read once when the book is made and each row's number
// once, against the bare digit comparison that ignores how numbers are written.
//
// Usage: bench_contact_names [ROWS [CONTACTS]]   (default 20000 rows, 1000 contacts)

#include "contacts/ContactBook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>

using namespace tovrel;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rows = args.size() > 1 ? args[1].toInt() : 20000;
    const int count = args.size() > 2 ? args[2].toInt() : 1000;
    // Each contact a Guangzhou number with its country code and a mobile number; the rows
    // as the telephone writes them: half national numbers of those contacts, half unknown.
    QList<Contact> contacts;
    for (int i = 0; i < count; ++i)
        contacts.append({QStringLiteral("C%1").arg(i),
                         {QStringLiteral("+86 20 8%1").arg(i, 7, 10, QLatin1Char('0')),
                          QStringLiteral("139 %1").arg(i, 8, 10, QLatin1Char('0'))}});
    QStringList numbers;
    for (int r = 0; r < rows; ++r)
        numbers.append(r % 2 ? QStringLiteral("0208%1").arg(r % count, 7, 10, QLatin1Char('0'))
                             : QStringLiteral("0755%1").arg(r, 8, 10, QLatin1Char('0')));
    QTextStream out(stdout);
    QElapsedTimer t;
    t.start();
    const ContactBook book(contacts);
    out << "book of " << count << " contacts merged: " << t.nsecsElapsed() / 1000000.0 << " ms\n";
    double named = 1e9;
    double digits = 1e9;
    double keys = 1e9;
    QStringList bookDigits;
    for (const Contact &c : std::as_const(contacts)) {
        for (const QString &n : c.numbers)
            bookDigits.append(numberDigits(n));
    }
    int found = 0;
    for (int round = 0; round < 5; ++round) {
        t.restart();
        found = 0;
        for (const QString &number : std::as_const(numbers))
            found += !book.nameFor(number).isEmpty();
        named = std::min(named, t.nsecsElapsed() / 1e9);
        t.restart();
        int bare = 0;
        for (const QString &number : std::as_const(numbers)) {
            const QString d = numberDigits(number);
            bare += std::any_of(bookDigits.cbegin(), bookDigits.cend(),
                                [&](const QString &own) { return digitsMatch(d, own); });
        }
        keys = std::min(keys, [&] {
            QElapsedTimer k;
            k.start();
            for (const QString &number : std::as_const(numbers))
                found += numberKey(number, kDefaultNumberRegion).international.size() > 100;
            return k.nsecsElapsed() / 1e9;
        }());
        digits = std::min(digits, t.nsecsElapsed() / 1e9);
    }
    out << "rows: " << rows << " (" << found << " named), best of 5\n";
    out << "nameFor: " << qRound(rows / named) << " rows/s\n";
    out << "digits only (the 7-digit suffix rule alone): " << qRound(rows / digits) << " rows/s\n";
    out << "reading the row numbers alone: " << qRound(rows / keys) << " rows/s\n";
    return 0;
}
