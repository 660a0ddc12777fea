#pragma once

#include "AppContext.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;

namespace tovrel {

class TelephoneLink;

// The four-digit password dialog shown before the telephone's list is read. OK asks the
// telephone for its password and compares; the outcome is the flag UsbLoggedIn and one of the
// signals below, which the main window turns into enabled or disabled controls.
class TPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TPasswordDlg(const AppContext &context, QWidget *parent = nullptr);

    // The link the next OK asks (set by the main window before it shows the dialog).
    void setLink(std::shared_ptr<TelephoneLink> link) { m_link = std::move(link); }

    QLineEdit *Password = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

public slots:
    void OKBtnClick();
    void CancelBtnClick();

signals:
    void loginAccepted();
    void loginRefused();
    void loginCancelled();

protected:
    // Esc is the Cancel button; the title-bar close box runs no handler.
    void keyPressEvent(QKeyEvent *event) override;
    // Centred on the screen, whichever window it belongs to.
    void showEvent(QShowEvent *event) override;

    AppContext m_context;

private:
    std::shared_ptr<TelephoneLink> m_link;
};

} // namespace tovrel
