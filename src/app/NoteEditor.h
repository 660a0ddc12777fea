#pragma once

#include <QDialog>
#include <QString>

#include "report/ReportModel.h"

class QAction;
class QPlainTextEdit;
class QPushButton;

namespace tovrel {

class MessageSink;
class ReportListView;

// The editor of one recording's note: the whole text in a text box, with 保存 and 取消. Saving
// writes the note whole or not at all (an empty text removes it); when that fails the reason is
// shown and the editor stays open with the text, so nothing typed is lost.
class NoteEditor : public QDialog
{
    Q_OBJECT

public:
    NoteEditor(QString recordingPath, const QString &text, MessageSink *messages,
               QWidget *parent = nullptr);

    QPlainTextEdit *NoteText = nullptr;
    QPushButton *BtnSave = nullptr;
    QPushButton *BtnCancel = nullptr;

signals:
    // The note was written: its new text.
    void saved(const QString &text);

private:
    void save();

    QString m_recordingPath;
    MessageSink *m_messages = nullptr;
};

// The 备注 column of a list, its last: narrow at first, it takes the width the list has left.
ReportColumn noteColumn();

// Gives `list` the 编辑备注 action, in its context menu and on F2: it opens the editor for the
// first selected row, whose key is the recording's path; a saved note's first line goes into the
// row's last column (备注). A note that cannot be read is shown as a message and not edited.
QAction *addNoteEditing(ReportListView *list, MessageSink *messages);

} // namespace tovrel
