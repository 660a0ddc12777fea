#include "TExportForm1.h"

#include "ContactColumn.h"
#include "FolderPicker.h"
#include "ListExport.h"
#include "ReportListView.h"
#include "TextFit.h"

#include "export/RecordingsExport.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace tovrel {

TExportForm1::TExportForm1(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("ExportForm1"));
    setWindowTitle(tr("导出结果到Excel"));
    setFixedSize(420, 120);

    (new QLabel(tr("存储路径： "), this))->setGeometry(12, 16, 72, 20);
    PathSetEdit = new QLineEdit(QStringLiteral("SavePathEdit"), this);
    PathSetEdit->setObjectName(QStringLiteral("PathSetEdit"));
    PathSetEdit->setGeometry(88, 14, 282, 22);
    BtnPathSet = new QPushButton(this);
    BtnPathSet->setObjectName(QStringLiteral("BtnPathSet"));
    BtnPathSet->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BtnPathSet->setGeometry(376, 12, 30, 26);

    (new QLabel(tr("文件名： "), this))->setGeometry(12, 48, 72, 20);
    FileNameEdit = new QLineEdit(QStringLiteral("FileNameEdit"), this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setGeometry(88, 46, 282, 22);

    CheckBoxAudio = new QCheckBox(tr("同时导出录音"), this);
    CheckBoxAudio->setObjectName(QStringLiteral("CheckBoxAudio"));
    CheckBoxAudio->setGeometry(88, 84, 120, 22);
    CheckBoxAudio->setChecked(false);

    BtnOK = new QPushButton(tr("确定"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setGeometry(220, 82, 80, 26);
    BtnCanel = new QPushButton(tr("退出"), this);
    BtnCanel->setObjectName(QStringLiteral("BtnCanel"));
    BtnCanel->setGeometry(310, 82, 80, 26);
    connect(BtnOK, &QPushButton::clicked, this, &TExportForm1::BtnOKClick);
    connect(BtnPathSet, &QPushButton::clicked, this, &TExportForm1::BtnPathSetClick);
    connect(BtnCanel, &QPushButton::clicked, this, &TExportForm1::BtnCanelClick);
    fitTexts(this);
}

void TExportForm1::prepareForSearchResults(ReportListView *list, const QString &searchFolder)
{
    m_list = list;
    FileNameEdit->setText(tr("查找结果.xls"));
    PathSetEdit->setText(searchFolder);
}

void TExportForm1::showForSearchResults(ReportListView *list, const QString &searchFolder)
{
    prepareForSearchResults(list, searchFolder);
    exec();
}

void TExportForm1::BtnOKClick()
{
    // A name without ".xls" anywhere in it (case-sensitive) gets it appended; "a.xlsx" and
    // "a.xls.bak" stay as typed.
    if (!FileNameEdit->text().isEmpty() && !FileNameEdit->text().contains(QStringLiteral(".xls")))
        FileNameEdit->setText(FileNameEdit->text() + QStringLiteral(".xls"));
    FileNameEdit->setEnabled(false);

    const Message refusal{QStringLiteral("Error"), {}, MessageIcon::None, MessageButtons::Ok};
    const bool empty = !m_list || !m_list->reportModel() || m_list->reportModel()->rowCount() == 0;
    if (empty) {
        m_context.messages->show({refusal.caption, tr("列表空！"), refusal.icon, refusal.buttons});
        FileNameEdit->setEnabled(true);
        return;
    }
    QString folder = QDir::fromNativeSeparators(PathSetEdit->text());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        m_context.messages->show(
            {refusal.caption, tr("目录设置错误！"), refusal.icon, refusal.buttons});
        FileNameEdit->setEnabled(true);
        return;
    }
    // A typed folder may lack the closing separator; the name is not glued onto its last part.
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QString name = FileNameEdit->text().isEmpty() ? tr("查找结果.xls") : FileNameEdit->text();
    if (CheckBoxAudio->isChecked()) {
        // The recordings go as they are unless the conversion groups' format is another than
        // WAV: then each is converted into it, its tags naming the call.
        RecordingsExportRequest request;
        request.format = sysconf::readConversionChoice();
        request.wav = request.format.format != AudioFormat::Wav;
        if (request.wav)
            request.contacts = loadUserContacts(*m_context.messages);
        exportListWithRecordingsWithMessages(*m_context.messages, *m_list, folder + name, request);
    } else
        exportListWithMessages(*m_context.messages, *m_list, folder + name);
    FileNameEdit->setEnabled(true);
}

void TExportForm1::BtnPathSetClick()
{
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, PathSetEdit->text());
    if (chosen)
        PathSetEdit->setText(withTrailingSeparator(*chosen));
}

void TExportForm1::BtnCanelClick()
{
    reject();
}

} // namespace tovrel
