#pragma once

#include "AppContext.h"
#include "ConversionPanel.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;

namespace tovrel {

class Anchors;
class ReportListView;
class ReportModel;
class TPasswordDlg;
class TFindForm;
class TExportForm1;
class TelephoneLink;
class WorkerRun;
class ListingRun;
struct ListedRow;
class PlaybackControl;
class PlayerPanel;
class ConversionControl;
class ContactColumn;
struct LoginResult;
struct KeyringResult;

// The main window: the telephone tab and the PC tab, the connection indicator, the search and
// exit buttons, and the two timers. Controls carry the names the rest of the program and the
// tests use; handlers are thin and call into the core.
class TMainForm : public QWidget
{
    Q_OBJECT

public:
    explicit TMainForm(const AppContext &context, QWidget *parent = nullptr);
    ~TMainForm() override;

    // The other windows, created after this one and kept for the whole run.
    void setWindows(TPasswordDlg *passwordDlg, TFindForm *findForm, TExportForm1 *exportForm);

    // Window level.
    QComboBox *USBComboBox = nullptr;
    QPushButton *BitBtnConnect = nullptr;
    QPushButton *FindBtn = nullptr;
    // "联系人": the contact book dialog.
    QPushButton *ContactsBtn = nullptr;
    QPushButton *ButtonExit = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QTimer *TimerUSBConnect = nullptr;
    QTimer *TimerPlayer = nullptr;

    // Telephone tab.
    QWidget *TabSheetMCU = nullptr;
    ReportListView *ListViewMCU = nullptr;
    ReportModel *ListViewMCUModel = nullptr;
    QPushButton *BitBtnRefersh = nullptr;
    QPushButton *BitBtnExport = nullptr;
    QPushButton *BitBtnUpload = nullptr;
    QPushButton *BitBtnUploadAll = nullptr;
    // "只上传新录音": the upload leaves recordings already in the folder, whole, as they are.
    QCheckBox *CheckBoxUploadNew = nullptr;
    // "插入电话机时自动上传新录音": when the telephone is plugged in and its password is in the
    // keyring, the window logs in, lists and uploads the new recordings by itself.
    QCheckBox *CheckBoxAutoUpload = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *EditSave = nullptr;
    QPushButton *BitBtnSave = nullptr;
    QLineEdit *EditFileList = nullptr;
    QLabel *LabelUpload = nullptr;
    QProgressBar *ProgressBarUploadPacket = nullptr;
    QProgressBar *ProgressBarUpload = nullptr;

    // PC tab.
    QWidget *TabSheetComputer = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *EditInput = nullptr;
    QPushButton *BitBtn3 = nullptr;
    ReportListView *ListViewFile = nullptr;
    ReportModel *ListViewFileModel = nullptr;
    QPushButton *BitBtnPlayStart = nullptr;
    QPushButton *BitBtnPlayPause = nullptr;
    QPushButton *BitBtnPlayStop = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QSlider *TrackBar1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label4 = nullptr;
    QCheckBox *CheckBoxRewind = nullptr; // "暂停后回退2秒"
    QLabel *LabelSpeed = nullptr;
    ConversionPanel *GroupBox3 = nullptr;
    QLineEdit *EditOutput = nullptr;
    QPushButton *BitBtnOutput = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QProgressBar *ProgressBar2 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn5 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;

    // True while the list button's exchanges run on their worker: the login, then the list.
    bool isReadingList() const { return m_listing; }
    // True from the telephone's appearance (with the automatic upload ticked) until its
    // automatic login, list and upload have ended, or it turned out there is nothing to do.
    bool isAutoUploading() const { return m_autoStage != AutoStage::Idle; }

    // Settings: move LocalFileBackupPath between SysConf.ini and EditSave (and the upload's
    // "only new" and automatic upload choices into their check boxes). WriteSysConf returns false
    // (after showing the standard error box) when the file cannot be written.
    void ReadSysConf();
    bool WriteSysConf();

public slots:
    // Window shell (TMainForm.cpp).
    void FormShow();
    void FormResize();
    void FindBtnClick();
    void ButtonExitClick();
    void BitBtnSaveClick();
    void BitBtnOutputClick();
    void EditSaveChange();
    // Opens the contact book dialog; when it closes the lists show their 联系人 column anew.
    void ContactsBtnClick();

    // Telephone link: connection monitor, login, list, upload (TMainFormDevice.cpp).
    void TimerUSBConnectTimer();
    void PageControl1Change(int index);
    void BitBtnRefershClick();
    void BitBtnUploadClick();
    void BitBtnUploadAllClick();
    void CheckBoxUploadNewClick(bool checked);
    void CheckBoxAutoUploadClick(bool checked);
    void FormClose();

    // PC list and WAV conversion (TMainFormComputer.cpp).
    void TabSheetComputerShow();
    void BitBtn3Click();
    // True while the PC list's folder is being read.
    bool isScanning() const;
    void BitBtn4Click();
    void BitBtn5Click();

    // Playback, seeking and stepping (TMainFormPlayback.cpp).
    void BitBtnPlayStartClick();
    void BitBtnPlayPauseClick();
    void BitBtnPlayStopClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void TimerPlayerTimer();

    // Export of the telephone's list (TMainFormExport.cpp).
    void BitBtnExportClick();

protected:
    // When the focused control is being disabled: the list of its page, or the next enabled
    // button, takes the focus (not the read-only folder edit, which would select its text).
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    // The stack of tabs: the bottom buttons follow its width.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindowRow();
    void buildTelephoneTab();
    void buildComputerTab();
    void connectHandlers();
    void connectDeviceHandlers();
    void connectComputerHandlers();
    void connectPlaybackHandlers();
    void connectExportHandlers();

    // ---- Telephone link state (TMainFormDevice.cpp) ----
    void showTelephoneTab();
    void startOpenWorker();
    void continueListAfterOpen(bool askPassword);
    void saveHeldControls();
    void restoreHeldControls();
    // Shows the login dialog modally; the text typed when OK was pressed, else nothing.
    std::optional<QString> showPasswordDlg();
    void passwordCancelled();
    void startLoginWorker(const QString &typed);
    void passwordChecked(const LoginResult &result);
    // Keeps the password of a successful login in the keyring, or without one forgets the kept
    // one; a failure is said in a box.
    void keepPassword(const std::optional<QString> &password);
    void setLoggedInControls(bool enabled);
    void resetUploadProgress();
    void setUploadRunningControls(bool running);
    // `automatic`: the upload on plugging in (only new, its end said by a desktop notification).
    void startUploadWorker(const QList<int> &deviceIndices, bool automatic = false);
    void onUploadEnded(WorkerRun *run, bool idle);
    void startListWorker();
    void setListingControls(bool listing);
    // The controls held off while the list button's exchanges run.
    QList<QWidget *> listingHeldControls() const;
    // Waits, keeping the workers' queued messages flowing, until earlier workers of the link
    // (list or upload) have ended. False when the window was closed meanwhile: the link is
    // released, nothing may follow.
    bool waitForDeviceWorkers();

    // ---- Upload on plugging in (TMainFormDevice.cpp) ----
    enum class AutoStage
    {
        Idle,
        AskingKeyring, // the stored password is being read
        Running,       // open, login, list and upload on their workers
    };
    // The telephone has just appeared: asks the keyring when the box is ticked and nothing of
    // the link runs.
    void startAutoUpload();
    void autoPasswordRead(int attempt, const KeyringResult &result);
    // The list has been read: every recording of it goes to the upload, only new.
    void startAutoUploadWorker();
    void autoUploadEnded(int uploaded, int present, int notWhole);
    // A short note in the upload label instead of a box (nothing to do, or what was done).
    void showAutoHint(const QString &text, const QString &detail = {});
    // The list button's login dialog is up: the user is logging in by hand.
    bool passwordDialogOpen() const;
    AutoStage m_autoStage = AutoStage::Idle;
    // Counts the telephone's appearances: a keyring answer or an upload's end from before the
    // latest one is not acted on.
    int m_autoAttempt = 0;
    // The stored password between the keyring's answer and the login that takes it.
    QString m_autoPassword;

    std::shared_ptr<TelephoneLink> m_link;
    // The latest upload worker with its thread (UploadThread).
    std::shared_ptr<WorkerRun> m_upload;
    // The latest worker of the list button with its thread: the login exchange, then the
    // reader of the telephone's list.
    std::shared_ptr<WorkerRun> m_list;
    // True from the start of a login until the end of the list that follows it (or until the
    // tick found no telephone).
    bool m_listing = false;
    // Which of the controls the list button holds off were enabled when its login started:
    // a login whose exchange fails leaves them as they were.
    QList<bool> m_beforeLogin;
    // The number of recordings of the list being read.
    int m_listCount = 0;
    // The messages for USB ids of SysConf.ini that were refused (after the notice of settings
    // taken over at the start), until they are shown.
    QStringList m_refusedIds;
    // Set by FormClose: the link has been flushed and closed.
    bool m_closed = false;

    // ---- PC list and conversion state (TMainFormComputer.cpp) ----
    void scanComputerFolder(bool fromTabShow);
    void showScannedRows(QList<ListedRow> rows, bool fromTabShow);
    // Stops the folder scan; its thread is waited for.
    void stopComputerScan();
    // Rows of the latest folder scan.
    int m_fileCount = 0;
    // The folder scan running, if any.
    QPointer<ListingRun> m_scan;
    // Notes of the scan's rows that could not be read.
    QStringList m_unreadNotes;
    ConversionControl *m_conversion = nullptr;

    // ---- Playback state (TMainFormPlayback.cpp) ----
    PlayerPanel *m_playerPanel = nullptr;
    PlaybackControl *m_playback = nullptr;

    // ---- Contact names (TMainForm.cpp) ----
    // The 联系人 column of the telephone's list and of the PC list.
    std::unique_ptr<ContactColumn> m_telephoneContacts;
    std::unique_ptr<ContactColumn> m_fileContacts;
    void refreshContactColumns();

    // ---- Window shell state ----

    AppContext m_context;
    TPasswordDlg *m_passwordDlg = nullptr;
    // The password to keep in the keyring once the login it was typed for succeeds (记住密码),
    // or whether to forget the one kept (the box cleared in a dialog the keyring filled).
    std::optional<QString> m_passwordToKeep;
    bool m_forgetPassword = false;
    TFindForm *m_findForm = nullptr;
    TExportForm1 *m_exportForm = nullptr;
    bool m_shownOnce = false;
    // The window manager's frame as last taken into the sizes (see followFrame).
    QSize m_frame{0, 0};
    void followFrame();
};

} // namespace tovrel
