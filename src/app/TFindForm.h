#pragma once

#include "AppContext.h"
#include "ConversionPanel.h"

#include "search/SearchCriteria.h"
#include "search/SearchScan.h"

#include <QDateTime>
#include <QPointer>

#include <QDialog>
#include <memory>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QStatusBar;
class QTimeEdit;
class QTimer;

namespace tovrel {

class ContactColumn;
class ListingRun;
struct ListedRow;
class ConversionControl;
class TExportForm1;
class PlaybackControl;
class PlayerPanel;
class ReportListView;
class ReportModel;

// The search window: finds recordings in a folder tree by time, number, kind and duration, lists
// them with their folders, and plays and converts the rows found with its own controls.
class TFindForm : public QDialog
{
    Q_OBJECT

public:
    explicit TFindForm(const AppContext &context, QWidget *parent = nullptr);
    ~TFindForm() override;

    // The folder the search starts from (SearchFolder); also shown in FindPathEdit.
    void setSearchFolder(const QString &folder);
    QString searchFolder() const { return m_searchFolder; }
    // The main window's local recording folder, where the output folder picker opens.
    void setLocalFolder(const QString &folder) { m_localFolder = folder; }
    // The export dialog that "导出" shows for the result list.
    void setExportForm(TExportForm1 *exportForm) { m_exportForm = exportForm; }

    // The full values of the four pickers (each picker shows only its date or its time part).
    QDateTime startDateValue() const { return m_startDate; }
    QDateTime startTimeValue() const { return m_startTime; }
    QDateTime endDateValue() const { return m_endDate; }
    QDateTime endTimeValue() const { return m_endTime; }
    quint32 minSeconds() const { return m_minSeconds; }
    quint32 maxSeconds() const { return m_maxSeconds; }
    quint8 directionMask() const { return m_directionMask; }
    // The text of the status bar's panel.
    QString statusText() const;
    // True while a search runs (its button then reads "停止查询").
    bool isSearching() const;
    // Shows, hides or renames the results' 联系人 column to match `book` (the book changed).
    void showContacts(std::shared_ptr<const ContactBook> book);

    // Search criteria.
    QGroupBox *GroupBox5 = nullptr;
    QLineEdit *FindPathEdit = nullptr;
    QPushButton *BitBtnFind = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *TimeFindCheck = nullptr;
    QDateEdit *StartDate = nullptr;
    QTimeEdit *StartTime = nullptr;
    QDateEdit *EndDate = nullptr;
    QTimeEdit *EndTime = nullptr;
    QGroupBox *GroupBox6 = nullptr;
    QLineEdit *StartLengthEdit = nullptr;
    QLineEdit *EndLengthEdit = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QLineEdit *PhoneCodeEdit = nullptr;
    // "联系人": the name of the number's contact holds this text (any character may be typed).
    QLineEdit *ContactNameEdit = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QCheckBox *CallInRadio = nullptr;
    QCheckBox *CallOutRadio = nullptr;
    QCheckBox *RecordRadio = nullptr;
    QLineEdit *NoteFindEdit = nullptr;
    QPushButton *BtnFind = nullptr;
    QPushButton *BtnExport = nullptr;
    QPushButton *BtnCanel = nullptr;
    ReportListView *FindListView = nullptr;
    ReportModel *FindListViewModel = nullptr;
    QStatusBar *FindStatusBar = nullptr;

    // Playback.
    QPushButton *BitBtnPlayStart = nullptr;
    QPushButton *BitBtnPlayPause = nullptr;
    QPushButton *BitBtnPlayStop = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QSlider *TrackBar1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *LabelSpeed = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label6 = nullptr;
    QCheckBox *CheckBoxRewind = nullptr; // "暂停后回退2秒"
    QTimer *TimerPlayer = nullptr;

    // Conversion.
    ConversionPanel *GroupBox2 = nullptr;
    QLineEdit *EditOutput = nullptr;
    QPushButton *BitBtnOutput = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QProgressBar *ProgressBar2 = nullptr;
    QLabel *Label13 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn5 = nullptr;

public slots:
    void BtnFindClick();
    void TimeFindCheckClick();
    void CallInRadioClick();
    void CallOutRadioClick();
    void RecordRadioClick();
    void StartDateChange();
    void EndDateChange();
    void StartLengthEditChange();
    void EndLengthEditChange();
    void BitBtnFindClick();
    void BtnCanelClick();
    void BtnExportClick();
    void FormClose();

    void BitBtnPlayStartClick();
    void BitBtnPlayPauseClick();
    void BitBtnPlayStopClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void TimerPlayerTimer();
    void BitBtnOutputClick();
    void BitBtn4Click();
    void BitBtn5Click();

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildCriteria();
    void buildNoteField();
    void buildPlayback();
    void buildConversion();
    void connectHandlers();
    void setPickers(const QDateTime &startDate, const QDateTime &startTime,
                    const QDateTime &endDate, const QDateTime &endTime);
    bool lengthEditChanged(QLineEdit *edit, quint32 *bound);
    bool digitFilter(const QKeyEvent *key);
    bool isCriteriaField(const QObject *object) const;

    AppContext m_context;
    QString m_searchFolder;
    TExportForm1 *m_exportForm = nullptr;
    QString m_localFolder;
    QDateTime m_startDate;
    QDateTime m_startTime;
    QDateTime m_endDate;
    QDateTime m_endTime;
    quint32 m_minSeconds = 0;
    quint32 m_maxSeconds = 0;
    quint8 m_directionMask =
        search::DirectionIncoming | search::DirectionOutgoing | search::DirectionLocal;
    search::SearchCounts m_counts;
    QLabel *m_statusPanel = nullptr;
    PlayerPanel *m_playerPanel = nullptr;
    // The search running, if any, and the notes of its rows that could not be read.
    QPointer<ListingRun> m_search;
    QStringList m_unread;
    void showFoundRows(QList<ListedRow> rows);
    void searchEnded(const search::SearchOutcome &outcome, const QStringList &unread);
    PlaybackControl *m_playback = nullptr;
    ConversionControl *m_conversion = nullptr;
    std::unique_ptr<ContactColumn> m_contacts;
};

} // namespace tovrel
