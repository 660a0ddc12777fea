#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <functional>

class QPushButton;
class QWidget;

namespace tovrel {

class PlaybackControl;

// The keys a window plays recordings with: Space play/pause, Ctrl+Left / Ctrl+Right back and
// forward 5 s, Ctrl+Home to the start, Ctrl+Up / Ctrl+Down faster / slower. They act while `scope`
// (a window, or the page of a window that holds the playback row) is shown and enabled and its
// window is active. A widget that takes such a key for its own editing keeps it: a text field types
// its space and moves by words on Ctrl+Left / Ctrl+Right (it claims them before any shortcut); the
// list keeps its plain arrow keys, which are no shortcut here. The keys are listed in the tool tip
// of the given buttons.
class PlayerKeys : public QObject
{
    Q_OBJECT

public:
    static constexpr int kJumpSeconds = 5;

    PlayerKeys(QWidget *scope, PlaybackControl *control, const QList<QPushButton *> &buttons);

    // One line per key, "key：action", as the buttons' tool tip shows them.
    QString keyList() const;

private:
    void add(const QKeySequence &keys, const QString &name, const QString &action,
             std::function<void()> run);

    QWidget *m_scope;
    QStringList m_lines;
};

} // namespace tovrel
