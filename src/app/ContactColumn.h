#pragma once

#include "contacts/ContactBook.h"

#include <QStringList>

#include <memory>

namespace tovrel {

class MessageSink;
class ReportModel;

// The 联系人 column of a recording list (the telephone's list, the PC list, the search results):
// right after the number column while the user's book holds contacts, naming each row's number.
// The book is read once per refresh, never per row; the lists' exports take the column with the
// rest of the list.
// The user's book. One that exists but cannot be read is shown as a message and taken as empty,
// so the lists name no one; `read` (when given) tells which.
std::shared_ptr<const ContactBook> loadUserContacts(MessageSink &messages, bool *read = nullptr);

class ContactColumn
{
public:
    ContactColumn(ReportModel *model, qsizetype numberColumn);

    // Reads the user's book afresh and shows, hides or renames the column to match it (see
    // loadUserContacts).
    void refresh(MessageSink &messages) { show(loadUserContacts(messages)); }
    // Shows, hides or renames the column to match `book`.
    void show(std::shared_ptr<const ContactBook> book);

    // `cells`, built without the column, with the name of the number's contact when the column
    // is shown.
    QStringList named(QStringList cells) const;

    // The book of the latest refresh (never null).
    const std::shared_ptr<const ContactBook> &book() const { return m_book; }
    bool isShown() const { return m_shown; }

private:
    ReportModel *m_model = nullptr;
    qsizetype m_numberColumn = 0;
    std::shared_ptr<const ContactBook> m_book = std::make_shared<const ContactBook>();
    bool m_shown = false;
};

} // namespace tovrel
