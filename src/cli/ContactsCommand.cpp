// tovrel contacts import|add|list|export: the user's contact book from the command line.

#include "Commands.h"
#include "ContactsOption.h"
#include "Help.h"
#include "TableOutput.h"

#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"
#include "settings/SysConf.h"

#include <QDir>
#include <QTextStream>

#include <variant>

namespace tovrel::cli {

bool takeContactsOption(QStringList &args)
{
    return args.removeAll(QStringLiteral("--contacts")) > 0;
}

std::optional<ContactBook> loadUserContactBook(const char *command)
{
    auto loaded = ContactBook::load(ContactBook::defaultPath(), sysconf::readContactsRegion());
    if (const QString *error = std::get_if<QString>(&loaded)) {
        QTextStream(stderr) << command << ": " << *error << '\n';
        return std::nullopt;
    }
    return std::get<ContactBook>(std::move(loaded));
}

namespace {

void printContactsHelp(QTextStream &out)
{
    out << HelpPage({"tovrel contacts import FILE...", "tovrel contacts add NAME NUMBER...",
                     "tovrel contacts list", "tovrel contacts export FILE.vcf"})
               .paragraph(
                   CLI_NOOP("The contact book that names the numbers of the recordings (the 联系人 "
                            "column).\n"
                            "It is kept in $XDG_CONFIG_HOME/tovrel/contacts.vcf (~/.config/tovrel/ "
                            "by default)."))
               .section(CLI_NOOP("Commands"),
                        {{"import FILE...", CLI_NOOP("add the contacts of vCard and CSV files")},
                         {"add NAME NUMBER...",
                          CLI_NOOP("add a contact, or the numbers the contact of NAME lacks")},
                         {"list", CLI_NOOP("print the book: name TAB number, one row per number")},
                         {"export FILE.vcf", CLI_NOOP("write the book as a vCard file")},
                         kHelpEntry})
               .paragraph(CLI_NOOP(
                   "vCard files may be of version 2.1, 3.0 or 4.0; a CSV file (.csv) holds "
                   "a header row,\n"
                   "then name,number on each row. When a file cannot be read, nothing is "
                   "added."))
               .paragraph(CLI_NOOP("Exit status 0 on success, 1 otherwise."))
               .text();
}

constexpr char kCommand[] = "tovrel contacts";

// Says what went wrong as "tovrel contacts: TEXT" and gives the failing exit status.
int fail(const QString &text)
{
    QTextStream(stderr) << "tovrel contacts: " << text << '\n';
    return 1;
}

// Adds `incoming` to `book` and saves it: exit status 0 with the counts on stderr, or 1 with why
// the book could not be written.
int mergeAndSave(ContactBook &book, const QList<Contact> &incoming)
{
    const int added = book.merge(incoming);
    if (const auto error = book.save(ContactBook::defaultPath()))
        return fail(*error);
    QTextStream(stderr) << "tovrel contacts: "
                        << cliTr("%1 contact(s) added or given new numbers, %2 in the book")
                               .arg(added)
                               .arg(book.contacts().size())
                        << '\n';
    return 0;
}

int importContacts(const QStringList &files)
{
    if (files.isEmpty())
        return fail(cliTr("import needs a FILE"));
    std::optional<ContactBook> book = loadUserContactBook(kCommand);
    if (!book)
        return 1;
    // Every file is read before the book changes: all of them or none.
    QList<Contact> incoming;
    for (const QString &file : files) {
        auto read = readContactFile(file);
        if (const QString *error = std::get_if<QString>(&read)) {
            fail(*error);
            return fail(cliTr("nothing imported"));
        }
        incoming += std::get<QList<Contact>>(read);
    }
    return mergeAndSave(*book, incoming);
}

int addContact(const QStringList &args)
{
    if (args.size() < 2 || args.first().trimmed().isEmpty())
        return fail(cliTr("add needs a NAME and a NUMBER"));
    const QStringList numbers = args.mid(1);
    for (const QString &number : numbers) {
        if (numberDigits(number).isEmpty())
            return fail(cliTr("%1 is no telephone number").arg(number));
    }
    std::optional<ContactBook> book = loadUserContactBook(kCommand);
    if (!book)
        return 1;
    return mergeAndSave(*book, {Contact{args.first(), numbers}});
}

int listContacts()
{
    std::optional<ContactBook> book = loadUserContactBook(kCommand);
    if (!book)
        return 1;
    QTextStream out(stdout);
    for (const Contact &c : book->contacts()) {
        for (const QString &number : c.numbers)
            out << tableRow({c.name, number}) << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok)
        return fail(cliTr("the rows could not be written"));
    return 0;
}

int exportContacts(const QString &path)
{
    std::optional<ContactBook> book = loadUserContactBook(kCommand);
    if (!book)
        return 1;
    if (book->isEmpty())
        return fail(cliTr("the contact book is empty; nothing exported"));
    AtomicFile file(path);
    if (!file.open() || !file.write(vCardText(book->contacts())) || !file.commit()) {
        return fail(cliTr("%1 cannot be written: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    return 0;
}

} // namespace

int runContacts(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("-h")) || args.contains(QStringLiteral("--help"))) {
        QTextStream out(stdout);
        printContactsHelp(out);
        return 0;
    }
    const QString action = args.isEmpty() ? QString() : args.takeFirst();
    if (action == QLatin1String("import"))
        return importContacts(args);
    if (action == QLatin1String("add"))
        return addContact(args);
    if (action == QLatin1String("list"))
        return args.isEmpty() ? listContacts() : fail(cliTr("list takes no argument"));
    if (action == QLatin1String("export"))
        return args.size() == 1 ? exportContacts(args.first())
                                : fail(cliTr("export takes one FILE"));
    return fail(cliTr("say import, add, list or export (see --help)"));
}

} // namespace tovrel::cli
