#pragma once

#include "AppContext.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tovrel {

class ReportListView;

// The small dialog that asks where a search result is exported to: the folder, the file name,
// OK ("确定") to export, "退出" to close. The dialog stays open after an export.
class TExportForm1 : public QDialog
{
    Q_OBJECT

public:
    explicit TExportForm1(const AppContext &context, QWidget *parent = nullptr);

    // The search window's "导出": fills the dialog for `list` (the search results) with the
    // search folder and the name "查找结果.xls", replacing whatever was typed before, and shows
    // it modally until it is closed.
    void showForSearchResults(ReportListView *list, const QString &searchFolder);
    // The filling alone, without showing (showForSearchResults does both).
    void prepareForSearchResults(ReportListView *list, const QString &searchFolder);

    QLineEdit *PathSetEdit = nullptr;
    QPushButton *BtnPathSet = nullptr;
    QLineEdit *FileNameEdit = nullptr;
    // "同时导出录音": the found recordings go into a folder named after the workbook beside it,
    // and the workbook names each row's file. Off at start; kept from one showing to the next.
    // Copied as they are, or converted when the conversion groups' format is FLAC, Opus or MP3.
    QCheckBox *CheckBoxAudio = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCanel = nullptr;

public slots:
    void BtnOKClick();
    void BtnPathSetClick();
    void BtnCanelClick();

private:
    AppContext m_context;
    QPointer<ReportListView> m_list;
};

} // namespace tovrel
