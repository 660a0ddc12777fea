#include "DeskWindows.h"

#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"

#include <QApplication>

namespace tovrel {

int runWindows(const AppContext &context)
{
    TMainForm mainForm(context);
    TPasswordDlg passwordDlg(context, &mainForm);
    TFindForm findForm(context, &mainForm);
    TExportForm1 exportForm(context, &mainForm);
    mainForm.setWindows(&passwordDlg, &findForm, &exportForm);
    mainForm.show();
    QApplication::exec();
    return 0;
}

} // namespace tovrel
