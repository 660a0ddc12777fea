#include "DeskWindows.h"

#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"

#include "playback/PortAudioOutput.h"

#include <QApplication>

namespace tovrel {

int runWindows(const AppContext &given)
{
    // Both windows play through one sound library.
    AppContext context = given;
    if (!context.audioOutput)
        context.audioOutput = PortAudioOutput::factory();
    TMainForm mainForm(context);
    TPasswordDlg passwordDlg(context, &mainForm);
    TFindForm findForm(context, &mainForm);
    TExportForm1 exportForm(context, &mainForm);
    mainForm.setWindows(&passwordDlg, &findForm, &exportForm);
    findForm.setExportForm(&exportForm);
    mainForm.show();
    QApplication::exec();
    return 0;
}

} // namespace tovrel
