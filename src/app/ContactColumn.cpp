#include "ContactColumn.h"

#include "MessageSink.h"

#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <variant>

namespace tovrel {
namespace {
constexpr int kContactColumnWidth = 100;
} // namespace

std::shared_ptr<const ContactBook> loadUserContacts(MessageSink &messages, bool *read)
{
    auto loaded = ContactBook::load(ContactBook::defaultPath(), sysconf::readContactsRegion());
    if (read)
        *read = std::holds_alternative<ContactBook>(loaded);
    if (const QString *error = std::get_if<QString>(&loaded)) {
        messages.warn(*error);
        return std::make_shared<const ContactBook>();
    }
    return std::make_shared<const ContactBook>(std::get<ContactBook>(std::move(loaded)));
}

ContactColumn::ContactColumn(ReportModel *model, qsizetype numberColumn)
    : m_model(model), m_numberColumn(numberColumn)
{}

void ContactColumn::show(std::shared_ptr<const ContactBook> book)
{
    m_book = book ? std::move(book) : std::make_shared<const ContactBook>();
    const int at = int(m_numberColumn) + 1;
    const bool wanted = !m_book->isEmpty();
    if (!wanted) {
        if (m_shown)
            m_model->dropColumnAt(at);
        m_shown = false;
        return;
    }
    QStringList names;
    names.reserve(m_model->rowCount());
    for (const ReportRow &row : m_model->rows())
        names.append(m_book->nameFor(row.cells.value(m_numberColumn)));
    if (m_shown)
        m_model->setColumnTexts(at, names);
    else
        m_model->addColumnAt(at,
                             {contactColumnCaption(), kContactColumnWidth, Qt::AlignLeft, 0, 0,
                              RecordingCell::None, false, true},
                             names);
    m_shown = true;
}

QStringList ContactColumn::named(QStringList cells) const
{
    if (m_shown)
        insertContactCell(cells, m_numberColumn, *m_book);
    return cells;
}

} // namespace tovrel
