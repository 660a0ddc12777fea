// The main window's export of the telephone's list ("导出列表").

#include "TMainForm.h"

#include "ListExport.h"
#include "ReportListView.h"

#include "activity/ActivityRules.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace tovrel {

void TMainForm::connectExportHandlers()
{
    connect(BitBtnExport, &QPushButton::clicked, this, &TMainForm::BitBtnExportClick);
}

void TMainForm::BitBtnExportClick()
{
    if (const auto refusal = refusalFor(Activity::MainListExport)) {
        m_context.messages->warn(*refusal);
        return;
    }
    EditFileList->setEnabled(false);
    // The kept folder ends in a separator; one is added should a folder lack it, so the name is
    // never glued onto the folder's last part.
    QString folder = QDir::fromNativeSeparators(EditSave->text());
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    // ".xls" is appended in every case: a name typed as "a.xls" gives "a.xls.xls".
    const QString name = EditFileList->text().isEmpty()
                             ? QStringLiteral("FileInfoList.xls")
                             : EditFileList->text() + QStringLiteral(".xls");
    exportListWithMessages(*m_context.messages, *ListViewMCU, folder + name);
    EditFileList->setEnabled(true);
}

} // namespace tovrel
