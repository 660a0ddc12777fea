// tovrel contacts import|list|export: the user's contact book from the command line.

#include "Commands.h"
#include "ContactsOption.h"
#include "Help.h"
#include "TableOutput.h"

#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"

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
    auto loaded = ContactBook::load(ContactBook::defaultPath());
    if (const QString *error = std::get_if<QString>(&loaded)) {
        QTextStream(stderr) << command << ": " << *error << '\n';
        return std::nullopt;
    }
    return std::get<ContactBook>(std::move(loaded));
}

namespace {

void printContactsHelp(QTextStream &out)
{
    out << HelpPage({"tovrel contacts import FILE...", "tovrel contacts list",
                     "tovrel contacts export FILE.vcf"})
               .paragraph(
                   CLI_NOOP("The contact book that names the numbers of the recordings (the 联系人 "
                            "column).\n"
                            "It is kept in $XDG_CONFIG_HOME/tovrel/contacts.vcf (~/.config/tovrel/ "
                            "by default)."))
               .section(CLI_NOOP("Commands"),
                        {{"import FILE...", CLI_NOOP("add the contacts of vCard and CSV files")},
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

int importContacts(const QStringList &files)
{
    QTextStream err(stderr);
    if (files.isEmpty()) {
        err << "tovrel contacts: " << cliTr("import needs a FILE") << '\n';
        return 1;
    }
    std::optional<ContactBook> book = loadUserContactBook("tovrel contacts");
    if (!book)
        return 1;
    // Every file is read before the book changes: all of them or none.
    QList<Contact> incoming;
    for (const QString &file : files) {
        auto read = readContactFile(file);
        if (const QString *error = std::get_if<QString>(&read)) {
            err << "tovrel contacts: " << *error
                << "\ntovrel contacts: " << cliTr("nothing imported") << '\n';
            return 1;
        }
        incoming += std::get<QList<Contact>>(read);
    }
    const int added = book->merge(incoming);
    if (const auto error = book->save(ContactBook::defaultPath())) {
        err << "tovrel contacts: " << *error << '\n';
        return 1;
    }
    err << "tovrel contacts: "
        << cliTr("%1 contact(s) added or given new numbers, %2 in the book")
               .arg(added)
               .arg(book->contacts().size())
        << '\n';
    return 0;
}

int listContacts()
{
    QTextStream out(stdout);
    std::optional<ContactBook> book = loadUserContactBook("tovrel contacts");
    if (!book)
        return 1;
    for (const Contact &c : book->contacts()) {
        for (const QString &number : c.numbers)
            out << tableRow({c.name, number}) << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok) {
        QTextStream(stderr) << "tovrel contacts: " << cliTr("the rows could not be written")
                            << '\n';
        return 1;
    }
    return 0;
}

int exportContacts(const QString &path)
{
    QTextStream err(stderr);
    std::optional<ContactBook> book = loadUserContactBook("tovrel contacts");
    if (!book)
        return 1;
    if (book->isEmpty()) {
        err << "tovrel contacts: " << cliTr("the contact book is empty; nothing exported") << '\n';
        return 1;
    }
    AtomicFile file(path);
    if (!file.open() || !file.write(vCardText(book->contacts())) || !file.commit()) {
        err << "tovrel contacts: "
            << cliTr("%1 cannot be written: %2")
                   .arg(QDir::toNativeSeparators(path), file.errorString())
            << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int runContacts(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = arguments;
    if (args.contains(QStringLiteral("-h")) || args.contains(QStringLiteral("--help"))) {
        printContactsHelp(out);
        return 0;
    }
    const QString action = args.isEmpty() ? QString() : args.takeFirst();
    if (action == QLatin1String("import"))
        return importContacts(args);
    if (action == QLatin1String("list") && args.isEmpty())
        return listContacts();
    if (action == QLatin1String("export") && args.size() == 1)
        return exportContacts(args.first());
    if (action == QLatin1String("list") || action == QLatin1String("export")) {
        err << "tovrel contacts: "
            << (action == QLatin1String("list") ? cliTr("list takes no argument")
                                                : cliTr("export takes one FILE"))
            << '\n';
        return 1;
    }
    err << "tovrel contacts: " << cliTr("say import, list or export (see --help)") << '\n';
    return 1;
}

} // namespace tovrel::cli
