// The PC tab: the local recording list and WAV conversion.

#include "TMainForm.h"

#include "ContactColumn.h"
#include "ConversionControl.h"
#include "ListingRun.h"
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

bool TMainForm::isScanning() const
{
    return m_scan && m_scan->isActive();
}

// Lists the recordings of the current folder. The folder is read on a thread of its own and the
// rows come as they are read; a scan started meanwhile replaces it. Each row keeps its file's
// path; the widths of the name and number columns follow the header form of the files listed: a
// long-form file widens them, and a short-form file narrows them again only in a scan started by
// showing the tab.
void TMainForm::scanComputerFolder(bool fromTabShow)
{
    if (m_scan)
        m_scan->abandon();
    m_fileContacts->refresh(*m_context.messages);
    ListViewFileModel->clear();
    m_fileCount = 0;
    m_unreadNotes.clear();
    const QString folder = QDir::fromNativeSeparators(EditInput->text());
    auto body = [this, folder](ListingRun::Feed &feed) -> std::function<void()> {
        int rowNumber = 0;
        FolderScanFeed scanFeed;
        scanFeed.stop = feed.stopFlag();
        scanFeed.progress = [&feed] { feed.tick(); };
        scanFeed.listed = [&](const ScannedRecording &r) {
            ListedRow row;
            row.cells = recordingRowCells(++rowNumber, r.fileName, r.header);
            QString noteError;
            row.note = noteCell(r.path, r.hasNote, &noteError);
            row.noteUnread = !noteError.isEmpty();
            row.path = r.path;
            row.damage = r.damage;
            row.longForm = r.header.longForm;
            row.values = listCellValues(r.header);
            feed.add(std::move(row));
        };
        const FolderScanResult scan = scanRecordingFolder(folder, scanFeed);
        // A stopped scan was replaced or its window closed: it has nothing more to say.
        if (scan.stopped)
            return {};
        return [this, message = scan.message] {
            // The name and number columns are laid out anew from their widths, as after every
            // scan, also one that listed nothing.
            for (int column : {1, 2})
                ListViewFileModel->setColumnWidth(column,
                                                  ListViewFileModel->columns().value(column).width);
            if (message)
                m_context.messages->warn(*message);
            if (!m_unreadNotes.isEmpty())
                m_context.messages->warn(unreadableFilesMessage(m_unreadNotes));
        };
    };
    m_scan = new ListingRun(
        std::move(body),
        [this, fromTabShow](QList<ListedRow> rows) {
            showScannedRows(std::move(rows), fromTabShow);
        },
        QStringLiteral("FolderScan"), this);
    m_scan->start();
}

void TMainForm::showScannedRows(QList<ListedRow> rows, bool fromTabShow)
{
    int nameWidth = ListViewFileModel->columns().value(1).width;
    int numberWidth = ListViewFileModel->columns().value(2).width;
    QList<ReportRow> shown;
    shown.reserve(rows.size());
    for (ListedRow &row : rows) {
        QStringList cells = m_fileContacts->named(row.cells);
        while (cells.size() < ListViewFileModel->columnCount() - 1)
            cells.append(QString());
        cells.append(row.note);
        if (row.noteUnread)
            m_unreadNotes.append(notePathFor(row.path));
        shown.append({std::move(cells), row.path, row.damage, row.values});
        if (row.longForm) {
            nameWidth = 240;
            numberWidth = 135;
        } else if (fromTabShow) {
            nameWidth = 200;
            numberWidth = 90;
        }
    }
    m_fileCount += int(shown.size());
    ListViewFileModel->appendRows(std::move(shown));
    ListViewFileModel->setColumnWidth(1, nameWidth);
    ListViewFileModel->setColumnWidth(2, numberWidth);
}

void TMainForm::stopComputerScan()
{
    // Destroying the run stops it and waits for its thread, which ends at the next entry. A run
    // whose closing step is showing its message has ended already and goes with the window.
    if (isScanning())
        delete m_scan.data();
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
