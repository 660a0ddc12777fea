#include "TPasswordDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tovrel {

TPasswordDlg::TPasswordDlg(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QString::fromUtf8("USB已成功连接－请输入四位密码"));
    setFixedSize(309, 93);

    auto *label = new QLabel(QString::fromUtf8("密码："), this);
    label->setGeometry(16, 20, 60, 20);
    Password = new QLineEdit(QStringLiteral("9137"), this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setEchoMode(QLineEdit::Password);
    Password->setGeometry(80, 18, 210, 22);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(120, 56, 80, 26);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(210, 56, 80, 26);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace tovrel
