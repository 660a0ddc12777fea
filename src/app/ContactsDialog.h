#pragma once

#include "AppContext.h"

#include "contacts/ContactBook.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tovrel {

class ReportListView;
class ReportModel;

// The contact book dialog of the main window: imports vCard and CSV files, lists the contacts
// with their numbers, adds a contact typed in by hand, edits a contact's name and numbers and
// deletes contacts. Every change is
// written to the user's book at once, whole or not at all; a change that cannot be written is
// shown as a message and the book stays as it was.
class ContactsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ContactsDialog(const AppContext &context, QWidget *parent = nullptr);

    const ContactBook &book() const { return m_book; }

    ReportListView *ContactList = nullptr;
    ReportModel *ContactListModel = nullptr;
    QLineEdit *EditName = nullptr;
    // The contact's numbers, separated by ";" or ",".
    QLineEdit *EditNumbers = nullptr;
    QPushButton *BtnImport = nullptr;
    // Adds the name and numbers typed in the fields (a name already in the book gets the numbers
    // it lacked).
    QPushButton *BtnNew = nullptr;
    QPushButton *BtnSave = nullptr;
    QPushButton *BtnDelete = nullptr;
    QPushButton *BtnClose = nullptr;
    // What the latest import added.
    QLabel *LabelStatus = nullptr;

public slots:
    void BtnImportClick();
    void BtnNewClick();
    void BtnSaveClick();
    void BtnDeleteClick();

private:
    void showBook();
    void selectionChanged();
    // Writes `changed` to the book's file; it becomes the book only when that succeeded.
    bool commit(const ContactBook &changed);

    AppContext m_context;
    QString m_path;
    ContactBook m_book;
};

} // namespace tovrel
