#pragma once

#include <QString>

// Every message box of the program goes through a MessageSink, so the windows can be driven by
// tests that record the boxes instead of blocking on them.
namespace tovrel {

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Error,
    Question,
};

enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};

enum class MessageAnswer
{
    Ok,
    Cancel,
    Yes,
    No,
};

struct Message
{
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// The program's title: the main window's caption, and the caption of a plain message.
QString programTitle();

class MessageSink
{
public:
    virtual ~MessageSink() = default;
    // Shows the box modally and returns the button the user chose.
    virtual MessageAnswer show(const Message &message) = 0;

    // The common box: caption "Waring", warning icon, OK button.
    void warn(const QString &text);
};

// Real message boxes without an owner window.
class QtMessageSink final : public MessageSink
{
public:
    MessageAnswer show(const Message &message) override;
};

} // namespace tovrel
