#pragma once

#include "RecordingMessageSink.h"

#include "AppContext.h"

#include <QString>

class QWidget;
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tovrel {
class TMainForm;
class TPasswordDlg;
class TFindForm;
class TExportForm1;
} // namespace tovrel

namespace tovrel::test {

// The four windows as start-up builds them (main window, login dialog, search window, export
// dialog), reporting to a recording message sink and asking a scripted folder picker.
struct StartupWindows
{
    RecordingMessageSink messages;
    // Every prompt and preselected folder the picker was shown, and what it answers (none: the
    // user cancelled).
    QStringList pickerPrompts;
    QStringList pickerPreselections;
    std::optional<QString> pickerAnswer;
    std::unique_ptr<TMainForm> main;
    TPasswordDlg *password = nullptr;
    TFindForm *find = nullptr;
    TExportForm1 *exportForm = nullptr;

    // `adjust` fills in further context (telephone socket, timeouts, ...) before the windows are
    // built.
    explicit StartupWindows(const std::function<void(AppContext &)> &adjust = {});
    ~StartupWindows();

    StartupWindows(const StartupWindows &) = delete;
    StartupWindows &operator=(const StartupWindows &) = delete;
};

// Runs `answer` once `dialog` is shown, from within the dialog's own event loop: for a dialog a
// handler shows after work on another thread.
void answerWhenShown(QWidget *dialog, std::function<void()> answer);
// Runs a search of `find` to its end: the search reads on a thread of its own.
void runSearch(TFindForm *find);
// Waits until the PC list's folder scan has ended.
void waitForScan(TMainForm *main);

} // namespace tovrel::test
