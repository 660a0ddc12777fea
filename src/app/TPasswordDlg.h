#pragma once

#include "AppContext.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tovrel {

// The four-digit password dialog shown before the telephone's list is read. OK hands what was
// typed to the main window, which asks the telephone for its password on a worker (the exchange
// may wait out the link's time-out) and compares; Cancel logs out at once. 记住密码 asks the main
// window to keep the password in the desktop's keyring once it has logged in; a password kept
// there fills the edit when the dialog opens (asked without waiting).
class TPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TPasswordDlg(const AppContext &context, QWidget *parent = nullptr);

    QLineEdit *Password = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    // Off at every showing; disabled, with the reason as its tool tip, when no keyring is there.
    QCheckBox *RememberPassword = nullptr;

    // The telephone's key in the keyring.
    QString telephoneIdentity() const;
    // Whether the keyring answered this showing with a kept password (cleared 记住密码 then
    // forgets it).
    bool keptInKeyring() const { return m_kept; }

public slots:
    void OKBtnClick();
    void CancelBtnClick();

signals:
    // OK: the text of Password, to be checked against the telephone's password.
    void loginRequested(const QString &typed);
    // Cancel: UsbLoggedIn has been cleared.
    void loginCancelled();
    // The keyring's answer for this showing has been applied to the edit and 记住密码.
    void keyringAnswered();

protected:
    // Esc is the Cancel button; the title-bar close box runs no handler.
    void keyPressEvent(QKeyEvent *event) override;
    // Centred on the screen, whichever window it belongs to.
    void showEvent(QShowEvent *event) override;

    AppContext m_context;

private:
    void askKeyring();

    // Counts the showings: an answer of the keyring fills only the showing that asked, and
    // only while nothing has been typed in it.
    int m_showing = 0;
    bool m_typed = false;
    bool m_kept = false;
};

} // namespace tovrel
