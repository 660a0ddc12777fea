#include "TFindForm.h"

#include "ContactColumn.h"
#include "ControlMaking.h"
#include "ConversionControl.h"
#include "ConversionPanel.h"
#include "ListingRun.h"
#include "NoteEditor.h"
#include "PickerTyping.h"
#include "PlaybackControl.h"
#include "PlayerKeys.h"
#include "PlayerPanel.h"
#include "ReportListView.h"
#include "StandardError.h"
#include "TExportForm1.h"
#include "TextFit.h"

#include "Utf8Text.h"
#include "activity/ActivityFlags.h"
#include "notes/NoteColumn.h"
#include "notes/RecordingNote.h"
#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"
#include "recordings/FolderScan.h"
#include "report/ReportModel.h"
#include "search/SearchScan.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimeEdit>
#include <QTimer>

#include <variant>

namespace tovrel {
namespace {

// The pickers' values until the time box is first clicked.
const QDateTime kDesignedPickerValue(QDate(2009, 9, 28), QTime(17, 32, 48));

QLabel *caption(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

QGroupBox *group(QWidget *parent, const char *name, const char *title, const QRect &geometry)
{
    auto *box = new QGroupBox(QCoreApplication::translate("tovrel::TFindForm", title), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

QChar widestDigit(const QFontMetrics &metrics)
{
    QChar widest = QLatin1Char('0');
    for (char c = '1'; c <= '9'; ++c) {
        if (metrics.horizontalAdvance(QLatin1Char(c)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(c);
    }
    return widest;
}

// The player row and the conversion group under the result list.
constexpr PlayerPanelLayout kPlayerLayout{.size = {788, 26},
                                          .trackBar = {156, 0, 330, 26},
                                          .elapsed = {492, 5, 56, 16},
                                          .separator = {550, 5, 8, 16},
                                          .total = {560, 5, 56, 16},
                                          .speed = {622, 5, 36, 16},
                                          .rewind = {662, 3, 126, 18},
                                          .elapsedName = "Label5",
                                          .separatorName = "Label7",
                                          .totalName = "Label6"};
constexpr ConversionPanelLayout kConversionLayout{.name = "GroupBox2",
                                                  .size = {784, 128},
                                                  .output = {74, 20, 634, 22},
                                                  .outputButton = {714, 18, 28, 26},
                                                  .selectedLabel = {74, 46, 560, 14},
                                                  .selectedLabelName = "Label13",
                                                  .fileBar = {74, 64, 560, 16},
                                                  // Label13 names the file of either run.
                                                  .allLabel = {},
                                                  .allLabelName = nullptr,
                                                  .runBar = {74, 98, 560, 16},
                                                  .selectedButton = {650, 56, 116, 26},
                                                  .allButton = {650, 90, 116, 26}};

} // namespace

TFindForm::TFindForm(const AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(tr("查询窗口"));
    resize(800, 640);
    // Every control is placed for this size: the window is not made smaller.
    setMinimumSize(size());
    buildCriteria();
    buildPlayback();
    buildConversion();
    connectHandlers();
    TimerPlayer->start();
    fitTexts(this);
}

TFindForm::~TFindForm() = default;

void TFindForm::buildCriteria()
{
    GroupBox5 = group(this, "GroupBox5", QT_TRANSLATE_NOOP("tovrel::TFindForm", "查询目录设置"),
                      {8, 4, 784, 50});
    FindPathEdit = new QLineEdit(GroupBox5);
    FindPathEdit->setObjectName(QStringLiteral("FindPathEdit"));
    FindPathEdit->setEnabled(false);
    FindPathEdit->setGeometry(10, 20, 724, 22);
    BitBtnFind = controls::pictureButton(GroupBox5, "BitBtnFind", QStyle::SP_DirOpenIcon);
    BitBtnFind->setGeometry(740, 18, 30, 26);

    GroupBox1 = group(this, "GroupBox1", QT_TRANSLATE_NOOP("tovrel::TFindForm", "按日期时间查询"),
                      {8, 58, 390, 96});
    TimeFindCheck = new QCheckBox(tr("日期时间查询"), GroupBox1);
    TimeFindCheck->setObjectName(QStringLiteral("TimeFindCheck"));
    TimeFindCheck->setGeometry(10, 18, 200, 20);
    caption(GroupBox1, tr("开始时间： "), {10, 44, 70, 20});
    caption(GroupBox1, tr("结束时间： "), {10, 70, 70, 20});
    StartDate = new QDateEdit(GroupBox1);
    StartDate->setObjectName(QStringLiteral("StartDate"));
    StartDate->setGeometry(84, 42, 140, 22);
    StartTime = new QTimeEdit(GroupBox1);
    StartTime->setObjectName(QStringLiteral("StartTime"));
    StartTime->setGeometry(232, 42, 110, 22);
    EndDate = new QDateEdit(GroupBox1);
    EndDate->setObjectName(QStringLiteral("EndDate"));
    EndDate->setGeometry(84, 68, 140, 22);
    EndTime = new QTimeEdit(GroupBox1);
    EndTime->setObjectName(QStringLiteral("EndTime"));
    EndTime->setGeometry(232, 68, 110, 22);
    for (QDateEdit *d : {StartDate, EndDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    for (QTimeEdit *t : {StartTime, EndTime})
        t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    for (QDateTimeEdit *picker :
         std::initializer_list<QDateTimeEdit *>{StartDate, StartTime, EndDate, EndTime})
        acceptTypedValues(picker);
    setPickers(kDesignedPickerValue, kDesignedPickerValue, kDesignedPickerValue,
               kDesignedPickerValue);

    GroupBox6 = group(this, "GroupBox6", QT_TRANSLATE_NOOP("tovrel::TFindForm", "按时长查询"),
                      {404, 58, 388, 46});
    caption(GroupBox6, tr("时长（秒）："), {10, 18, 80, 20});
    StartLengthEdit = new QLineEdit(QStringLiteral("0"), GroupBox6);
    StartLengthEdit->setObjectName(QStringLiteral("StartLengthEdit"));
    StartLengthEdit->setGeometry(94, 17, 100, 22);
    caption(GroupBox6, QStringLiteral("--"), {200, 18, 16, 20});
    EndLengthEdit = new QLineEdit(QStringLiteral("0"), GroupBox6);
    EndLengthEdit->setObjectName(QStringLiteral("EndLengthEdit"));
    EndLengthEdit->setGeometry(220, 17, 100, 22);

    GroupBox3 = group(this, "GroupBox3", QT_TRANSLATE_NOOP("tovrel::TFindForm", "按电话号码查询"),
                      {404, 108, 388, 46});
    caption(GroupBox3, tr("电话号码： "), {10, 18, 80, 20});
    PhoneCodeEdit = new QLineEdit(GroupBox3);
    PhoneCodeEdit->setObjectName(QStringLiteral("PhoneCodeEdit"));
    PhoneCodeEdit->setGeometry(94, 17, 120, 22);
    caption(GroupBox3, tr("联系人："), {222, 18, 50, 20});
    ContactNameEdit = new QLineEdit(GroupBox3);
    ContactNameEdit->setObjectName(QStringLiteral("ContactNameEdit"));
    ContactNameEdit->setGeometry(274, 17, 106, 22);

    GroupBox4 = group(this, "GroupBox4", QT_TRANSLATE_NOOP("tovrel::TFindForm", "录音属性查询"),
                      {8, 158, 390, 46});
    CallInRadio = new QCheckBox(tr("来电"), GroupBox4);
    CallInRadio->setObjectName(QStringLiteral("CallInRadio"));
    CallInRadio->setGeometry(10, 18, 60, 20);
    CallOutRadio = new QCheckBox(tr("去电"), GroupBox4);
    CallOutRadio->setObjectName(QStringLiteral("CallOutRadio"));
    CallOutRadio->setGeometry(72, 18, 60, 20);
    RecordRadio = new QCheckBox(tr("录音"), GroupBox4);
    RecordRadio->setObjectName(QStringLiteral("RecordRadio"));
    RecordRadio->setGeometry(134, 18, 60, 20);
    for (QCheckBox *box : {CallInRadio, CallOutRadio, RecordRadio})
        box->setChecked(true);

    BtnFind = new QPushButton(tr("查询"), this);
    BtnFind->setObjectName(QStringLiteral("BtnFind"));
    BtnFind->setGeometry(440, 170, 90, 28);
    BtnExport = new QPushButton(tr("导出"), this);
    BtnExport->setObjectName(QStringLiteral("BtnExport"));
    BtnExport->setGeometry(560, 170, 90, 28);
    BtnCanel = new QPushButton(tr("退出"), this);
    BtnCanel->setObjectName(QStringLiteral("BtnCanel"));
    BtnCanel->setGeometry(680, 170, 90, 28);
    BtnFind->setAutoDefault(false);
    BtnExport->setAutoDefault(false);
    BtnCanel->setAutoDefault(false);

    FindListViewModel = new ReportModel(this);
    FindListView = new ReportListView(this);
    FindListView->setObjectName(QStringLiteral("FindListView"));
    FindListView->setReportModel(FindListViewModel);
    FindListView->setGeometry(8, 208, 784, 238);
    const QStringList captions = search::resultCaptions();
    int widths[] = {240, 150, 60, 50, 40, 164};
    // 时间 and 时长 as wide as their longest texts: a long-form time and a duration of more
    // than a thousand hours, in the font's widest digit.
    const QChar digit = widestDigit(FindListView->fontMetrics());
    widths[2] = qMax(widths[2], FindListView->widthToShow(
                                    u(" 0000年00月00日 00:00 ").replace(QLatin1Char('0'), digit)));
    widths[3] =
        qMax(widths[3],
             FindListView->widthToShow(u("0000小时00分钟00秒").replace(QLatin1Char('0'), digit)));
    QList<ReportColumn> columns;
    for (int i = 0; i < captions.size(); ++i)
        columns.append({captions.at(i), widths[i], Qt::AlignLeft, 0, 0, search::kResultCells[i],
                        true, i <= search::kResultNumberColumn});
    columns.append(noteColumn());
    FindListViewModel->setColumns(columns);
    // The number, then the file name, give way so the columns fit the list's width, down to
    // their longest texts.
    FindListView->setElasticColumns({1, 0});
    FindListView->keepColumnWidths(m_context.messages);
    m_contacts = std::make_unique<ContactColumn>(FindListViewModel, search::kResultNumberColumn);
    buildNoteField();

    FindStatusBar = new QStatusBar(this);
    FindStatusBar->setObjectName(QStringLiteral("FindStatusBar"));
    FindStatusBar->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(FindStatusBar);
    // As wide as its counts need (a stopped search says so too), never narrower than drawn.
    m_statusPanel->setMinimumWidth(280);
    FindStatusBar->addWidget(m_statusPanel);
    FindStatusBar->setGeometry(0, 616, 800, 24);
}

void TFindForm::buildPlayback()
{
    m_playerPanel = new PlayerPanel(this, kPlayerLayout);
    m_playerPanel->move(8, 452);
    BitBtnPlayStart = m_playerPanel->start;
    BitBtnPlayPause = m_playerPanel->pause;
    BitBtnPlayStop = m_playerPanel->stop;
    BitBtn2 = m_playerPanel->previous;
    BitBtn1 = m_playerPanel->next;
    TrackBar1 = m_playerPanel->trackBar;
    Label5 = m_playerPanel->elapsed;
    Label7 = m_playerPanel->separator;
    Label6 = m_playerPanel->total;
    LabelSpeed = m_playerPanel->speed;
    CheckBoxRewind = m_playerPanel->rewind;
    TimerPlayer = new QTimer(this);
    TimerPlayer->setObjectName(QStringLiteral("TimerPlayer"));
    TimerPlayer->setInterval(500);
}

void TFindForm::buildConversion()
{
    GroupBox2 = new ConversionPanel(this, kConversionLayout);
    GroupBox2->move(8, 484);
    EditOutput = GroupBox2->output;
    BitBtnOutput = GroupBox2->outputButton;
    ProgressBar1 = GroupBox2->fileBar;
    ProgressBar2 = GroupBox2->runBar;
    Label13 = GroupBox2->selectedLabel;
    BitBtn4 = GroupBox2->selectedButton;
    BitBtn5 = GroupBox2->allButton;
}

void TFindForm::connectHandlers()
{
    connect(BtnFind, &QPushButton::clicked, this, &TFindForm::BtnFindClick);
    connect(BtnExport, &QPushButton::clicked, this, &TFindForm::BtnExportClick);
    connect(BtnCanel, &QPushButton::clicked, this, &TFindForm::BtnCanelClick);
    connect(BitBtnFind, &QPushButton::clicked, this, &TFindForm::BitBtnFindClick);
    connect(BitBtnOutput, &QPushButton::clicked, this, &TFindForm::BitBtnOutputClick);
    connect(TimeFindCheck, &QCheckBox::clicked, this, &TFindForm::TimeFindCheckClick);
    connect(CallInRadio, &QCheckBox::clicked, this, &TFindForm::CallInRadioClick);
    connect(CallOutRadio, &QCheckBox::clicked, this, &TFindForm::CallOutRadioClick);
    connect(RecordRadio, &QCheckBox::clicked, this, &TFindForm::RecordRadioClick);
    // A picker's part edited by the user; values set by the window itself come with the
    // signals blocked.
    connect(StartDate, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_startDate.setDate(date);
        StartDateChange();
    });
    connect(EndDate, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_endDate.setDate(date);
        EndDateChange();
    });
    connect(StartTime, &QTimeEdit::timeChanged, this,
            [this](QTime time) { m_startTime.setTime(time); });
    connect(EndTime, &QTimeEdit::timeChanged, this,
            [this](QTime time) { m_endTime.setTime(time); });
    connect(StartLengthEdit, &QLineEdit::textChanged, this, &TFindForm::StartLengthEditChange);
    connect(EndLengthEdit, &QLineEdit::textChanged, this, &TFindForm::EndLengthEditChange);
    for (QWidget *field : std::initializer_list<QWidget *>{
             PhoneCodeEdit, ContactNameEdit, StartLengthEdit, EndLengthEdit, StartDate, StartTime,
             EndDate, EndTime, TimeFindCheck, CallInRadio, CallOutRadio, RecordRadio, FindListView})
        field->installEventFilter(this);
    // No button takes Enter for itself: Enter runs 查询 from a criteria field and plays from the
    // result list; every other button answers only its own click (or Space).
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *session = new PlaybackSession(m_context.audioOutput ? m_context.audioOutput
                                                              : PortAudioOutput::factory(),
                                        speexBlockDecoders(), this);
    PlaybackControls play = m_playerPanel->controls();
    play.speedValue = m_context.playbackSpeed.get();
    play.timer = TimerPlayer;
    play.list = FindListView;
    play.model = FindListViewModel;
    PlaybackRules playRules;
    playRules.seekHeaderLength = 32;
    playRules.focusAfterSeek = BtnCanel;
    playRules.startEnablesTimer = false;
    playRules.seekAtSamePosition = true;
    m_playback = new PlaybackControl(play, playRules, session, m_context.messages, this);
    new PlayerKeys(this, m_playback, m_playerPanel->playButtons());

    ConversionControls convert = GroupBox2->controls();
    convert.list = FindListView;
    convert.model = FindListViewModel;
    convert.playButtons = {BitBtnPlayStart, BitBtnPlayPause, BitBtnPlayStop};
    convert.runControls = {BitBtn1,    BitBtn2,   BtnExport, BtnCanel,
                           BitBtnFind, TrackBar1, BtnFind,   BitBtnOutput};
    ConversionRules convertRules;
    convertRules.convertAllSelectsRows = true;
    convertRules.emptyListText = search::nothingFoundText();
    convertRules.allSucceededText = tr("全部转换文件成功！");
    convertRules.openFolder = m_context.openFolder;
    convertRules.contacts = [this] { return m_contacts->book(); };
    m_conversion = new ConversionControl(convert, convertRules, m_context.messages, this);
}

void TFindForm::setSearchFolder(const QString &folder)
{
    m_searchFolder = folder;
    FindPathEdit->setText(folder);
}

QString TFindForm::statusText() const
{
    return m_statusPanel->text();
}

void TFindForm::setPickers(const QDateTime &startDate, const QDateTime &startTime,
                           const QDateTime &endDate, const QDateTime &endTime)
{
    m_startDate = startDate;
    m_startTime = startTime;
    m_endDate = endDate;
    m_endTime = endTime;
    const QSignalBlocker b1(StartDate), b2(StartTime), b3(EndDate), b4(EndTime);
    StartDate->setDate(startDate.date());
    StartTime->setTime(startTime.time());
    EndDate->setDate(endDate.date());
    EndTime->setTime(endTime.time());
}

void TFindForm::TimeFindCheckClick()
{
    // A freshly ticked range runs from the start of the current month to the current minute;
    // each time picker holds the day of its date picker.
    const QDateTime now = QDateTime::currentDateTime();
    const QDate today = now.date();
    const QDateTime firstOfMonth(QDate(today.year(), today.month(), 1), QTime(0, 0));
    setPickers(
        firstOfMonth, firstOfMonth, QDateTime(today, QTime(0, 0)),
        QDateTime(today, QTime(now.time().hour(), now.time().minute(), now.time().second())));
}

void TFindForm::StartDateChange()
{
    m_startTime.setDate(m_startDate.date());
}

void TFindForm::EndDateChange()
{
    m_endTime.setDate(m_endDate.date());
}

void TFindForm::CallInRadioClick()
{
    m_directionMask = search::directionMaskOf(CallInRadio->isChecked(), CallOutRadio->isChecked(),
                                              RecordRadio->isChecked());
}

void TFindForm::CallOutRadioClick()
{
    CallInRadioClick();
}

void TFindForm::RecordRadioClick()
{
    CallInRadioClick();
}

// A duration edit's text as a bound; an emptied edit is no bound (0). Other text that is not an
// integer keeps the bound as it was and is reported as the application's standard error.
bool TFindForm::lengthEditChanged(QLineEdit *edit, quint32 *bound)
{
    if (edit->text().trimmed().isEmpty()) {
        *bound = 0;
        return true;
    }
    const auto value = search::parseSecondsBound(edit->text());
    if (!value) {
        showStandardError(*m_context.messages, search::invalidIntegerText(edit->text()));
        return false;
    }
    *bound = *value;
    return true;
}

void TFindForm::StartLengthEditChange()
{
    lengthEditChanged(StartLengthEdit, &m_minSeconds);
}

void TFindForm::EndLengthEditChange()
{
    lengthEditChanged(EndLengthEdit, &m_maxSeconds);
}

bool TFindForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && watched == FindListView) {
        // Enter on a result plays it, as a double-click does.
        BitBtnPlayStartClick();
        return true;
    }
    if (enter && isCriteriaField(watched)) {
        // A date or time being typed counts as it stands.
        if (auto *picker = qobject_cast<QAbstractSpinBox *>(watched))
            picker->interpretText();
        BtnFind->click();
        return true;
    }
    if (watched == PhoneCodeEdit || watched == StartLengthEdit || watched == EndLengthEdit)
        return digitFilter(key);
    return QDialog::eventFilter(watched, event);
}

bool TFindForm::isCriteriaField(const QObject *object) const
{
    const QList<const QObject *> fields{
        PhoneCodeEdit, ContactNameEdit, StartLengthEdit, EndLengthEdit, StartDate,    StartTime,
        EndDate,       EndTime,         TimeFindCheck,   CallInRadio,   CallOutRadio, RecordRadio};
    return fields.contains(object);
}

// Only digits may be typed into the number and duration edits: a typed character that is not a
// digit is discarded with a message. Keys that type no character (Backspace, Delete, arrows,
// Enter, Tab) and shortcuts (Ctrl+A, Ctrl+C, Ctrl+V, ...) pass to the edit.
bool TFindForm::digitFilter(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods = key->modifiers();
    // Ctrl with Alt is AltGr on many keyboards: it types a character.
    const bool shortcut =
        (mods & Qt::MetaModifier) || ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier));
    const QString text = key->text();
    if (shortcut || text.isEmpty())
        return false;
    bool digitsOnly = true;
    for (QChar c : text) {
        if (!c.isPrint())
            return false;
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    }
    if (digitsOnly)
        return false;
    m_context.messages->show(Message{QStringLiteral("Waring"), search::digitsOnlyText()});
    return true;
}

void TFindForm::BitBtnFindClick()
{
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, FindPathEdit->text());
    if (!chosen)
        return;
    FindPathEdit->setText(withTrailingSeparator(*chosen));
    m_searchFolder = FindPathEdit->text();
}

bool TFindForm::isSearching() const
{
    return m_search && m_search->isActive();
}

// While a search runs its button stops it: the rows found so far stay, and the status line says
// that the search was stopped.
void TFindForm::BtnFindClick()
{
    if (isSearching()) {
        m_search->requestStop();
        return;
    }
    search::SearchForm form;
    form.folder = QDir::fromNativeSeparators(m_searchFolder);
    form.timeTicked = TimeFindCheck->isChecked();
    form.startDate = m_startDate;
    form.startTime = m_startTime;
    form.endDate = m_endDate;
    form.endTime = m_endTime;
    form.incoming = CallInRadio->isChecked();
    form.outgoing = CallOutRadio->isChecked();
    form.local = RecordRadio->isChecked();
    m_directionMask = search::directionMaskOf(form.incoming, form.outgoing, form.local);
    form.number = PhoneCodeEdit->text();
    form.note = NoteFindEdit->text();
    form.minSeconds = m_minSeconds;
    form.maxSeconds = m_maxSeconds;
    form.name = ContactNameEdit->text().trimmed();
    // The book is read once per search, for the name test and the 联系人 column; a name cannot
    // be looked for in a book that cannot be read.
    bool bookRead = true;
    form.contacts = loadUserContacts(*m_context.messages, &bookRead);
    if (!bookRead && !form.name.isEmpty())
        return;
    // A search already stopped but still ending gives way to this one.
    if (m_search)
        m_search->abandon();

    // The search folder is looked at, and the tree read, on the search's own thread; the
    // refusals come in their usual order, and only a search that runs replaces the rows.
    auto body = [this, form](ListingRun::Feed &feed) -> std::function<void()> {
        const auto prepared = search::prepareSearch(form);
        if (const QString *refusal = std::get_if<QString>(&prepared))
            return [this, text = *refusal] {
                BtnFind->setText(tr("查询"));
                m_context.messages->warn(text);
            };
        const search::SearchCriteria &criteria = std::get<search::SearchCriteria>(prepared);
        feed.post([this, book = form.contacts] {
            m_counts = {};
            FindListViewModel->clear();
            m_contacts->show(book);
            m_unread.clear();
            m_statusPanel->setText(search::statusText(m_counts));
        });
        // What could not be read is named after the search, in one message, as the PC list does.
        QStringList unread;
        search::SearchHooks hooks;
        hooks.stop = feed.stopFlag();
        hooks.found = [&feed](const search::SearchHit &hit) {
            ListedRow row;
            row.cells = search::resultCells(hit.fileName, hit.folder, hit.header);
            QString noteError;
            row.note = noteCell(hit.path(), hit.hasNote, &noteError);
            row.noteUnread = !noteError.isEmpty();
            row.path = hit.path();
            row.damage = hit.damage;
            row.attribute = hit.header.attribute;
            row.values = search::cellValues(hit.header);
            feed.add(std::move(row));
        };
        hooks.openFailed = [&](const QString &path, const QString &) {
            unread.append(path);
            feed.tick();
        };
        hooks.folderFailed = [&](const QString &folder, const QString &) {
            unread.append(folder);
            feed.tick();
        };
        hooks.progress = [&feed](qint64) { feed.tick(); };
        const search::SearchOutcome outcome = search::runSearchScan(criteria, hooks);
        return [this, outcome, unread] { searchEnded(outcome, unread); };
    };
    m_search = new ListingRun(
        std::move(body), [this](QList<ListedRow> rows) { showFoundRows(std::move(rows)); },
        QStringLiteral("Search"), this);
    BtnFind->setText(tr("停止查询"));
    m_search->start();
}

void TFindForm::showFoundRows(QList<ListedRow> rows)
{
    QList<ReportRow> shown;
    shown.reserve(rows.size());
    for (ListedRow &row : rows) {
        ++m_counts.total;
        ++(row.attribute == 0   ? m_counts.incoming
           : row.attribute == 1 ? m_counts.outgoing
                                : m_counts.local);
        QStringList cells = m_contacts->named(row.cells);
        while (cells.size() < FindListViewModel->columnCount() - 1)
            cells.append(QString());
        cells.append(row.note);
        if (row.noteUnread)
            m_unread.append(notePathFor(row.path));
        shown.append({std::move(cells), row.path, row.damage, row.values});
    }
    FindListViewModel->appendRows(std::move(shown));
    m_statusPanel->setText(search::statusText(m_counts));
}

void TFindForm::searchEnded(const search::SearchOutcome &outcome, const QStringList &unread)
{
    BtnFind->setText(tr("查询"));
    if (outcome.stopped) {
        // What was found stays; a stop is not a search that found nothing.
        m_unread.append(unread);
        if (!m_unread.isEmpty())
            m_context.messages->warn(unreadableFilesMessage(m_unread));
        m_statusPanel->setText(tr("查询已停止 ") + search::statusText(m_counts));
        return;
    }
    m_counts = outcome.counts;
    m_unread.append(unread);
    if (outcome.folderMessage)
        m_context.messages->warn(*outcome.folderMessage);
    else if (!m_unread.isEmpty())
        m_context.messages->warn(unreadableFilesMessage(m_unread));
    else if (m_counts.total == 0)
        m_context.messages->warn(search::nothingFoundText());
    m_statusPanel->setText(search::statusText(m_counts));
}

void TFindForm::showContacts(std::shared_ptr<const ContactBook> book)
{
    m_contacts->show(std::move(book));
}

// The 备注 field beside the kind boxes (the note holds its text, letter case ignored), and the
// 编辑备注 action of the result list.
void TFindForm::buildNoteField()
{
    auto *label = new QLabel(tr("备注："), GroupBox4);
    label->setGeometry(198, 18, 40, 20);
    NoteFindEdit = new QLineEdit(GroupBox4);
    NoteFindEdit->setObjectName(QStringLiteral("NoteFindEdit"));
    NoteFindEdit->setGeometry(240, 17, 140, 22);
    connect(NoteFindEdit, &QLineEdit::returnPressed, BtnFind, &QPushButton::click);
    addNoteEditing(FindListView, m_context.messages);
}

void TFindForm::BtnCanelClick()
{
    // A search still running ends here: it stops, and what it found stays listed.
    if (m_search)
        m_search->stopAndWait();
    // The stop returns once the playback's threads have ended.
    if (isPlayingOrPaused())
        m_playback->stopClick();
    QDialog::reject();
}

void TFindForm::FormClose()
{
    BtnCanelClick();
}

void TFindForm::reject()
{
    // Esc and the close box close the window the same way as 退出.
    FormClose();
}

void TFindForm::closeEvent(QCloseEvent *event)
{
    if (isVisible())
        FormClose();
    event->accept();
}

void TFindForm::BtnExportClick()
{
    if (m_exportForm)
        m_exportForm->showForSearchResults(FindListView, m_searchFolder);
}

void TFindForm::BitBtnPlayStartClick()
{
    m_playback->startClick();
}

void TFindForm::BitBtnPlayPauseClick()
{
    m_playback->pauseClick();
}

void TFindForm::BitBtnPlayStopClick()
{
    m_playback->stopClick();
}

void TFindForm::BitBtn1Click()
{
    m_playback->nextClick();
}

void TFindForm::BitBtn2Click()
{
    m_playback->previousClick();
}

void TFindForm::TimerPlayerTimer()
{
    m_playback->timerTick();
}

void TFindForm::BitBtnOutputClick()
{
    const auto chosen = m_context.pickFolder(tr("请选择目录:"), {}, m_localFolder);
    if (!chosen)
        return;
    EditOutput->setText(withTrailingSeparator(*chosen));
}

void TFindForm::BitBtn4Click()
{
    m_conversion->selectedClick();
}

void TFindForm::BitBtn5Click()
{
    m_conversion->allClick();
}

} // namespace tovrel
