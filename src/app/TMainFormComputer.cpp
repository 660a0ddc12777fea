// The PC tab: the local recording list and WAV conversion.

#include "TMainForm.h"

#include "ContactColumn.h"
#include "ConversionControl.h"
#include "NoteEditor.h"
#include "ReportListView.h"

#include "Utf8Text.h"
#include "notes/NoteColumn.h"
#include "notes/RecordingNote.h"
#include "recordings/FolderScan.h"
#include "report/ReportModel.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace tovrel {
void TMainForm::connectComputerHandlers()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheetComputer)
            TabSheetComputerShow();
    });
    connect(BitBtn3, &QPushButton::clicked, this, &TMainForm::BitBtn3Click);

    ConversionControls controls = GroupBox3->controls();
    controls.list = ListViewFile;
    controls.model = ListViewFileModel;
    controls.playButtons = {BitBtnPlayStart, BitBtnPlayPause, BitBtnPlayStop};
    controls.runControls = {BitBtn1, BitBtn2, BitBtn3, BitBtnOutput};
    ConversionRules rules;
    rules.emptyListText = noSupportedFilesMessage();
    rules.openFolder = m_context.openFolder;
    rules.contacts = [this] { return m_fileContacts->book(); };
    m_conversion = new ConversionControl(controls, rules, m_context.messages, this);
    addNoteEditing(ListViewFile, m_context.messages);
}

void TMainForm::TabSheetComputerShow()
{
    if (EditInput->text().isEmpty())
        return;
    scanComputerFolder(true);
}

void TMainForm::BitBtn3Click()
{
    const QString start = EditInput->text().isEmpty() ? EditSave->text() : EditInput->text();
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, start);
    if (!chosen)
        return;
    EditInput->setText(withTrailingSeparator(*chosen));
    scanComputerFolder(false);
}

// Lists the recordings of the current folder. Each row keeps its file's path; the widths of the
// name and number columns follow the header form of the files listed: a long-form file widens
// them, and a short-form file narrows them again only in a scan started by showing the tab.
void TMainForm::scanComputerFolder(bool fromTabShow)
{
    const FolderScanResult scan =
        scanRecordingFolder(QDir::fromNativeSeparators(EditInput->text()));
    m_fileContacts->refresh(*m_context.messages);

    QList<ReportRow> rows;
    rows.reserve(scan.recordings.size());
    int nameWidth = ListViewFileModel->columns().value(1).width;
    int numberWidth = ListViewFileModel->columns().value(2).width;
    QStringList unreadNotes;
    for (const ScannedRecording &r : scan.recordings) {
        QStringList cells =
            m_fileContacts->named(recordingRowCells(int(rows.size()) + 1, r.fileName, r.header));
        QString noteError;
        appendNoteCell(cells, ListViewFileModel->columnCount(), r.path, r.hasNote, &noteError);
        if (!noteError.isEmpty())
            unreadNotes.append(notePathFor(r.path));
        rows.append({std::move(cells), r.path, r.damage, listCellValues(r.header)});
        if (r.header.longForm) {
            nameWidth = 240;
            numberWidth = 135;
        } else if (fromTabShow) {
            nameWidth = 200;
            numberWidth = 90;
        }
    }
    ListViewFileModel->clear();
    ListViewFileModel->appendRows(std::move(rows));
    ListViewFileModel->setColumnWidth(1, nameWidth);
    ListViewFileModel->setColumnWidth(2, numberWidth);
    m_fileCount = int(scan.recordings.size());
    if (scan.message)
        m_context.messages->warn(*scan.message);
    if (!unreadNotes.isEmpty())
        m_context.messages->warn(unreadableFilesMessage(unreadNotes));
}

void TMainForm::BitBtn4Click()
{
    m_conversion->selectedClick();
}

void TMainForm::BitBtn5Click()
{
    m_conversion->allClick();
}

} // namespace tovrel
