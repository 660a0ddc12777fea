// The PC tab: the local recording list and WAV conversion.

#include "TMainForm.h"

#include "ReportListView.h"

#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"
#include "conversion/ConversionWorker.h"
#include "recordings/FolderScan.h"
#include "report/ReportModel.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

#include <limits>

namespace tovrel {
namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Progress bars count in int; a run's chunk total may not fit.
int barValue(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

void setBarPosition(QProgressBar *bar, qint64 value)
{
    // A position beyond the maximum leaves the bar at its maximum.
    bar->setValue(std::min(barValue(value), bar->maximum()));
}

std::atomic<int> &conversionFlag(bool selected)
{
    return selected ? ConvertSelectedFlag : ConvertAllFlag;
}

} // namespace

void TMainForm::connectComputerHandlers()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheetComputer)
            TabSheetComputerShow();
    });
    connect(BitBtn3, &QPushButton::clicked, this, &TMainForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TMainForm::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TMainForm::BitBtn5Click);
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
    const auto chosen = m_context.pickFolder(u("请选择目录:"), {}, start);
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

    QList<ReportRow> rows;
    rows.reserve(scan.recordings.size());
    int nameWidth = ListViewFileModel->columns().value(1).width;
    int numberWidth = ListViewFileModel->columns().value(2).width;
    for (const ScannedRecording &r : scan.recordings) {
        rows.append({recordingRowCells(int(rows.size()) + 1, r.fileName, r.header), r.path});
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
    m_conversionTotal = scan.conversionTotal;
    if (scan.message)
        m_context.messages->warn(*scan.message);
}

QString TMainForm::conversionOutputFolder() const
{
    return QDir::fromNativeSeparators(EditOutput->text());
}

// The rules both conversion buttons start with. A click during a run is its stop request: the
// run ends after the chunk in hand, and until its worker has ended the button stays disabled,
// so two runs never overlap. Then playback and a missing output folder refuse. Returns true when
// the click has been dealt with.
bool TMainForm::conversionClickHandled(bool selected)
{
    std::atomic<int> &flag = conversionFlag(selected);
    if (flag.load() == 1) {
        flag.store(0);
        (selected ? BitBtn4 : BitBtn5)->setEnabled(false);
        return true;
    }
    if (m_conversionRun)
        return true;
    if (const auto refusal = refusalFor(Activity::ConversionStart)) {
        m_context.messages->warn(*refusal);
        return true;
    }
    if (EditOutput->text().isEmpty()) {
        m_context.messages->warn(u("请选择转换的输出目录！"));
        return true;
    }
    return false;
}

void TMainForm::BitBtn4Click()
{
    if (conversionClickHandled(true))
        return;
    if (ListViewFile->selectedRows().isEmpty()) {
        m_context.messages->warn(u("请选择需要转换的文件！"));
        return;
    }
    startConversion(true);
}

void TMainForm::BitBtn5Click()
{
    if (conversionClickHandled(false))
        return;
    if (ListViewFileModel->rowCount() == 0) {
        // Nothing listed: say so rather than report an empty run as a success.
        m_context.messages->warn(noSupportedFilesMessage());
        return;
    }
    ListViewFile->clearSelection();
    startConversion(false);
}

void TMainForm::startConversion(bool selected)
{
    // The rows keep their files' paths: the run converts exactly the files listed.
    QStringList inputs;
    if (selected) {
        for (int row : ListViewFile->selectedRows())
            inputs.append(ListViewFileModel->row(row).key.toString());
    } else {
        for (const ReportRow &row : ListViewFileModel->rows())
            inputs.append(row.key.toString());
    }
    conversionFlag(selected).store(1);
    m_conversionSelected = selected;
    auto *worker = new ConversionWorker(
        selected ? ConversionWorker::Kind::Selected : ConversionWorker::Kind::All, inputs,
        conversionOutputFolder(), m_conversionTotal, conversionFlag(selected));
    m_conversionRun = new ConversionRun(worker, this);
    connect(worker, &ConversionWorker::fileStarted, this, &TMainForm::conversionFileStarted);
    connect(worker, &ConversionWorker::progress, this, &TMainForm::conversionProgress);
    connect(worker, &ConversionWorker::fileFinished, this, [this] { ProgressBar1->setValue(0); });
    connect(worker, &ConversionWorker::failed, this,
            [this](const QString &text) { conversionFailed(text); });
    connect(worker, &ConversionWorker::finished, this, &TMainForm::conversionFinished);

    setConversionControlsEnabled(selected, false, true);
    (selected ? BitBtn4 : BitBtn5)->setText(u("停止转换"));
    m_conversionRun->start();
}

// The controls a run disables: the play buttons, previous and next, the folder buttons and the
// other conversion button.
void TMainForm::setConversionControlsEnabled(bool selected, bool enabled, bool withPlayButtons)
{
    if (withPlayButtons) {
        for (QPushButton *b : {BitBtnPlayStart, BitBtnPlayPause, BitBtnPlayStop})
            b->setEnabled(enabled);
    }
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3, BitBtnOutput, selected ? BitBtn5 : BitBtn4})
        b->setEnabled(enabled);
}

void TMainForm::conversionFileStarted(const QString &fileName, int chunkCount,
                                      qint64 overallMaximum)
{
    (m_conversionSelected ? Label10 : Label11)->setText(fileName);
    // An empty range would turn the bars into busy indicators.
    ProgressBar2->setMaximum(std::max(1, barValue(overallMaximum)));
    ProgressBar1->setMaximum(std::max(1, chunkCount));
    ProgressBar1->setValue(0);
}

void TMainForm::conversionProgress(int fileChunks, qint64 runChunks)
{
    setBarPosition(ProgressBar1, fileChunks);
    setBarPosition(ProgressBar2, runChunks);
}

void TMainForm::conversionFailed(const QString &text)
{
    const bool selected = m_conversionSelected;
    m_context.messages->warn(text);
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
    (selected ? Label10 : Label11)->setText({});
    conversionFlag(selected).store(0);
    // The play buttons are left to the playback timer.
    setConversionControlsEnabled(selected, true, false);
    endConversionRun();
}

void TMainForm::conversionFinished()
{
    const bool selected = m_conversionSelected;
    std::atomic<int> &flag = conversionFlag(selected);
    setConversionControlsEnabled(selected, true, true);
    if (flag.load() == 1)
        m_context.messages->warn(selected ? u("转换选择文件成功！") : u("转换全部文件成功！"));
    ProgressBar2->setValue(0);
    (selected ? Label10 : Label11)->setText({});
    if (flag.load() == 1) {
        const QString folder = conversionOutputFolder();
        if (m_context.openFolder)
            m_context.openFolder(folder);
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
    flag.store(0);
    endConversionRun();
}

// Gives the button of the ended run back its caption and lets the run's thread go.
void TMainForm::endConversionRun()
{
    QPushButton *button = m_conversionSelected ? BitBtn4 : BitBtn5;
    button->setText(m_conversionSelected ? u("转换选择") : u("转换全部"));
    button->setEnabled(true);
    if (m_conversionRun) {
        m_conversionRun->deleteLater();
        m_conversionRun = nullptr;
    }
}

} // namespace tovrel
