#pragma once

#include <QObject>

namespace tovrel {

// Keeps the windows painting and the timers running between the steps of a long piece of work
// on the window thread, while the user's input stays refused: clicks, keys, wheel turns and
// close requests that arrive during a pump are dropped, not queued for later. Message boxes
// shown by the work itself (between pumps) take input as usual.
class BusyPump : public QObject
{
    Q_OBJECT

public:
    explicit BusyPump(QObject *parent = nullptr);
    ~BusyPump() override;

    // Handles the events waiting now.
    void pump();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_pumping = false;
};

} // namespace tovrel
