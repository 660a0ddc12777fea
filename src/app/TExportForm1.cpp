#include "TExportForm1.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace tovrel {

TExportForm1::TExportForm1(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("ExportForm1"));
    setWindowTitle(QString::fromUtf8("导出结果到Excel"));
    setFixedSize(420, 120);

    (new QLabel(QString::fromUtf8("存储路径： "), this))->setGeometry(12, 16, 72, 20);
    PathSetEdit = new QLineEdit(QStringLiteral("SavePathEdit"), this);
    PathSetEdit->setObjectName(QStringLiteral("PathSetEdit"));
    PathSetEdit->setGeometry(88, 14, 282, 22);
    BtnPathSet = new QPushButton(this);
    BtnPathSet->setObjectName(QStringLiteral("BtnPathSet"));
    BtnPathSet->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BtnPathSet->setGeometry(376, 12, 30, 26);

    (new QLabel(QString::fromUtf8("文件名： "), this))->setGeometry(12, 48, 72, 20);
    FileNameEdit = new QLineEdit(QStringLiteral("FileNameEdit"), this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setGeometry(88, 46, 282, 22);

    BtnOK = new QPushButton(QString::fromUtf8("确定"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setGeometry(220, 82, 80, 26);
    BtnCanel = new QPushButton(QString::fromUtf8("退出"), this);
    BtnCanel->setObjectName(QStringLiteral("BtnCanel"));
    BtnCanel->setGeometry(310, 82, 80, 26);
    connect(BtnCanel, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace tovrel
