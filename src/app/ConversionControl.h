#pragma once

#include "codec/AudioFormat.h"

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace tovrel {

class ContactBook;
class ConversionRun;
class MessageSink;
class ReportListView;
class ReportModel;

// The controls one window converts recordings with, and the list whose rows (keyed by their
// files' paths) it converts.
struct ConversionControls
{
    QPushButton *selectedButton = nullptr; // BitBtn4 "转换选择"
    QPushButton *allButton = nullptr;      // BitBtn5 "转换全部"
    QProgressBar *fileBar = nullptr;       // ProgressBar1
    QProgressBar *runBar = nullptr;        // ProgressBar2
    QLabel *selectedLabel = nullptr;       // the file name while convert selected runs
    QLabel *allLabel = nullptr;            // the same for convert all
    QLineEdit *output = nullptr;           // EditOutput
    QComboBox *format = nullptr;           // ComboFormat; disabled for a run
    ReportListView *list = nullptr;
    ReportModel *model = nullptr;
    // Disabled for a run; after a failure they are left to the playback timer.
    QList<QWidget *> playButtons;
    // Disabled for a run and enabled again at its end, also after a failure.
    QList<QWidget *> runControls;
};

// Where the windows' conversion differs.
struct ConversionRules
{
    // Convert all selects every row (the search window) instead of clearing the selection.
    bool convertAllSelectsRows = false;
    // Shown instead of starting convert all over an empty list.
    QString emptyListText;
    QString selectedSucceededText =
        QCoreApplication::translate("tovrel::ConversionControl", "转换选择文件成功！");
    QString allSucceededText =
        QCoreApplication::translate("tovrel::ConversionControl", "转换全部文件成功！");
    // Opens a folder in the system's file browser; empty for QDesktopServices::openUrl.
    std::function<void(const QString &folder)> openFolder;
    // The book naming the calls in the converted files' tags (the window's list has it loaded);
    // none: no contact names.
    std::function<std::shared_ptr<const ContactBook>()> contacts;
};

// Window-side control of a conversion run over the core's conversion worker: the start and
// stop rules of the two buttons, progress, the failure and end steps, and the format the files
// are converted into, one setting of SysConf.ini for both windows: read whenever the window is
// shown or activated, stored when the user chooses another. Both the main window and the search
// window use one each; the flags are the program's ConvertSelectedFlag and ConvertAllFlag.
class ConversionControl : public QObject
{
    Q_OBJECT

public:
    ConversionControl(const ConversionControls &controls, const ConversionRules &rules,
                      MessageSink *messages, QObject *parent = nullptr);

    void selectedClick();
    void allClick();
    // True while a run of this window has not taken its end steps.
    bool isRunning() const { return m_run != nullptr; }
    // The format chosen in the window.
    AudioChoice choice() const;

signals:
    // The run has taken its end or failure steps.
    void runEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readChoice();
    void formatChosen(int index);
    bool clickHandled(bool selected);
    void startRun(bool selected);
    void setRunControlsEnabled(bool selected, bool enabled, bool withPlayButtons);
    void fileStarted(const QString &fileName, int chunkCount, qint64 overallMaximum);
    void progress(int fileChunks, qint64 runChunks);
    void failed(const QString &text);
    void finished();
    // The files of the run not converted whole, one line each, or empty.
    QString incompleteFilesText() const;
    void endRun();
    QLabel *label() const;
    QString outputFolder() const;

    ConversionControls m_c;
    ConversionRules m_rules;
    MessageSink *m_messages;
    ConversionRun *m_run = nullptr;
    bool m_selected = false;
    // "name：why" for each file of the run not converted whole.
    QStringList m_incomplete;
};

} // namespace tovrel
