#include "TFindForm.h"

#include <QLabel>
#include <QLineEdit>

namespace tovrel {

TFindForm::TFindForm(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QString::fromUtf8("查询窗口"));
    resize(760, 560);
    auto *label = new QLabel(QString::fromUtf8("查询目录："), this);
    label->setGeometry(12, 14, 70, 20);
    FindPathEdit = new QLineEdit(this);
    FindPathEdit->setObjectName(QStringLiteral("FindPathEdit"));
    FindPathEdit->setGeometry(86, 12, 560, 22);
}

void TFindForm::setSearchFolder(const QString &folder)
{
    m_searchFolder = folder;
    FindPathEdit->setText(folder);
}

} // namespace tovrel
