#include "PickerTyping.h"

#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>

namespace tovrel {
namespace {

// A key that types nothing by itself and moves nothing: Shift held for the ':' of a time, AltGr
// or a lock key. It leaves the typing where it was.
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

class TypedValues : public QObject
{
public:
    explicit TypedValues(QDateTimeEdit *picker)
        : QObject(picker), m_picker(picker), m_line(picker->findChild<QLineEdit *>())
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_line && event->type() == QEvent::MouseButtonRelease) {
            // A click into the text selects the part it landed in, so what is typed next replaces
            // that part (the picker itself would only put the cursor there and refuse the digits
            // typed into a full part). A stretch selected with the mouse stays as it is.
            if (!m_line->hasSelectedText())
                m_picker->setSelectedSection(m_picker->currentSection());
            m_lastWasDigit = false;
            return false;
        }
        if (watched != m_picker)
            return false;
        if (event->type() == QEvent::FocusOut) {
            m_lastWasDigit = false;
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isModifierKey(key->key()))
            return false;
        const QString text = key->text();
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (shortcut || text.size() != 1 || !text.at(0).isPrint()) {
            m_lastWasDigit = false;
            return false;
        }
        // Typing over a selection that starts at the beginning and holds more than one part:
        // the typed value starts in the first part.
        if (m_line && m_line->hasSelectedText() && m_line->selectionStart() == 0 &&
            m_line->selectedText().size() >
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
    QLineEdit *m_line;
    bool m_lastWasDigit = false;
    int m_partBeforeDigit = -1;
};

} // namespace

void acceptTypedValues(QDateTimeEdit *picker)
{
    auto *typing = new TypedValues(picker);
    picker->installEventFilter(typing);
    if (QLineEdit *line = picker->findChild<QLineEdit *>())
        line->installEventFilter(typing);
}

} // namespace tovrel
