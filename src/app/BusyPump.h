#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QThread;

namespace tovrel {

// Keeps the windows painting and the timers running between the steps of a long piece of work
// on the window thread, while the user's input to the windows that were open when the pump
// began stays refused: their clicks, keys, wheel turns and close requests that arrive during a
// pump are dropped, not queued for later. A window or message box opened while the pump runs
// (a failure reported from another thread meanwhile) takes its input as usual, so it can always
// be answered; while it is modal, Qt keeps the other windows from input by itself.
class BusyPump : public QObject
{
    Q_OBJECT

public:
    explicit BusyPump(QObject *parent = nullptr);
    ~BusyPump() override;

    // Handles the events waiting now.
    void pump();
    // Handles events as they come until `thread` has finished.
    void pumpUntilFinished(QThread &thread);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuseOpenWindows();
    // True when `watched` belongs to one of the windows open when the pump began.
    bool inRefusedWindow(QObject *watched) const;

    bool m_pumping = false;
    // The top-level widgets and windows open when the current pump began.
    QList<QPointer<QObject>> m_refused;
};

} // namespace tovrel
