#include "MessageSink.h"

#include "TextFit.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QScreen>

namespace tovrel {
namespace {

// A message of a heading and more names than this (the files not uploaded, the files that could
// not be read) shows the heading and the first names, and every name in the box's details area,
// which scrolls: the box fits the screen however long the list.
constexpr int kNamesShown = 6;

struct BoxText
{
    QString text;
    QString details;
};

// `widest`: the width, in pixels, a name of the shown part may take; longer ones are cut in
// the middle (the details hold them whole).
BoxText boxTextOf(const QString &text, const QFontMetrics &metrics, int widest)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= kNamesShown + 2)
        return {text, {}};
    QStringList shown{lines.first()};
    for (int i = 1; i <= kNamesShown; ++i)
        shown.append(metrics.elidedText(lines.at(i), Qt::ElideMiddle, widest));
    shown.append(QString::fromUtf8("……"));
    return {shown.join(QLatin1Char('\n')), lines.mid(1).join(QLatin1Char('\n'))};
}

} // namespace

QString programTitle()
{
    return QCoreApplication::translate("MessageSink", "Tovrel录音电话PC管理软件");
}

void MessageSink::warn(const QString &text)
{
    show({QStringLiteral("Waring"), text, MessageIcon::Warning, MessageButtons::Ok});
}

MessageAnswer QtMessageSink::show(const Message &message)
{
    QMessageBox box;
    box.setWindowTitle(message.caption);
    const BoxText text =
        boxTextOf(message.text, box.fontMetrics(), box.screen()->availableGeometry().width() / 2);
    box.setText(text.text);
    box.setDetailedText(text.details);
    switch (message.icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (message.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    fitTitle(&box);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

} // namespace tovrel
