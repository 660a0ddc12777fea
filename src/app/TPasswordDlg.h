#pragma once

#include "AppContext.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tovrel {

// The four-digit password dialog shown before the telephone's list is read. OK hands what was
// typed to the main window, which asks the telephone for its password on a worker (the exchange
// may wait out the link's time-out) and compares; Cancel logs out at once.
class TPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TPasswordDlg(const AppContext &context, QWidget *parent = nullptr);

    QLineEdit *Password = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

public slots:
    void OKBtnClick();
    void CancelBtnClick();

signals:
    // OK: the text of Password, to be checked against the telephone's password.
    void loginRequested(const QString &typed);
    // Cancel: UsbLoggedIn has been cleared.
    void loginCancelled();

protected:
    // Esc is the Cancel button; the title-bar close box runs no handler.
    void keyPressEvent(QKeyEvent *event) override;
    // Centred on the screen, whichever window it belongs to.
    void showEvent(QShowEvent *event) override;

    AppContext m_context;
};

} // namespace tovrel
