#include "TMainForm.h"

#include "Anchors.h"
#include "ContactColumn.h"
#include "ContactsDialog.h"
#include "ControlMaking.h"
#include "NoteEditor.h"
#include "PlayerPanel.h"
#include "ReportListView.h"
#include "StandardError.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TPasswordDlg.h"
#include "TextFit.h"

#include "Utf8Text.h"
#include "activity/ActivityRules.h"
#include "report/RecordingColumns.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

namespace tovrel {
namespace {

// Design sizes the anchored layout is drawn for; anchors carry controls along from there.
constexpr QSize kWindowDesign{666, 685};
constexpr QSize kWindowMinimum{550, 450};
constexpr QSize kPageDesign{650, 637};
constexpr QSize kTabDesign{642, 610};
// Least gap between a bottom button of the telephone tab and the tab's right edge.
constexpr int kButtonEdgeGap = 2;
constexpr Qt::Edges kAll = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
constexpr Qt::Edges kTopLeft = Qt::LeftEdge | Qt::TopEdge;
constexpr Qt::Edges kTopRight = Qt::RightEdge | Qt::TopEdge;
constexpr Qt::Edges kTopStretch = Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge;
constexpr Qt::Edges kBottomLeft = Qt::LeftEdge | Qt::BottomEdge;
constexpr Qt::Edges kBottomRight = Qt::RightEdge | Qt::BottomEdge;
constexpr Qt::Edges kBottomStretch = Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge;

// The PC tab's player row and conversion group, under the list; they widen with the tab.
constexpr PlayerPanelLayout kPlayerLayout{.size = {632, 26},
                                          .trackBar = {156, 0, 170, 26},
                                          .elapsed = {332, 5, 56, 16},
                                          .separator = {390, 5, 8, 16},
                                          .total = {400, 5, 56, 16},
                                          .speed = {460, 5, 40, 16},
                                          .rewind = {504, 4, 128, 18},
                                          .elapsedName = "Label3",
                                          .separatorName = "Label5",
                                          .totalName = "Label4"};
constexpr ConversionPanelLayout kConversionLayout{.name = "GroupBox3",
                                                  .size = {634, 126},
                                                  .output = {74, 20, 484, 22},
                                                  .outputButton = {562, 18, 28, 26},
                                                  .selectedLabel = {74, 46, 428, 14},
                                                  .selectedLabelName = "Label10",
                                                  .fileBar = {74, 62, 428, 16},
                                                  .allLabel = {74, 82, 428, 14},
                                                  .allLabelName = "Label11",
                                                  .runBar = {74, 98, 428, 16},
                                                  .selectedButton = {510, 56, 116, 26},
                                                  .allButton = {510, 90, 116, 26}};

QList<ReportColumn> recordingColumns()
{
    return recordingListColumns();
}

// A recording list fits its width as far as its texts allow: the file-name and then the number
// column give way, down to their longest texts.
void fitRecordingColumns(ReportListView *list)
{
    list->setElasticColumns({1, 2});
}

QLabel *caption(QWidget *parent, const QString &text)
{
    return new QLabel(text, parent);
}

} // namespace

TMainForm::TMainForm(const AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(programTitle());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    setMinimumSize(kWindowMinimum);
    resize(kWindowDesign);
    move(410, 48);

    buildWindowRow();
    buildTelephoneTab();
    buildComputerTab();
    m_telephoneContacts = std::make_unique<ContactColumn>(ListViewMCUModel, kListNumberColumn);
    m_fileContacts = std::make_unique<ContactColumn>(ListViewFileModel, kListNumberColumn);
    ListViewMCU->keepColumnWidths(m_context.messages);
    ListViewFile->keepColumnWidths(m_context.messages);
    PageControl1->setCurrentWidget(TabSheetMCU);
    TabSheetMCU->parentWidget()->installEventFilter(this);

    TimerUSBConnect = new QTimer(this);
    TimerUSBConnect->setObjectName(QStringLiteral("TimerUSBConnect"));
    TimerUSBConnect->setInterval(800);
    TimerPlayer = new QTimer(this);
    TimerPlayer->setObjectName(QStringLiteral("TimerPlayer"));
    TimerPlayer->setInterval(800);

    connectHandlers();
    TimerUSBConnect->start();
    TimerPlayer->start();
    fitTexts(this);
    FormResize();
}

TMainForm::~TMainForm() = default;

void TMainForm::setWindows(TPasswordDlg *passwordDlg, TFindForm *findForm, TExportForm1 *exportForm)
{
    m_passwordDlg = passwordDlg;
    m_findForm = findForm;
    m_exportForm = exportForm;
}

void TMainForm::buildWindowRow()
{
    auto *anchors = new Anchors(this, kWindowDesign);

    USBComboBox = new QComboBox(this);
    USBComboBox->setObjectName(QStringLiteral("USBComboBox"));
    USBComboBox->hide();

    BitBtnConnect =
        controls::pictureButton(this, "BitBtnConnect", QStyle::SP_DriveNetIcon, tr("USB 未连接"));
    BitBtnConnect->setEnabled(false);
    anchors->place(BitBtnConnect, {352, 8, 128, 26}, kTopRight);

    FindBtn = new QPushButton(tr("查询"), this);
    FindBtn->setObjectName(QStringLiteral("FindBtn"));
    anchors->place(FindBtn, {488, 8, 80, 26}, kTopRight);

    ContactsBtn = new QPushButton(tr("联系人"), this);
    ContactsBtn->setObjectName(QStringLiteral("ContactsBtn"));
    anchors->place(ContactsBtn, {264, 8, 80, 26}, kTopRight);

    ButtonExit = new QPushButton(tr("退出系统"), this);
    ButtonExit->setObjectName(QStringLiteral("ButtonExit"));
    anchors->place(ButtonExit, {576, 8, 82, 26}, kTopRight);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    QFont tabFont;
    tabFont.setFamilies({u("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                         QStringLiteral("Noto Serif CJK SC")});
    tabFont.setPixelSize(12);
    PageControl1->setFont(tabFont);
    anchors->place(PageControl1, {QPoint(8, 40), kPageDesign}, kAll);
}

void TMainForm::buildTelephoneTab()
{
    TabSheetMCU = new QWidget;
    TabSheetMCU->setObjectName(QStringLiteral("TabSheetMCU"));
    PageControl1->addTab(TabSheetMCU, tr("录音电话机"));
    auto *anchors = new Anchors(TabSheetMCU, kTabDesign);

    ListViewMCUModel = new ReportModel(this);
    // The telephone's file-name and number columns are held between set limits.
    QList<ReportColumn> telephoneColumns = recordingColumns();
    telephoneColumns[1].minWidth = 150;
    telephoneColumns[1].maxWidth = 300;
    telephoneColumns[2].minWidth = 50;
    telephoneColumns[2].maxWidth = 250;
    ListViewMCUModel->setColumns(telephoneColumns);
    ListViewMCU = new ReportListView(TabSheetMCU);
    ListViewMCU->setObjectName(QStringLiteral("ListViewMCU"));
    ListViewMCU->setReportModel(ListViewMCUModel);
    fitRecordingColumns(ListViewMCU);
    anchors->place(ListViewMCU, {4, 4, 634, 426}, kAll);
    CheckBoxAutoUpload = new QCheckBox(tr("插入电话机时自动上传新录音"), TabSheetMCU);
    CheckBoxAutoUpload->setObjectName(QStringLiteral("CheckBoxAutoUpload"));
    anchors->place(CheckBoxAutoUpload, {4, 434, 360, 18}, kBottomLeft);

    // The four bottom buttons: vertical place by anchor, horizontal place by FormResize.
    struct BottomButton
    {
        QPushButton **slot;
        const char *name;
        const char *text;
        int width;
    };
    const BottomButton buttons[] = {
        {&BitBtnRefersh, "BitBtnRefersh", QT_TRANSLATE_NOOP("tovrel::TMainForm", "上传列表"), 97},
        {&BitBtnExport, "BitBtnExport", QT_TRANSLATE_NOOP("tovrel::TMainForm", "导出列表"), 97},
        {&BitBtnUpload, "BitBtnUpload", QT_TRANSLATE_NOOP("tovrel::TMainForm", "上传选择"), 105},
        {&BitBtnUploadAll, "BitBtnUploadAll", QT_TRANSLATE_NOOP("tovrel::TMainForm", "上传全部"),
         97},
    };
    for (const BottomButton &b : buttons) {
        *b.slot = new QPushButton(tr(b.text), TabSheetMCU);
        (*b.slot)->setObjectName(QString::fromLatin1(b.name));
        anchors->place(*b.slot, {0, 458, b.width, 28}, Qt::BottomEdge);
    }

    GroupBox1 = new QGroupBox(tr("保存位置"), TabSheetMCU);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    anchors->place(GroupBox1, {4, 492, 634, 60}, kBottomStretch);
    auto *group = new Anchors(GroupBox1, {634, 60});
    group->place(caption(GroupBox1, tr("目录")), {10, 26, 30, 16}, kTopLeft);
    EditSave = new QLineEdit(u("C:\\record\\"), GroupBox1);
    EditSave->setObjectName(QStringLiteral("EditSave"));
    EditSave->setReadOnly(true);
    group->place(EditSave, {42, 22, 380, 22}, kTopStretch);
    BitBtnSave = controls::pictureButton(GroupBox1, "BitBtnSave", QStyle::SP_DirOpenIcon);
    group->place(BitBtnSave, {426, 20, 28, 26}, kTopRight);
    group->place(caption(GroupBox1, tr("文件名..")), {462, 26, 50, 16}, kTopRight);
    EditFileList = new QLineEdit(tr("电话列表List"), GroupBox1);
    EditFileList->setObjectName(QStringLiteral("EditFileList"));
    group->place(EditFileList, {514, 22, 112, 22}, kTopRight);

    LabelUpload = caption(TabSheetMCU, tr("上传进度   "));
    LabelUpload->setObjectName(QStringLiteral("LabelUpload"));
    anchors->place(LabelUpload, {4, 556, 300, 16}, kBottomLeft);
    CheckBoxUploadNew = new QCheckBox(tr("只上传新录音"), TabSheetMCU);
    CheckBoxUploadNew->setObjectName(QStringLiteral("CheckBoxUploadNew"));
    anchors->place(CheckBoxUploadNew, {488, 554, 150, 18}, kBottomRight);
    ProgressBarUploadPacket = controls::progressBar(TabSheetMCU, "ProgressBarUploadPacket");
    anchors->place(ProgressBarUploadPacket, {4, 574, 634, 14}, kBottomStretch);
    ProgressBarUpload = controls::progressBar(TabSheetMCU, "ProgressBarUpload");
    anchors->place(ProgressBarUpload, {4, 591, 634, 14}, kBottomStretch);
}

void TMainForm::buildComputerTab()
{
    TabSheetComputer = new QWidget;
    TabSheetComputer->setObjectName(QStringLiteral("TabSheetComputer"));
    PageControl1->addTab(TabSheetComputer, tr("PC机"));
    auto *anchors = new Anchors(TabSheetComputer, kTabDesign);

    Label9 = caption(TabSheetComputer, tr("当前目录："));
    Label9->setObjectName(QStringLiteral("Label9"));
    anchors->place(Label9, {4, 8, 72, 16}, kTopLeft);
    EditInput = new QLineEdit(TabSheetComputer);
    EditInput->setObjectName(QStringLiteral("EditInput"));
    EditInput->setEnabled(false);
    anchors->place(EditInput, {78, 4, 524, 22}, kTopStretch);
    BitBtn3 = controls::pictureButton(TabSheetComputer, "BitBtn3", QStyle::SP_DirOpenIcon);
    anchors->place(BitBtn3, {606, 2, 30, 26}, kTopRight);

    ListViewFileModel = new ReportModel(this);
    QList<ReportColumn> fileColumns = recordingColumns();
    fileColumns[1].alignment = Qt::AlignHCenter;
    fileColumns.append(noteColumn());
    ListViewFileModel->setColumns(fileColumns);
    ListViewFile = new ReportListView(TabSheetComputer);
    ListViewFile->setObjectName(QStringLiteral("ListViewFile"));
    ListViewFile->setReportModel(ListViewFileModel);
    fitRecordingColumns(ListViewFile);
    anchors->place(ListViewFile, {4, 32, 634, 410}, kAll);

    m_playerPanel = new PlayerPanel(TabSheetComputer, kPlayerLayout);
    anchors->place(m_playerPanel, {QPoint(4, 448), kPlayerLayout.size}, kBottomStretch);
    BitBtnPlayStart = m_playerPanel->start;
    BitBtnPlayPause = m_playerPanel->pause;
    BitBtnPlayStop = m_playerPanel->stop;
    BitBtn2 = m_playerPanel->previous;
    BitBtn1 = m_playerPanel->next;
    TrackBar1 = m_playerPanel->trackBar;
    Label3 = m_playerPanel->elapsed;
    Label5 = m_playerPanel->separator;
    Label4 = m_playerPanel->total;
    LabelSpeed = m_playerPanel->speed;
    CheckBoxRewind = m_playerPanel->rewind;

    GroupBox3 = new ConversionPanel(TabSheetComputer, kConversionLayout);
    anchors->place(GroupBox3, {QPoint(4, 480), kConversionLayout.size}, kBottomStretch);
    EditOutput = GroupBox3->output;
    BitBtnOutput = GroupBox3->outputButton;
    Label10 = GroupBox3->selectedLabel;
    ProgressBar1 = GroupBox3->fileBar;
    Label11 = GroupBox3->allLabel;
    ProgressBar2 = GroupBox3->runBar;
    BitBtn4 = GroupBox3->selectedButton;
    BitBtn5 = GroupBox3->allButton;
}

void TMainForm::connectHandlers()
{
    connect(FindBtn, &QPushButton::clicked, this, &TMainForm::FindBtnClick);
    connect(ContactsBtn, &QPushButton::clicked, this, &TMainForm::ContactsBtnClick);
    connect(ButtonExit, &QPushButton::clicked, this, &TMainForm::ButtonExitClick);
    connect(BitBtnSave, &QPushButton::clicked, this, &TMainForm::BitBtnSaveClick);
    connect(BitBtnOutput, &QPushButton::clicked, this, &TMainForm::BitBtnOutputClick);
    connect(EditSave, &QLineEdit::textChanged, this, &TMainForm::EditSaveChange);
    connectDeviceHandlers();
    connectComputerHandlers();
    connectPlaybackHandlers();
    connectExportHandlers();
}

void TMainForm::ContactsBtnClick()
{
    auto *dialog = new ContactsDialog(m_context, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &TMainForm::refreshContactColumns);
    dialog->open();
}

void TMainForm::refreshContactColumns()
{
    // The book is read once for the three lists.
    const auto book = loadUserContacts(*m_context.messages);
    m_telephoneContacts->show(book);
    m_fileContacts->show(book);
    if (m_findForm)
        m_findForm->showContacts(book);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    followFrame();
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TMainForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A window manager reports its frame after the window is shown, when it has put the
    // window into the frame (which moves it).
    followFrame();
}

void TMainForm::followFrame()
{
    // The designed and the minimum sizes are outer sizes, frame included. A frame may have a
    // title bar but no side borders, so either margin alone counts.
    if (!isVisible() || !windowHandle())
        return;
    const QMargins margins = windowHandle()->frameMargins();
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (frame == m_frame)
        return;
    const bool atDesign = size() + m_frame == kWindowDesign;
    m_frame = frame;
    setMinimumSize(kWindowMinimum - frame);
    // A window the user has not resized yet keeps its designed outer size.
    if (atDesign)
        resize(kWindowDesign - frame);
    FormResize();
}

bool TMainForm::focusNextPrevChild(bool next)
{
    QWidget *current = focusWidget();
    if (!current || current->isEnabled())
        return QWidget::focusNextPrevChild(next);

    // Qt hands the focus on because `current` has just been disabled.
    const auto takes = [](QWidget *w) {
        return w && w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus);
    };
    QWidget *page = PageControl1->currentWidget();
    QWidget *list = page == TabSheetMCU ? static_cast<QWidget *>(ListViewMCU)
                                        : static_cast<QWidget *>(ListViewFile);
    if (page && page->isAncestorOf(current) && takes(list)) {
        list->setFocus(Qt::OtherFocusReason);
        return true;
    }
    // The next enabled button, on the same page first.
    for (const bool samePage : {true, false}) {
        for (QWidget *w = current->nextInFocusChain(); w && w != current;
             w = w->nextInFocusChain()) {
            if (!qobject_cast<QPushButton *>(w) || !takes(w))
                continue;
            if (samePage && !(page && page->isAncestorOf(w)))
                continue;
            w->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && TabSheetMCU && watched == TabSheetMCU->parentWidget())
        FormResize();
    return QWidget::eventFilter(watched, event);
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TMainForm::FormShow()
{
    showTelephoneTab();
    ReadSysConf();
    EditInput->setText(EditSave->text());
}

void TMainForm::FormResize()
{
    if (!BitBtnUploadAll)
        return;
    // Each of the four buttons is centred in one quarter of the window's outer width.
    const int q = frameGeometry().width() / 4;
    QPushButton *const buttons[] = {BitBtnRefersh, BitBtnExport, BitBtnUpload, BitBtnUploadAll};
    // Near the minimum width the last quarter reaches past the tab's edge: a button is held
    // inside the tab rather than drawn over its border.
    // (The tab itself is resized only while it is the current one; the stack of tabs that
    // holds it follows the tab control once that is shown, and brings this rule back then.)
    const QWidget *stack = TabSheetMCU->parentWidget();
    const int tabWidth = stack && PageControl1->isVisible()
                             ? stack->width()
                             : PageControl1->width() - (kPageDesign.width() - kTabDesign.width());
    const int right = tabWidth - kButtonEdgeGap;
    for (int i = 0; i < 4; ++i) {
        const int left = i * q + (q - buttons[i]->width()) / 2;
        buttons[i]->move(qMin(left, right - buttons[i]->width()), buttons[i]->y());
    }
}

void TMainForm::ReadSysConf()
{
    EditSave->setText(sysconf::readLocalFileBackupPath());
    CheckBoxUploadNew->setChecked(sysconf::readUploadOnlyNew());
    CheckBoxAutoUpload->setChecked(sysconf::readAutoUpload());
}

bool TMainForm::WriteSysConf()
{
    if (const auto error = sysconf::writeLocalFileBackupPath(EditSave->text())) {
        showStandardError(*m_context.messages, *error);
        return false;
    }
    return true;
}

void TMainForm::FindBtnClick()
{
    if (const auto refusal = refusalFor(Activity::OpenSearch)) {
        m_context.messages->warn(*refusal);
        return;
    }
    if (!m_findForm)
        return;
    const QString folder =
        EditSave->text().isEmpty() ? sysconf::defaultRecordFolder() : EditSave->text();
    m_findForm->setSearchFolder(folder);
    m_findForm->setLocalFolder(EditSave->text());
    TimerPlayer->stop();
    m_findForm->exec();
    TimerPlayer->start();
}

void TMainForm::ButtonExitClick()
{
    close();
}

void TMainForm::BitBtnSaveClick()
{
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, QDir::rootPath());
    if (!chosen)
        return;
    EditSave->setText(withTrailingSeparator(*chosen));
    if (!WriteSysConf())
        return;
    EditInput->setText(EditSave->text());
}

void TMainForm::BitBtnOutputClick()
{
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, EditSave->text());
    if (!chosen)
        return;
    EditOutput->setText(withTrailingSeparator(*chosen));
}

void TMainForm::EditSaveChange() {}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

} // namespace tovrel
