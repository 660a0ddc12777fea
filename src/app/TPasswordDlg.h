#pragma once

#include "AppContext.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tovrel {

// The four-digit password dialog shown before the telephone's list is read.
class TPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TPasswordDlg(const AppContext &context, QWidget *parent = nullptr);

    QLineEdit *Password = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    AppContext m_context;
};

} // namespace tovrel
