#pragma once

#include "search/SearchCriteria.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace tovrel::cli {

// What the options of `tovrel search` ask for: the search window's controls, filled in from the
// command line, and the two options that only change what is printed.
struct SearchArguments
{
    search::SearchForm form;
    bool header = false;   // --header: the column captions first
    bool contacts = false; // --contacts: the 联系人 column after the number
    bool notes = false;    // --notes: the 备注 column last
    bool help = false;     // -h/--help: the help page, and nothing else
};

// Reads the arguments of `tovrel search` (the export options already taken out) in order: FOLDER,
// --from/--to, --number, --name, --note, --contacts, --notes, --kinds, --min-seconds,
// --max-seconds, --header, -h/--help. Stops at -h/--help with `help` set. Returns the refusal
// (without the command's prefix) for a missing value, a number that holds anything but digits, an
// unknown kind or argument, a missing FOLDER, only one end of the range, an end that is not a date
// and time, or a duration bound that is not a valid integer.
std::variant<SearchArguments, QString> parseSearchArguments(const QStringList &args);

} // namespace tovrel::cli
