#include "NoteEditor.h"

#include "MessageSink.h"
#include "ReportListView.h"

#include "notes/RecordingNote.h"
#include "report/ReportModel.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovrel {

NoteEditor::NoteEditor(QString recordingPath, const QString &text, MessageSink *messages,
                       QWidget *parent)
    : QDialog(parent), m_recordingPath(std::move(recordingPath)), m_messages(messages)
{
    setObjectName(QStringLiteral("NoteEditor"));
    setWindowTitle(tr("编辑备注"));
    NoteText = new QPlainTextEdit(this);
    NoteText->setObjectName(QStringLiteral("NoteText"));
    NoteText->setPlainText(text);
    BtnSave = new QPushButton(tr("保存"), this);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    BtnCancel = new QPushButton(tr("取消"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    // Return belongs to the text: the buttons take only clicks and their own keys.
    BtnSave->setAutoDefault(false);
    BtnCancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(NoteText);
    layout->addLayout(buttons);
    resize(420, 240);
    connect(BtnSave, &QPushButton::clicked, this, &NoteEditor::save);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void NoteEditor::save()
{
    const QString text = NoteText->toPlainText();
    if (const auto error = writeNote(m_recordingPath, text)) {
        m_messages->warn(*error);
        return;
    }
    emit saved(text);
    accept();
}

ReportColumn noteColumn()
{
    return {noteColumnCaption(), 80, Qt::AlignLeft, 0, 0, RecordingCell::None, false, true};
}

QAction *addNoteEditing(ReportListView *list, MessageSink *messages)
{
    auto *action = new QAction(QCoreApplication::translate("NoteEditor", "编辑备注"), list);
    action->setObjectName(QStringLiteral("ActionEditNote"));
    action->setShortcut(Qt::Key_F2);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    list->addAction(action);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(action, &QAction::triggered, list, [list, messages] {
        ReportModel *model = list->reportModel();
        const int row = list->firstSelectedRow();
        if (!model || row < 0)
            return;
        const QString path = model->row(row).key.toString();
        const NoteRead note = readNote(path);
        if (!note.ok()) {
            messages->warn(note.error());
            return;
        }
        auto *editor = new NoteEditor(path, note.text, messages, list->window());
        editor->setAttribute(Qt::WA_DeleteOnClose);
        // The row is found again by its key when saved: the list may have changed meanwhile.
        const QPointer<ReportModel> rows(model);
        QObject::connect(editor, &NoteEditor::saved, list, [rows, path](const QString &text) {
            if (!rows)
                return;
            for (int i = 0; i < rows->rowCount(); ++i) {
                if (rows->row(i).key.toString() == path)
                    rows->setCell(i, rows->columnCount() - 1, noteFirstLine(text));
            }
        });
        // Closed either way, the keys go back to the list, so F2 edits the next note at once.
        QObject::connect(editor, &QDialog::finished, list, [list] {
            list->window()->activateWindow();
            list->setFocus();
        });
        editor->open();
    });
    return action;
}

} // namespace tovrel
