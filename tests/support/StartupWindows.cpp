#include "StartupWindows.h"

#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"

namespace tovrel::test {

StartupWindows::StartupWindows(const std::function<void(AppContext &)> &adjust)
{
    AppContext context;
    context.messages = &messages;
    context.pickFolder = [this](const QString &prompt, const QString &, const QString &preselect) {
        pickerPrompts.append(prompt);
        pickerPreselections.append(preselect);
        return pickerAnswer;
    };
    if (adjust)
        adjust(context);
    main = std::make_unique<TMainForm>(context);
    password = new TPasswordDlg(context, main.get());
    find = new TFindForm(context, main.get());
    exportForm = new TExportForm1(context, main.get());
    main->setWindows(password, find, exportForm);
}

StartupWindows::~StartupWindows() = default;

} // namespace tovrel::test
