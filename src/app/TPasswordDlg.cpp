#include "TPasswordDlg.h"

#include "TextFit.h"

#include "device/LinkFlags.h"
#include "device/UsbLibrary.h"
#include "keyring/PasswordKeyring.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace tovrel {

TPasswordDlg::TPasswordDlg(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(tr("USB已成功连接－请输入四位密码"));
    setFixedSize(309, 93);

    auto *label = new QLabel(tr("密码："), this);
    label->setGeometry(16, 20, 60, 20);
    Password = new QLineEdit(QStringLiteral("9137"), this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*" (42), whatever mark the platform style prefers.
    Password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Password->setMaxLength(4);
    Password->setGeometry(80, 18, 210, 22);
    connect(Password, &QLineEdit::textEdited, this, [this] { m_typed = true; });

    // Left of the buttons, under the caption.
    RememberPassword = new QCheckBox(tr("记住密码"), this);
    RememberPassword->setObjectName(QStringLiteral("RememberPassword"));
    RememberPassword->setGeometry(16, 59, 96, 20);

    OKBtn = new QPushButton(tr("确定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(120, 56, 80, 26);
    CancelBtn = new QPushButton(tr("取消"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    CancelBtn->setGeometry(210, 56, 80, 26);
    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TPasswordDlg::CancelBtnClick);
    fitTexts(this);
}

QString TPasswordDlg::telephoneIdentity() const
{
    return tovrel::telephoneIdentity(m_context.emulatorSocket);
}

void TPasswordDlg::askKeyring()
{
    const int showing = ++m_showing;
    m_typed = false;
    m_kept = false;
    RememberPassword->setChecked(false);
    readStoredPassword(telephoneIdentity(), this, [this, showing](const KeyringResult &result) {
        RememberPassword->setEnabled(result.available);
        RememberPassword->setToolTip(result.error);
        if (showing != m_showing || !isVisible())
            return;
        m_kept = result.password.has_value();
        if (!m_typed && result.password) {
            // A password kept before: shown, and kept again unless the box is cleared.
            Password->setText(*result.password);
            RememberPassword->setChecked(true);
        }
        emit keyringAnswered();
    });
}

void TPasswordDlg::OKBtnClick()
{
    // The dialog closes in every case; the exchange and its outcome follow on the main window.
    emit loginRequested(Password->text());
    accept();
}

void TPasswordDlg::CancelBtnClick()
{
    UsbLoggedIn = 0;
    emit loginCancelled();
    reject();
}

void TPasswordDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TPasswordDlg::showEvent(QShowEvent *event)
{
    if (const QScreen *shownOn = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(shownOn->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    if (!event->spontaneous())
        askKeyring();
}

} // namespace tovrel
