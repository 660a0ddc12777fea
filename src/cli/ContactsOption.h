#pragma once

#include "contacts/ContactBook.h"

#include <QString>
#include <QStringList>

#include <optional>

// --contacts: the 联系人 column, named from the user's contact book, in the lists a command
// prints.
namespace tovrel::cli {

// The caption of the column.
QString contactColumnCaption();

// Takes --contacts out of `args`; true when it was there.
bool takeContactsOption(QStringList &args);

// The user's contact book, or nothing after printing why it could not be read (prefixed with
// `command`, "tovrel list" for one).
std::optional<ContactBook> loadUserContactBook(const char *command);

// `cells` with the contact's name put after the cell at `numberColumn`.
void insertContactCell(QStringList &cells, qsizetype numberColumn, const ContactBook &book);

} // namespace tovrel::cli
