// The telephone tab: connection monitor, login, the telephone's list and the upload. The
// exchanges themselves live in core/device; the handlers here guard, call them and keep the
// controls in line with the link state.

#include "TMainForm.h"

#include "ContactColumn.h"
#include "ReportListView.h"
#include "StandardError.h"
#include "TPasswordDlg.h"
#include "WorkerRun.h"

#include "Utf8Text.h"
#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"
#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"
#include "device/TelephoneList.h"
#include "device/UsbLibrary.h"
#include "keyring/PasswordKeyring.h"
#include "notify/DesktopNotification.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <utility>

namespace tovrel {
namespace {

constexpr int kLabelUploadWidth = 300;

// LabelUpload while the telephone's list is read: records read so far of the count.
QString listingLabelText(int done, int count)
{
    return QCoreApplication::translate("tovrel::TMainForm", "读取列表 %1/%2").arg(done).arg(count);
}

} // namespace

void TMainForm::connectDeviceHandlers()
{
    m_link = std::make_shared<TelephoneLink>(
        createUsbLibrary(m_context.emulatorSocket, &m_refusedIds), m_context.deviceTimeoutMs);
    // Settings taken over at the start are said first, in the same way.
    if (!m_context.startNotice.isEmpty())
        m_refusedIds.prepend(m_context.startNotice);
    connect(TimerUSBConnect, &QTimer::timeout, this, &TMainForm::TimerUSBConnectTimer);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TMainForm::PageControl1Change);
    connect(BitBtnRefersh, &QPushButton::clicked, this, &TMainForm::BitBtnRefershClick);
    connect(BitBtnUpload, &QPushButton::clicked, this, &TMainForm::BitBtnUploadClick);
    connect(BitBtnUploadAll, &QPushButton::clicked, this, &TMainForm::BitBtnUploadAllClick);
    connect(CheckBoxUploadNew, &QCheckBox::clicked, this, &TMainForm::CheckBoxUploadNewClick);
    connect(CheckBoxAutoUpload, &QCheckBox::clicked, this, &TMainForm::CheckBoxAutoUploadClick);
}

void TMainForm::showTelephoneTab()
{
    BitBtnUploadAll->setEnabled(false);
    BitBtnUpload->setEnabled(false);
    BitBtnRefersh->setEnabled(false);
    BitBtnSave->setEnabled(true);
    ListViewMCU->setEnabled(false);
    BitBtnExport->setEnabled(false);
    UsbLoggedIn = 0;
    UsbOpened = 0;
    BitBtnConnect->setText(tr("USB未连接"));
    BitBtnConnect->setEnabled(false);
    // Ids of SysConf.ini that were replaced by their defaults are said once, when the window is
    // up (a telephone that is never found would otherwise only show "USB未连接").
    if (!m_refusedIds.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this, texts = std::exchange(m_refusedIds, {})] {
                for (const QString &text : texts)
                    m_context.messages->warn(text);
            },
            Qt::QueuedConnection);
    }
}

void TMainForm::TimerUSBConnectTimer()
{
    const bool wasPresent = UsbPresent.load() != 0;
    UsbPresent = 0;
    if (m_link->deviceCount() > 0) {
        UsbPresent = 1;
        BitBtnConnect->setText(tr("USB已连接"));
        BitBtnConnect->setEnabled(true);
        if (!isUploading() && !m_listing)
            BitBtnRefersh->setEnabled(true);
        // Plugged in since the last tick (or there when the window came up).
        if (!wasPresent)
            startAutoUpload();
        return;
    }
    // What the automatic upload was waiting for or running belongs to the telephone that went.
    ++m_autoAttempt;
    m_autoStage = AutoStage::Idle;
    m_autoPassword.clear();
    // A list being read stops at its next record; what it (or a login in progress) still sends
    // is not shown. The folder button it held off is the user's again.
    if (m_listing) {
        m_listing = false;
        m_list->requestStop();
        BitBtnSave->setEnabled(true);
    }
    UsbOpened = 0;
    UsbLoggedIn = 0;
    BitBtnConnect->setText(tr("USB未连接"));
    BitBtnConnect->setEnabled(false);
    BitBtnUploadAll->setEnabled(false);
    BitBtnUpload->setEnabled(false);
    BitBtnRefersh->setEnabled(false);
    BitBtnExport->setEnabled(false);
    ListViewMCU->setEnabled(false);
    ListViewMCUModel->clear();
    Uploading = 0;
    resetUploadProgress();
    BitBtnUpload->setText(tr("上传选择"));
    BitBtnUploadAll->setText(tr("上传全部"));
}

// The open step runs on the link's worker; the list goes on from openStepEnded.
void TMainForm::startOpenWorker()
{
    saveHeldControls();
    auto owned = std::make_unique<OpenExchange>(*m_link);
    OpenExchange *exchange = owned.get();
    // One call, no step between to stop at; a close cuts it off through the link.
    auto run = std::make_shared<WorkerRun>(
        std::move(owned), [exchange, link = m_link] { exchange->run(); }, [] {},
        QStringLiteral("Open"));
    m_list = run;
    m_listing = true;
    setListingControls(true);
    WorkerRun *current = run.get();
    connect(exchange, &OpenExchange::opened, run->relay(),
            [this, current](bool ok, const QString &failure) {
                // A tick that found no telephone meanwhile has reset the tab and the flags.
                if (!m_listing || m_list.get() != current || m_closed)
                    return;
                m_listing = false;
                restoreHeldControls();
                if (!ok) {
                    // A telephone that cannot be opened says why, instead of nothing happening.
                    m_autoStage = AutoStage::Idle;
                    m_context.messages->warn(failure);
                    return;
                }
                UsbOpened = 1;
                continueListAfterOpen(true);
            });
    run->start();
}

void TMainForm::saveHeldControls()
{
    m_beforeLogin.clear();
    for (const QWidget *w : listingHeldControls())
        m_beforeLogin.append(w->isEnabled());
}

void TMainForm::restoreHeldControls()
{
    const QList<QWidget *> held = listingHeldControls();
    for (qsizetype i = 0; i < held.size() && i < m_beforeLogin.size(); ++i)
        held[i]->setEnabled(m_beforeLogin[i]);
}

std::optional<QString> TMainForm::showPasswordDlg()
{
    if (!m_passwordDlg)
        return std::nullopt;
    std::optional<QString> typed;
    const QMetaObject::Connection requested =
        connect(m_passwordDlg, &TPasswordDlg::loginRequested, this,
                [&typed](const QString &text) { typed = text; });
    connect(m_passwordDlg, &TPasswordDlg::loginCancelled, this, &TMainForm::passwordCancelled,
            Qt::UniqueConnection);
    m_passwordDlg->exec();
    disconnect(requested);
    return typed;
}

void TMainForm::passwordCancelled()
{
    setLoggedInControls(false);
    ListViewMCUModel->clear();
}

void TMainForm::setLoggedInControls(bool enabled)
{
    BitBtnUploadAll->setEnabled(enabled);
    BitBtnUpload->setEnabled(enabled);
    BitBtnSave->setEnabled(enabled);
    ListViewMCU->setEnabled(enabled);
    BitBtnExport->setEnabled(enabled);
}

void TMainForm::resetUploadProgress()
{
    // A bar left at maximum 0 (a recording without speech) would show Qt's busy animation
    // while nothing runs: it gets its design range back, empty as at start.
    for (QProgressBar *bar : {ProgressBarUploadPacket, ProgressBarUpload}) {
        if (bar->maximum() == 0)
            bar->setRange(0, 100);
        bar->setValue(0);
    }
    LabelUpload->setText(uploadIdleLabelText());
    LabelUpload->setToolTip({}); // an automatic upload's note goes with its text
    LabelUpload->resize(kLabelUploadWidth, LabelUpload->height());
}

void TMainForm::BitBtnRefershClick()
{
    if (const auto refusal = refusalFor(Activity::TelephoneList)) {
        m_context.messages->warn(*refusal);
        return;
    }
    // A cancelled worker may still be finishing its last exchange.
    if (!waitForDeviceWorkers())
        return;
    if (UsbPresent && !UsbOpened) {
        startOpenWorker();
        return;
    }
    continueListAfterOpen(UsbPresent && UsbOpened);
}

void TMainForm::continueListAfterOpen(bool askPassword)
{
    std::optional<QString> typed;
    // The upload on plugging in logs in with the keyring's password, without the dialog.
    const bool automatic = m_autoStage == AutoStage::Running;
    if (automatic)
        typed = std::exchange(m_autoPassword, {});
    else if (askPassword)
        typed = showPasswordDlg();
    if (m_closed)
        return;
    // OK was pressed: the list follows the login's outcome (passwordChecked). The dialog's
    // 记住密码 speaks only for a password typed into it; the keyring's stays as it is.
    if (typed) {
        const bool remember = !automatic && m_passwordDlg->RememberPassword->isChecked();
        m_passwordToKeep = remember ? typed : std::nullopt;
        m_forgetPassword = !automatic && !remember && m_passwordDlg->keptInKeyring();
        startLoginWorker(*typed);
        return;
    }
    if (!UsbLoggedIn)
        return;
    startListWorker();
}

void TMainForm::startLoginWorker(const QString &typed)
{
    saveHeldControls();
    auto owned = std::make_unique<LoginExchange>(*m_link, typed);
    LoginExchange *exchange = owned.get();
    // One exchange, no step between to stop at; a close cuts it off through the link.
    auto run = std::make_shared<WorkerRun>(
        std::move(owned), [exchange, link = m_link] { exchange->run(); }, [] {},
        QStringLiteral("Login"));
    m_list = run;
    m_listing = true;
    // The book is read once per list: every row of it is named by the same book.
    m_telephoneContacts->refresh(*m_context.messages);
    setListingControls(true);
    WorkerRun *current = run.get();
    connect(exchange, &LoginExchange::checked, run->relay(),
            [this, current](const LoginResult &result) {
                // A tick that found no telephone meanwhile has reset the tab and the flags: the
                // exchange's message is still said, and nothing else follows.
                if (m_listing && m_list.get() == current)
                    passwordChecked(result);
                else if (!result.message.isEmpty())
                    m_context.messages->warn(result.message);
            });
    run->start();
}

void TMainForm::keepPassword(const std::optional<QString> &password)
{
    // The keyring answers later; the list goes on meanwhile.
    auto done = [this](const QString &error) {
        if (!error.isEmpty() && !m_closed)
            m_context.messages->warn(error);
    };
    const QString identity = m_passwordDlg->telephoneIdentity();
    if (password)
        storePassword(identity, *password, this, done);
    else
        forgetPassword(identity, this, done);
}

void TMainForm::passwordChecked(const LoginResult &result)
{
    const std::optional<QString> toKeep = std::exchange(m_passwordToKeep, std::nullopt);
    const bool forget = std::exchange(m_forgetPassword, false);
    switch (result.outcome) {
    case LoginOutcome::Accepted:
        UsbLoggedIn = 1;
        setLoggedInControls(true);
        if (toKeep || forget)
            keepPassword(toKeep);
        break;
    case LoginOutcome::Refused:
        m_context.messages->warn(result.message);
        UsbLoggedIn = 0;
        break;
    case LoginOutcome::LinkFailed:
        // The flag and the controls stay as they were; the list goes on as the flag says.
        m_context.messages->warn(result.message);
        break;
    }
    if (!m_listing || m_closed)
        return; // the box was answered after a tick without telephone, or after the close
    if (UsbLoggedIn) {
        startListWorker();
        return;
    }
    m_listing = false;
    m_autoStage = AutoStage::Idle;
    setListingControls(false);
    if (result.outcome == LoginOutcome::LinkFailed)
        restoreHeldControls();
}

QList<QWidget *> TMainForm::listingHeldControls() const
{
    return {BitBtnRefersh, BitBtnUpload, BitBtnUploadAll, ListViewMCU, BitBtnExport, BitBtnSave};
}

void TMainForm::setListingControls(bool listing)
{
    // While the login or the list runs nothing else may use the link or the rows: the list
    // button, the upload buttons, the list itself, the export and the folder button wait for
    // its end.
    if (listing) {
        for (QWidget *w : listingHeldControls())
            w->setEnabled(false);
        return;
    }
    setLoggedInControls(UsbLoggedIn.load() != 0);
    BitBtnRefersh->setEnabled(UsbPresent.load() != 0 && !isUploading());
}

void TMainForm::startListWorker()
{
    auto owned = std::make_unique<TelephoneListReader>(*m_link);
    TelephoneListReader *reader = owned.get();
    // The reader holds the link by reference: the body keeps it alive until the reader ends.
    auto run = std::make_shared<WorkerRun>(
        std::move(owned), [reader, link = m_link] { reader->run(); },
        [reader] { reader->requestStop(); }, QStringLiteral("TelephoneList"));
    m_list = run;
    m_listing = true;
    setListingControls(true);
    QObject *relay = run->relay();
    WorkerRun *current = run.get();
    // Rows and progress count only from the current list, and only while the link it reads
    // stands (the poll tick may have reset the tab meanwhile).
    const auto wanted = [this, current] { return m_listing && m_list.get() == current; };
    const auto showProgress = [this](int done) {
        LabelUpload->setText(listingLabelText(done, m_listCount));
        LabelUpload->resize(kLabelUploadWidth, LabelUpload->height());
    };
    connect(reader, &TelephoneListReader::rowsCleared, relay, [this, wanted] {
        if (wanted())
            ListViewMCUModel->clear();
    });
    connect(reader, &TelephoneListReader::countRead, relay, [this, wanted](int count) {
        if (wanted())
            m_listCount = count;
    });
    connect(reader, &TelephoneListReader::formChosen, relay,
            [this, wanted, showProgress](bool longForm) {
                if (!wanted())
                    return;
                const TelephoneListWidths widths = telephoneListWidths(longForm);
                ListViewMCUModel->setColumnWidth(1, widths.fileName);
                ListViewMCUModel->setColumnWidth(2, widths.number);
                showProgress(0);
            });
    connect(reader, &TelephoneListReader::rowRead, relay,
            [this, wanted, showProgress](const ReportRow &row) {
                if (!wanted())
                    return;
                ReportRow named = row;
                named.cells = m_telephoneContacts->named(row.cells);
                ListViewMCUModel->appendRow(std::move(named));
                showProgress(row.key.toInt() + 1);
            });
    // The reader waits until its box has been dismissed, as the list always did.
    connect(
        reader, &TelephoneListReader::failure, relay,
        [this](const QString &text) { m_context.messages->warn(text); },
        Qt::BlockingQueuedConnection);
    connect(reader, &TelephoneListReader::finished, relay, [this, wanted](bool complete) {
        if (!wanted())
            return;
        m_listing = false;
        LabelUpload->setText(uploadIdleLabelText());
        LabelUpload->resize(kLabelUploadWidth, LabelUpload->height());
        setListingControls(false);
        if (m_autoStage != AutoStage::Running)
            return;
        // A list cut short (its box has been shown) is not taken for all there is.
        if (complete && UsbLoggedIn.load())
            startAutoUploadWorker();
        else
            m_autoStage = AutoStage::Idle;
    });
    m_listCount = 0;
    run->start();
}

void TMainForm::setUploadRunningControls(bool running)
{
    BitBtnRefersh->setEnabled(!running);
    BitBtnUpload->setText(running ? tr("取消上传") : tr("上传选择"));
    BitBtnUpload->setEnabled(true);
    BitBtnUploadAll->setEnabled(!running);
    // The page's controls, not its tab: switching to the PC tab stays possible and cancels the
    // upload (PageControl1Change).
    TabSheetComputer->setEnabled(!running);
    BitBtnSave->setEnabled(!running);
    BitBtnExport->setEnabled(!running);
    ListViewMCU->setEnabled(!running);
    // The choice holds for a whole batch.
    CheckBoxUploadNew->setEnabled(!running);
}

void TMainForm::BitBtnUploadClick()
{
    if (const auto refusal = refusalFor(Activity::Upload)) {
        m_context.messages->warn(*refusal);
        return;
    }
    if (!UsbLoggedIn)
        return;
    if (!isUploading()) {
        QList<int> indices;
        for (const int row : ListViewMCU->selectedRows())
            indices.append(ListViewMCUModel->row(row).key.toInt());
        if (indices.isEmpty())
            return;
        // The link is used by one worker at a time; the telephone may have gone meanwhile.
        if (!waitForDeviceWorkers() || !UsbLoggedIn)
            return;
        Uploading = 1;
        startUploadWorker(indices);
        setUploadRunningControls(true);
    } else {
        // The worker ends after its exchange in progress; a new upload or list waits for that
        // (waitForDeviceWorkers), so nothing here needs to wait for it.
        Uploading = 0;
        if (m_upload)
            m_upload->requestStop();
        setUploadRunningControls(false);
    }
    resetUploadProgress();
}

void TMainForm::startUploadWorker(const QList<int> &deviceIndices, bool automatic)
{
    auto owned = std::make_unique<TStorageSingleThread>(m_link, EditSave->text(), deviceIndices);
    TStorageSingleThread *worker = owned.get();
    m_upload = std::make_shared<WorkerRun>(
        std::move(owned), [worker] { worker->Execute(); }, [worker] { worker->requestStop(); },
        QStringLiteral("TStorageSingleThread"));
    WorkerRun *run = m_upload.get();
    QObject *relay = run->relay();
    // The list's file names, to name a recording that does not arrive whole.
    QHash<int, QString> names;
    for (int row = 0; row < ListViewMCUModel->rowCount(); ++row) {
        const ReportRow &listed = ListViewMCUModel->row(row);
        if (deviceIndices.contains(listed.key.toInt()))
            names.insert(listed.key.toInt(), listed.cells.value(1));
    }
    worker->setListedNames(names);
    worker->setOnlyNew(automatic || CheckBoxUploadNew->isChecked());
    worker->setQuietCompletion(automatic);
    connect(worker, &TStorageSingleThread::labelChanged, relay, [this](const QString &text) {
        LabelUpload->setText(text);
        LabelUpload->resize(kLabelUploadWidth, LabelUpload->height());
    });
    connect(worker, &TStorageSingleThread::packetRangeChanged, relay,
            [this](int maximum) { ProgressBarUploadPacket->setRange(0, maximum); });
    connect(worker, &TStorageSingleThread::packetProgress, relay,
            [this](int value) { ProgressBarUploadPacket->setValue(value); });
    connect(worker, &TStorageSingleThread::batchRangeChanged, relay,
            [this](int maximum) { ProgressBarUpload->setRange(0, maximum); });
    connect(worker, &TStorageSingleThread::batchProgress, relay,
            [this](int value) { ProgressBarUpload->setValue(value); });
    // The worker waits until its box has been dismissed.
    connect(
        worker, &TStorageSingleThread::message, relay,
        [this](const QString &text) { m_context.messages->warn(text); },
        Qt::BlockingQueuedConnection);
    connect(worker, &TStorageSingleThread::ended, relay,
            [this, run, worker, automatic, attempt = m_autoAttempt](bool idle, bool) {
                const bool latest = run == m_upload.get();
                onUploadEnded(run, idle);
                // The automatic upload of the telephone still plugged in, not cancelled.
                if (!automatic || !latest || attempt != m_autoAttempt ||
                    m_autoStage != AutoStage::Running)
                    return;
                m_autoStage = AutoStage::Idle;
                if (idle && !worker->stopRequested())
                    autoUploadEnded(worker->uploadedCount(), worker->alreadyPresentCount(),
                                    int(worker->notWhole().size()));
            });
    run->start();
}

void TMainForm::onUploadEnded(WorkerRun *run, bool idle)
{
    // Only the latest worker's end sets the tab back; a folder that could not be created
    // leaves the tab in its running state until the upload is cancelled.
    if (!idle || run != m_upload.get())
        return;
    resetUploadProgress();
    setUploadRunningControls(false);
    Uploading = 0;
}

bool TMainForm::waitForDeviceWorkers()
{
    // A close during the wait drops the runs; these copies keep them alive until they return.
    for (const std::shared_ptr<WorkerRun> &run : {m_upload, m_list}) {
        if (run)
            run->waitUntilEnded();
    }
    return !m_closed;
}

void TMainForm::BitBtnUploadAllClick()
{
    // On an empty list the upload button finds no selected row, after its refusals.
    ListViewMCU->selectAll();
    BitBtnUploadClick();
}

void TMainForm::CheckBoxUploadNewClick(bool checked)
{
    // The box keeps the user's choice for this run even when it cannot be remembered.
    if (const auto error = sysconf::writeUploadOnlyNew(checked))
        showStandardError(*m_context.messages, *error);
}

void TMainForm::CheckBoxAutoUploadClick(bool checked)
{
    // As the "only new" box: the choice holds for this run even when it cannot be remembered.
    if (const auto error = sysconf::writeAutoUpload(checked))
        showStandardError(*m_context.messages, *error);
}

void TMainForm::startAutoUpload()
{
    if (!CheckBoxAutoUpload->isChecked() || m_closed || m_autoStage != AutoStage::Idle ||
        m_listing || isUploading() || passwordDialogOpen())
        return;
    // Nothing asks the user: what keeps the upload from starting is only noted.
    for (const Activity activity : {Activity::TelephoneList, Activity::Upload}) {
        if (const auto refusal = refusalFor(activity)) {
            showAutoHint(tr("没有自动上传：%1").arg(*refusal));
            return;
        }
    }
    m_autoStage = AutoStage::AskingKeyring;
    const int attempt = ++m_autoAttempt;
    readStoredPassword(
        telephoneIdentity(m_context.emulatorSocket), this,
        [this, attempt](const KeyringResult &result) { autoPasswordRead(attempt, result); });
}

void TMainForm::autoPasswordRead(int attempt, const KeyringResult &result)
{
    // The telephone went (or went and came back) while the keyring was asked.
    if (attempt != m_autoAttempt || m_autoStage != AutoStage::AskingKeyring)
        return;
    m_autoStage = AutoStage::Idle;
    if (m_closed || !UsbPresent.load())
        return;
    if (!result.password) {
        if (result.error.isEmpty())
            showAutoHint(tr("电话机密码未保存，没有自动上传"));
        else
            showAutoHint(tr("无法读取保存的密码，没有自动上传"), result.error);
        return;
    }
    // The user may have started the list or an upload meanwhile; playback may have started.
    if (m_listing || isUploading() || passwordDialogOpen())
        return;
    if (const auto refusal = refusalFor(Activity::TelephoneList)) {
        showAutoHint(tr("没有自动上传：%1").arg(*refusal));
        return;
    }
    m_autoStage = AutoStage::Running;
    m_autoPassword = *result.password;
    // The run is followed on the telephone tab: going there later would cancel its upload.
    PageControl1->setCurrentWidget(TabSheetMCU);
    // A cancelled upload may still be finishing its last exchange.
    if (!waitForDeviceWorkers() || attempt != m_autoAttempt) {
        m_autoPassword.clear();
        return;
    }
    if (!UsbOpened)
        startOpenWorker(); // goes on with continueListAfterOpen, which takes the password
    else
        continueListAfterOpen(true);
}

void TMainForm::startAutoUploadWorker()
{
    QList<int> indices;
    for (int row = 0; row < ListViewMCUModel->rowCount(); ++row)
        indices.append(ListViewMCUModel->row(row).key.toInt());
    if (const auto refusal = refusalFor(Activity::Upload)) {
        m_autoStage = AutoStage::Idle;
        showAutoHint(tr("没有自动上传：%1").arg(*refusal));
        return;
    }
    if (indices.isEmpty()) {
        autoUploadEnded(0, 0, 0);
        m_autoStage = AutoStage::Idle;
        return;
    }
    Uploading = 1;
    startUploadWorker(indices, true);
    setUploadRunningControls(true);
    resetUploadProgress();
}

void TMainForm::autoUploadEnded(int uploaded, int present, int notWhole)
{
    const QString counts = uploadCountsText(uploaded, present, notWhole);
    showAutoHint(counts);
    // The PC list shows what has arrived.
    if (!EditInput->text().isEmpty())
        scanComputerFolder(false);
    sendDesktopNotification(tr("新录音已上传"), counts, this, [this, counts](const QString &error) {
        // The counts stay in the label; why the desktop did not show them, in its tool tip.
        if (!error.isEmpty() && LabelUpload->text() == counts)
            LabelUpload->setToolTip(error);
    });
}

bool TMainForm::passwordDialogOpen() const
{
    return m_passwordDlg && m_passwordDlg->isVisible();
}

void TMainForm::showAutoHint(const QString &text, const QString &detail)
{
    LabelUpload->setText(text);
    LabelUpload->setToolTip(detail.isEmpty() ? text : detail);
    LabelUpload->resize(kLabelUploadWidth, LabelUpload->height());
}

void TMainForm::PageControl1Change(int)
{
    if (!isUploading())
        return;
    BitBtnUploadClick();
    m_context.messages->warn(tr("数据上传被打断，请注意！"));
}

void TMainForm::FormClose()
{
    stopComputerScan();
    m_closed = true;
    m_listing = false;
    // Every worker of the link is asked to stop, and the exchange one of them may be waiting on
    // is cut off: the close never waits out the link's time-out. An upload cut off keeps or
    // removes its file as a stopped upload does.
    for (const std::shared_ptr<WorkerRun> &run : {m_list, m_upload}) {
        if (run)
            run->requestStop();
    }
    if (m_link)
        m_link->abortTransfers();
    // Each worker ends promptly now; it is waited for before the link goes (also when a handler
    // waiting for that worker still holds the run).
    for (std::shared_ptr<WorkerRun> *run : {&m_list, &m_upload}) {
        if (*run)
            (*run)->finish();
        run->reset();
    }
    if (m_link)
        m_link->closeAtExit();
}

} // namespace tovrel
