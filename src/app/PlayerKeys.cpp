#include "PlayerKeys.h"

#include "PlaybackControl.h"

#include <QPushButton>
#include <QShortcut>

namespace tovrel {

PlayerKeys::PlayerKeys(QWidget *scope, PlaybackControl *control,
                       const QList<QPushButton *> &buttons)
    : QObject(scope), m_scope(scope)
{
    // Named as the key caps show them.
    add(QKeySequence(Qt::Key_Space), tr("空格"), tr("播放/暂停"),
        [control] { control->playPauseKey(); });
    add(QKeySequence(Qt::ControlModifier | Qt::Key_Left), QStringLiteral("Ctrl+←"), tr("后退5秒"),
        [control] { control->jumpBy(-kJumpSeconds); });
    add(QKeySequence(Qt::ControlModifier | Qt::Key_Right), QStringLiteral("Ctrl+→"), tr("前进5秒"),
        [control] { control->jumpBy(kJumpSeconds); });
    add(QKeySequence(Qt::ControlModifier | Qt::Key_Home), QStringLiteral("Ctrl+Home"),
        tr("回到开头"), [control] { control->jumpToStart(); });
    add(QKeySequence(Qt::ControlModifier | Qt::Key_Up), QStringLiteral("Ctrl+↑"), tr("加快"),
        [control] { control->changeSpeed(1); });
    add(QKeySequence(Qt::ControlModifier | Qt::Key_Down), QStringLiteral("Ctrl+↓"), tr("减慢"),
        [control] { control->changeSpeed(-1); });
    for (QPushButton *button : buttons)
        button->setToolTip(keyList());
}

void PlayerKeys::add(const QKeySequence &keys, const QString &name, const QString &action,
                     std::function<void()> run)
{
    // The window's shortcut, held by the scope: it acts only while the scope is shown and
    // enabled (the PC tab current and no upload running).
    auto *shortcut = new QShortcut(keys, m_scope);
    shortcut->setContext(Qt::WindowShortcut);
    // Play/pause held down would toggle on and on; a held jump goes on jumping.
    shortcut->setAutoRepeat(keys != QKeySequence(Qt::Key_Space));
    connect(shortcut, &QShortcut::activated, this, std::move(run));
    m_lines.append(tr("%1：%2").arg(name, action));
}

QString PlayerKeys::keyList() const
{
    return m_lines.join(QLatin1Char('\n'));
}

} // namespace tovrel
