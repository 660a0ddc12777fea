#include "PickerTyping.h"

#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>

namespace tovrel {
namespace {

class TypedValues : public QObject
{
public:
    explicit TypedValues(QDateTimeEdit *picker) : QObject(picker), m_picker(picker) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_picker)
            return false;
        if (event->type() == QEvent::FocusOut) {
            m_lastWasDigit = false;
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (shortcut || text.size() != 1 || !text.at(0).isPrint()) {
            m_lastWasDigit = false;
            return false;
        }
        // Typing over a selection that starts at the beginning and holds more than one part:
        // the typed value starts in the first part.
        const auto *line = m_picker->findChild<QLineEdit *>();
        if (line && line->hasSelectedText() && line->selectionStart() == 0 &&
            line->selectedText().size() >
                m_picker->sectionText(m_picker->currentSection()).size()) {
            m_picker->setSelectedSection(m_picker->sectionAt(0));
            m_lastWasDigit = false;
        }
        const bool digit = text.at(0).isDigit();
        const bool movedOnByItself =
            m_lastWasDigit && m_picker->currentSectionIndex() != m_partBeforeDigit;
        m_lastWasDigit = digit;
        m_partBeforeDigit = m_picker->currentSectionIndex();
        // The separator that would have moved on: already done.
        return !digit && movedOnByItself;
    }

private:
    QDateTimeEdit *m_picker;
    bool m_lastWasDigit = false;
    int m_partBeforeDigit = -1;
};

} // namespace

void acceptTypedValues(QDateTimeEdit *picker)
{
    picker->installEventFilter(new TypedValues(picker));
}

} // namespace tovrel
