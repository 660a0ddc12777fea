#pragma once

#include "AppContext.h"

#include <QDialog>

class QLineEdit;

namespace tovrel {

// The search window: finds recordings in a folder tree by time, number, kind and duration.
class TFindForm : public QDialog
{
    Q_OBJECT

public:
    explicit TFindForm(const AppContext &context, QWidget *parent = nullptr);

    // The folder the search starts from; also shown in FindPathEdit.
    void setSearchFolder(const QString &folder);
    QString searchFolder() const { return m_searchFolder; }

    QLineEdit *FindPathEdit = nullptr;

private:
    AppContext m_context;
    QString m_searchFolder;
};

} // namespace tovrel
