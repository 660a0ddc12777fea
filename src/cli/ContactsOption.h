#pragma once

#include "Help.h"

#include "contacts/ContactBook.h"

#include <QString>
#include <QStringList>

#include <optional>

// --contacts: the 联系人 column, named from the user's contact book, in the lists a command
// prints.
namespace tovrel::cli {

// The option's line in a help page.
inline constexpr HelpEntry kContactsEntry{
    "--contacts", CLI_NOOP("add the 联系人 column (the contact book's name for the number)")};

// Takes --contacts out of `args`; true when it was there.
bool takeContactsOption(QStringList &args);

// The user's contact book, or nothing after printing why it could not be read (prefixed with
// `command`, "tovrel list" for one).
std::optional<ContactBook> loadUserContactBook(const char *command);

} // namespace tovrel::cli
