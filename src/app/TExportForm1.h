#pragma once

#include "AppContext.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tovrel {

// The small dialog that asks where a search result is exported to.
class TExportForm1 : public QDialog
{
    Q_OBJECT

public:
    explicit TExportForm1(const AppContext &context, QWidget *parent = nullptr);

    QLineEdit *PathSetEdit = nullptr;
    QPushButton *BtnPathSet = nullptr;
    QLineEdit *FileNameEdit = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCanel = nullptr;

private:
    AppContext m_context;
};

} // namespace tovrel
