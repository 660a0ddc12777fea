#include "ListExport.h"
#include "NoteEditor.h"
#include "ProgramRun.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "SearchFixtures.h"
#include "SkipOutsideCi.h"
#include "SmallFileSystem.h"
#include "SpeechEncoder.h"
#include "StartupWindows.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "VirtualAudioOutput.h"
#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <memory>

#include <unistd.h>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::shortRecord;
using tovrel::test::SmallFileSystem;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

// A recording of `ms` of encoded speech with a short-form header of that payload length.
QByteArray recording(int attribute, int month, int day, const char *number, int ms, unsigned seed)
{
    const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(ms, seed));
    return shortRecord(attribute, month, day, 10, 15, number, quint32(payload.size())) + payload;
}

struct Windows
{
    RecordingMessageSink messages;
    TempFolder folder;
    TempFolder output;
    QStringList openedFolders;
    QStringList pickedAt;
    std::shared_ptr<VirtualAudioOutput::Record> record =
        std::make_shared<VirtualAudioOutput::Record>();
    std::unique_ptr<TMainForm> main;
    TFindForm *find = nullptr;

    Windows()
    {
        resetActivityFlags();
        AppContext context;
        context.messages = &messages;
        context.pickFolder = [this](const QString &, const QString &, const QString &at) {
            pickedAt.append(at);
            return std::optional<QString>(output.path().chopped(1));
        };
        context.openFolder = [this](const QString &f) { openedFolders.append(f); };
        context.audioOutput = VirtualAudioOutput::factory(record, 10.0);
        main = std::make_unique<TMainForm>(context);
        main->TimerPlayer->stop();
        main->TimerUSBConnect->stop();
        find = new TFindForm(context, main.get());
        main->setWindows(nullptr, find, nullptr);
        find->TimerPlayer->stop(); // the tests tick it themselves
        find->setSearchFolder(folder.path());
    }

    ~Windows()
    {
        main.reset();
        resetActivityFlags();
    }

    // The window shown and active, with the focus in its control `name` (of type T), as a user
    // types into it; null when it cannot be shown or has no such control.
    template <typename T> T *focusOn(const QString &name)
    {
        find->show();
        if (!QTest::qWaitForWindowActive(find))
            return nullptr;
        T *control = find->findChild<T *>(name);
        if (control)
            control->setFocus();
        return control;
    }

    QStringList names() const
    {
        QStringList n;
        for (const ReportRow &r : find->FindListViewModel->rows())
            n.append(r.cells.first());
        return n;
    }

    // Two recordings in the sub-folder `sub` of the folder (which ends with '/'), listed in the
    // PC list or found in the search window, shown with the second row selected and the focus in
    // the list; null when the window cannot be shown or the list is not as written.
    ReportListView *showTwoRecordings(bool search, const QString &sub = {})
    {
        const QString at = folder.path() + sub;
        find->setSearchFolder(at);
        folder.write(sub + u("03151230_0001_xxxxx1234567.spx"),
                     shortRecord(0, 3, 15, 12, 30, "1234567", 61000));
        folder.write(sub + u("03161000_0002_xxxxx7654321.spx"),
                     shortRecord(1, 3, 16, 10, 0, "7654321", 5000));
        QWidget *window = search ? static_cast<QWidget *>(find) : main.get();
        ReportListView *list = search ? find->FindListView : main->ListViewFile;
        if (search) {
            find->show();
            tovrel::test::runSearch(find);
        } else {
            main->show();
            main->EditInput->setText(at);
            main->PageControl1->setCurrentWidget(main->TabSheetMCU);
            main->PageControl1->setCurrentWidget(main->TabSheetComputer);
            tovrel::test::waitForScan(&*main);
        }
        if (!QTest::qWaitForWindowActive(window) || list->reportModel()->rowCount() != 2)
            return nullptr;
        list->selectRow(1);
        list->setFocus();
        return list;
    }

    NoteEditor *editor() const { return main->findChild<NoteEditor *>(); }
};

// Opens the note editor on the list's selected row as the user does: F2, or the list's context
// menu and its first entry.
void openNoteEditor(ReportListView *list, bool byMenu)
{
    if (!byMenu) {
        QTest::keyClick(list, Qt::Key_F2);
        return;
    }
    QTimer::singleShot(0, list, [] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
            menu->close(); // nothing to choose: the test goes on and fails
        }
    });
    const QPoint at = list->visualRect(list->currentIndex()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
}

QString lastCell(const ReportListView *list, int row)
{
    const ReportModel *model = list->reportModel();
    return model->row(row).cells.value(model->columnCount() - 1);
}

} // namespace

class TestFindForm : public QObject
{
    Q_OBJECT

private slots:
    void initialState()
    {
        Windows w;
        TFindForm *f = w.find;
        QCOMPARE(f->windowTitle(), u("查询窗口"));
        QVERIFY(!f->FindPathEdit->isEnabled());
        QVERIFY(!f->TimeFindCheck->isChecked());
        const QDateTime designed(QDate(2009, 9, 28), QTime(17, 32, 48));
        QCOMPARE(f->startDateValue(), designed);
        QCOMPARE(f->endTimeValue(), designed);
        QCOMPARE(f->StartDate->date(), designed.date());
        QCOMPARE(f->StartTime->time(), designed.time());
        QCOMPARE(f->StartLengthEdit->text(), u("0"));
        QCOMPARE(f->EndLengthEdit->text(), u("0"));
        QVERIFY(f->PhoneCodeEdit->text().isEmpty());
        QVERIFY(f->CallInRadio->isChecked() && f->CallOutRadio->isChecked() &&
                f->RecordRadio->isChecked());
        QCOMPARE(f->directionMask(), quint8(7));
        QStringList captions;
        QList<int> widths;
        for (const ReportColumn &c : f->FindListViewModel->columns()) {
            captions.append(c.caption);
            widths.append(c.width);
        }
        QCOMPARE(captions, (QStringList{u("文件名"), u("电话号码"), u("时间"), u("时长"), u("属性"),
                                        u("文件路径"), u("备注")}));
        widths.remove(2, 2); // 时间 and 时长 fit their longest texts
        widths.removeLast();
        QCOMPARE(widths, (QList<int>{240, 150, 40, 164}));
        QCOMPARE(f->TrackBar1->maximum(), 25);
        QCOMPARE(f->Label5->text(), u("00:00:00"));
        QCOMPARE(f->Label7->text(), u("/"));
        QCOMPARE(f->Label6->text(), u("00:00:00"));
        QCOMPARE(f->TimerPlayer->interval(), 500);
        QVERIFY(!f->EditOutput->isEnabled() && f->EditOutput->isReadOnly());
        QVERIFY(f->EditOutput->text().isEmpty());
        QCOMPARE(f->BitBtn4->text(), u("转换选择"));
        QCOMPARE(f->BitBtn5->text(), u("转换全部"));
        // Running from start-up, unlike the main window's after a start.
        TFindForm fresh(AppContext{}, nullptr);
        QVERIFY(fresh.TimerPlayer->isActive());
    }

    void pickers()
    {
        Windows w;
        TFindForm *f = w.find;
        const QDateTime before = QDateTime::currentDateTime();
        f->TimeFindCheck->click();
        QVERIFY(f->TimeFindCheck->isChecked());
        const QDate today = QDate::currentDate();
        QCOMPARE(f->startDateValue(),
                 QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)));
        QCOMPARE(f->startTimeValue(), f->startDateValue());
        QCOMPARE(f->endDateValue(), QDateTime(today, QTime(0, 0)));
        QVERIFY(f->endTimeValue() >= before.addMSecs(-before.time().msec()));
        // A changed date goes into the time picker's value, which keeps its time of day.
        f->EndTime->setTime(QTime(14, 35, 0));
        f->EndDate->setDate(QDate(2025, 3, 5));
        QCOMPARE(f->endTimeValue(), QDateTime(QDate(2025, 3, 5), QTime(14, 35, 0)));
        QCOMPARE(f->endDateValue(), QDateTime(QDate(2025, 3, 5), QTime(0, 0)));
        // Unticking resets them again.
        f->TimeFindCheck->click();
        QCOMPARE(f->endDateValue(), QDateTime(today, QTime(0, 0)));
    }

    void digitFilterAndBounds()
    {
        Windows w;
        TFindForm *f = w.find;
        f->PhoneCodeEdit->setFocus();
        QTest::keyClicks(f->PhoneCodeEdit, u("1a3*"));
        QCOMPARE(f->PhoneCodeEdit->text(), u("13"));
        QCOMPARE(w.messages.texts(), (QStringList{u("只能输入数字！"), u("只能输入数字！")}));
        QCOMPARE(w.messages.messages().first().caption, u("Waring"));
        QCOMPARE(w.messages.messages().first().icon, MessageIcon::None);
        w.messages.clear();

        f->StartLengthEdit->selectAll();
        QTest::keyClicks(f->StartLengthEdit, u("12"));
        QCOMPARE(f->minSeconds(), 12u);
        QTest::keyClick(f->StartLengthEdit, Qt::Key_Backspace);
        QCOMPARE(f->minSeconds(), 1u);
        QVERIFY(w.messages.texts().isEmpty());
        // Emptied: no lower bound, and no box.
        QTest::keyClick(f->StartLengthEdit, Qt::Key_Backspace);
        QVERIFY(w.messages.texts().isEmpty());
        QCOMPARE(f->minSeconds(), 0u);
        // Pasted text is used as it is; beyond 32 bits it is not an integer.
        f->EndLengthEdit->setText(u("4294967296"));
        QCOMPARE(w.messages.texts(), QStringList{u("'4294967296' is not a valid integer value")});
        QCOMPARE(f->maxSeconds(), 0u);
        f->EndLengthEdit->setText(u("60"));
        QCOMPARE(f->maxSeconds(), 60u);
    }

    // Enter does what the field it is typed in is for: 查询 from a criteria field, play from the
    // result list (as a double-click); it never opens the folder picker.
    void enterKey_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        const QString searched = u("此目录没有符合要求的文件！");
        QTest::newRow("result list plays") << u("FindListView") << u("请先选择需要播放的文件！");
        for (const char *field : {"PhoneCodeEdit", "StartLengthEdit", "EndLengthEdit", "StartDate",
                                  "EndTime", "CallOutRadio", "TimeFindCheck"})
            QTest::newRow(field) << QString::fromLatin1(field) << searched;
    }

    void enterKey()
    {
        QFETCH(QString, field);
        QFETCH(QString, message);
        Windows w;
        auto *widget = w.focusOn<QWidget>(field);
        QVERIFY(widget);
        // Each search runs to its end: Enter during a search stops it, as its button does.
        QTest::keyClick(widget, Qt::Key_Return);
        QTRY_VERIFY(!w.find->isSearching());
        QTest::keyClick(widget, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(!w.find->isSearching());
        QVERIFY2(w.pickedAt.isEmpty(), "the folder picker was opened");
        QCOMPARE(w.messages.texts(), (QStringList{message, message}));
    }

    // Only a typed character that is not a digit is refused; editing keys and shortcuts pass.
    void editingKeys_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("keys"); // key | modifiers
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("refusals");
        const int ctrl = int(Qt::ControlModifier);
        QTest::newRow("Ctrl+A, then a digit replaces all")
            << u("StartLengthEdit") << u("12") << QList<int>{ctrl | Qt::Key_A, Qt::Key_5} << u("5")
            << 0;
        QTest::newRow("Backspace twice empties")
            << u("EndLengthEdit") << u("12") << QList<int>{Qt::Key_Backspace, Qt::Key_Backspace}
            << QString() << 0;
        QTest::newRow("Home, Delete") << u("PhoneCodeEdit") << u("138")
                                      << QList<int>{Qt::Key_Home, Qt::Key_Delete} << u("38") << 0;
        QTest::newRow("Ctrl+Z undoes") << u("PhoneCodeEdit") << u("13")
                                       << QList<int>{Qt::Key_9, ctrl | Qt::Key_Z} << u("13") << 0;
        QTest::newRow("letter refused")
            << u("PhoneCodeEdit") << u("1") << QList<int>{Qt::Key_A} << u("1") << 1;
        QTest::newRow("blank refused")
            << u("StartLengthEdit") << u("1") << QList<int>{Qt::Key_Space} << u("1") << 1;
        QTest::newRow("Shift+digit row types a sign, refused")
            << u("EndLengthEdit") << u("1") << QList<int>{int(Qt::ShiftModifier) | Qt::Key_Plus}
            << u("1") << 1;
    }

    void editingKeys()
    {
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QList<int>, keys);
        QFETCH(QString, after);
        QFETCH(int, refusals);
        Windows w;
        TFindForm *f = w.find;
        auto *edit = w.focusOn<QLineEdit>(field);
        QVERIFY(edit);
        edit->setText(before);
        for (int k : keys)
            QTest::keyClick(edit, Qt::Key(k & ~int(Qt::KeyboardModifierMask)),
                            Qt::KeyboardModifiers(k & int(Qt::KeyboardModifierMask)));
        QCOMPARE(edit->text(), after);
        QCOMPARE(w.messages.texts(), QStringList(refusals, u("只能输入数字！")));
        // The duration bounds follow the text; an emptied field is no bound.
        if (edit == f->StartLengthEdit)
            QCOMPARE(f->minSeconds(), after.toUInt());
        if (edit == f->EndLengthEdit)
            QCOMPARE(f->maxSeconds(), after.toUInt());
    }

    // A date or time typed over the selected text lands as typed; the arrows still step it.
    void typedPickers_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDateTime>("typedValue"); // the date or the time part that counts
        QTest::addColumn<QDateTime>("afterUp");
        QTest::addColumn<int>("clickedAt"); // instead of selecting all: the character clicked on
        const QDate d0(2000, 1, 1);
        QTest::newRow("start date")
            << u("StartDate") << u("2024-03-01") << QDateTime(QDate(2024, 3, 1), QTime(0, 0))
            << QDateTime(QDate(2024, 3, 2), QTime(0, 0)) << -1;
        QTest::newRow("end date") << u("EndDate") << u("2023-12-30")
                                  << QDateTime(QDate(2023, 12, 30), QTime(0, 0))
                                  << QDateTime(QDate(2023, 12, 31), QTime(0, 0)) << -1;
        QTest::newRow("start time")
            << u("StartTime") << u("23:59:00") << QDateTime(d0, QTime(23, 59, 0))
            << QDateTime(d0, QTime(23, 59, 1)) << -1;
        QTest::newRow("end time") << u("EndTime") << u("19:05:09") << QDateTime(d0, QTime(19, 5, 9))
                                  << QDateTime(d0, QTime(19, 5, 10)) << -1;
        QTest::newRow("end time, hour clicked")
            << u("EndTime") << u("22:10:00") << QDateTime(d0, QTime(22, 10, 0))
            << QDateTime(d0, QTime(22, 10, 1)) << 1;
        QTest::newRow("start time, minutes clicked")
            << u("StartTime") << u("30:15") << QDateTime(d0, QTime(0, 30, 15))
            << QDateTime(d0, QTime(0, 30, 16)) << 4;
    }

    void typedPickers()
    {
        QFETCH(QString, picker);
        QFETCH(QString, typed);
        QFETCH(QDateTime, typedValue);
        QFETCH(QDateTime, afterUp);
        QFETCH(int, clickedAt);
        Windows w;
        TFindForm *f = w.find;
        f->TimeFindCheck->click();
        auto *edit = w.focusOn<QDateTimeEdit>(picker);
        QVERIFY(edit);
        const bool isDate = edit == f->StartDate || edit == f->EndDate;
        auto held = [&] {
            const QDateTime value = edit == f->StartDate   ? f->startDateValue()
                                    : edit == f->EndDate   ? f->endDateValue()
                                    : edit == f->StartTime ? f->startTimeValue()
                                                           : f->endTimeValue();
            return isDate ? QDateTime(value.date(), QTime(0, 0))
                          : QDateTime(QDate(2000, 1, 1), value.time());
        };
        auto shown = [&] {
            return isDate ? QDateTime(edit->date(), QTime(0, 0))
                          : QDateTime(QDate(2000, 1, 1), edit->time());
        };
        auto *line = edit->findChild<QLineEdit *>();
        line->setCursorPosition(qMax(clickedAt, 0));
        if (clickedAt < 0)
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        else
            QTest::mouseClick(line, Qt::LeftButton, {},
                              line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center());
        // As a keyboard types it: Shift goes down before a ':'.
        for (const QChar c : typed) {
            if (c == u':')
                QTest::keyPress(edit, Qt::Key_Shift);
            QTest::keyClick(edit, c.toLatin1(), c == u':' ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(shown(), typedValue);
        QCOMPARE(held(), typedValue);
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(shown(), afterUp);
        QCOMPARE(held(), afterUp);
    }

    // A freshly ticked range with only the end date moved to the 1st is a range the search
    // accepts: the start of the month to the current time of day on the 1st.
    void tickedRangeEndOnFirst()
    {
        Windows w;
        TFindForm *f = w.find;
        f->TimeFindCheck->click();
        const QDate first = f->startDateValue().date();
        QCOMPARE(f->startTimeValue().date(), first);
        QCOMPARE(f->endTimeValue().date(), f->endDateValue().date());
        f->EndTime->setTime(QTime(14, 35, 0));
        f->EndDate->setDate(first);
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts(), QStringList{u("此目录没有符合要求的文件！")});
    }

    // The window cannot be shrunk below its designed size; 时间 and 时长 hold their longest texts
    // uncut.
    void sizes_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("long-form time") << 2 << u(" 2088年08月28日 28:58 ");
        QTest::newRow("short-form time") << 2 << u(" 12月31日 23:59 ");
        QTest::newRow("longest duration") << 3 << u("1188小时58分钟58秒");
        QTest::newRow("hours") << 3 << u("1193小时2分钟47秒");
    }

    void sizes()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        Windows w;
        TFindForm *f = w.find;
        const QSize designed = f->size();
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QStringList cells(6, u("x"));
        cells[column] = text;
        f->FindListViewModel->appendRow(ReportRow{cells, QString()});
        // What the list's own delegate needs to show the cell whole.
        const QAbstractItemView *view = f->FindListView;
        const int needed = view->sizeHintForColumn(column);
        QVERIFY2(needed <= f->FindListView->columnWidth(column),
                 qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(
                     f->FindListView->columnWidth(column))));
        f->resize(200, 150);
        QCOMPARE(f->size(), designed);
    }

    // The refusals in order; a refused search keeps the rows, a second one replaces them.
    void searchAndRefusals()
    {
        Windows w;
        TFindForm *f = w.find;
        w.folder.write(u("b.spx"), shortRecord(0, 3, 5, 10, 15, "13800", 60000));
        w.folder.write(u("a/c.spx"), shortRecord(1, 3, 5, 10, 16, "555", 1000));
        w.folder.write(u("a/.x/d.spx"), shortRecord(2, 3, 5, 10, 16, "555", 1000));
        tovrel::test::runSearch(f);
        QCOMPARE(w.names(), (QStringList{u("c.spx"), u("b.spx")}));
        QCOMPARE(f->FindListViewModel->row(0).key.toString(), w.folder.path() + u("a/c.spx"));
        QCOMPARE(f->FindListViewModel->row(0).cells.value(5), w.folder.path() + u("a/"));
        QCOMPARE(f->statusText(), u("总计录音文件:2个 来电:1个 去电:1个 本地:0个"));
        QVERIFY(w.messages.texts().isEmpty());

        // Ticked with equal pickers: refused, rows and status kept.
        f->TimeFindCheck->click();
        f->StartDate->setDate(QDate(2025, 3, 5));
        f->EndDate->setDate(QDate(2025, 3, 5));
        f->StartTime->setTime(QTime(10, 15, 30));
        f->EndTime->setTime(QTime(10, 15, 30));
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts(), QStringList{u("起止时间设置错误")});
        QCOMPARE(w.names().size(), 2);
        f->EndDate->setDate(QDate(2025, 3, 4));
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts().last(), u("起止日期设置错误"));
        f->setSearchFolder(w.folder.path() + u("missing/"));
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts().last(), u("文件夹不存在!"));
        f->setSearchFolder(QString());
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts().last(), u("没设置目录"));
        QCOMPARE(w.names().size(), 2);

        // The one-minute range on 5 March: only 10:15 passes; the folder lacks its separator.
        f->setSearchFolder(w.folder.path().chopped(1));
        f->StartTime->setTime(QTime(10, 15, 0));
        f->EndDate->setDate(QDate(2025, 3, 5));
        f->EndTime->setTime(QTime(10, 15, 59));
        w.messages.clear();
        tovrel::test::runSearch(f);
        QCOMPARE(w.names(), QStringList{u("b.spx")});
        QCOMPARE(f->FindListViewModel->row(0).key.toString(), w.folder.path() + u("b.spx"));

        // Nothing passes: the message, an empty list, zeros.
        f->PhoneCodeEdit->setText(u("999"));
        tovrel::test::runSearch(f);
        QCOMPARE(w.messages.texts(), QStringList{u("此目录没有符合要求的文件！")});
        QCOMPARE(f->FindListViewModel->rowCount(), 0);
        QCOMPARE(f->statusText(), u("总计录音文件:0个 来电:0个 去电:0个 本地:0个"));
    }

    // Files that cannot be opened do not interrupt the scan: it goes on to its end and names
    // them afterwards in one message, the rows of the other files listed.
    void unreadableFilesNamedAfterTheScan()
    {
        Windows w;
        TFindForm *f = w.find;
        w.folder.write(u("a.spx"), shortRecord(0, 1, 1, 0, 0, "1", 1000));
        QVERIFY(QFile::link(w.folder.file(u("nowhere")), w.folder.file(u("b.spx"))));
        w.folder.write(u("c.spx"), shortRecord(1, 1, 1, 0, 0, "2", 1000));
        QVERIFY(QFile::link(u("/proc/self/mem"), w.folder.file(u("d.spx"))));
        w.folder.write(u("e.spx"), shortRecord(0, 1, 1, 0, 0, "3", 1000));
        QList<bool> searching;
        QList<int> rowsAtMessage;
        w.messages.setOnShow([&](const Message &) {
            searching.append(f->isSearching());
            rowsAtMessage.append(f->FindListViewModel->rowCount());
        });
        tovrel::test::runSearch(f);
        QCOMPARE(searching, QList<bool>{false});
        QCOMPARE(rowsAtMessage, QList<int>{3});
        QCOMPARE(w.messages.texts(),
                 QStringList{u("以下文件无法读取：\n") + w.folder.file(u("b.spx")) + u("\n") +
                             w.folder.file(u("d.spx"))});
        QCOMPARE(w.names(), (QStringList{u("a.spx"), u("c.spx"), u("e.spx")}));
        QCOMPARE(f->statusText(), u("总计录音文件:3个 来电:2个 去电:1个 本地:0个"));
    }

    // As a user who may not read them (the test takes nobody's rights for the search when it
    // runs as root): a search folder that cannot be read says so, not "nothing found"; a
    // sub-folder and a file that cannot be read are named together after the search.
    void unreadableFolders_data()
    {
        QTest::addColumn<QString>("searched");
        QTest::addColumn<QString>("message"); // %1: the temporary folder
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("the search folder")
            << u("closed/") << u("无法读取此目录！") << QStringList{};
        QTest::newRow("a sub-folder and a file")
            << QString() << u("以下文件无法读取：\n%1b.spx\n%1closed/") << QStringList{u("a.spx")};
    }

    void unreadableFolders()
    {
        QFETCH(QString, searched);
        QFETCH(QString, message);
        QFETCH(QStringList, rows);
        Windows w;
        TFindForm *f = w.find;
        w.folder.write(u("a.spx"), shortRecord(0, 1, 1, 0, 0, "1", 1000));
        w.folder.write(u("b.spx"), shortRecord(0, 1, 1, 0, 0, "2", 1000));
        w.folder.write(u("closed/d.spx"), shortRecord(0, 1, 1, 0, 0, "4", 1000));
        const auto open = QFileDevice::Permissions(0x7755);
        QVERIFY(QFile::setPermissions(w.folder.path().chopped(1), open));
        QVERIFY(QFile::setPermissions(w.folder.file(u("b.spx")), QFileDevice::WriteOwner));
        QVERIFY(QFile::setPermissions(w.folder.file(u("closed")), QFileDevice::WriteOwner));
        f->setSearchFolder(w.folder.path() + searched);
        {
            const bool root = geteuid() == 0;
            QVERIFY(!root || ::setegid(test::kNobodyId) == 0);
            QVERIFY(!root || ::seteuid(test::kNobodyId) == 0);
            tovrel::test::runSearch(f);
            QVERIFY(!root || ::seteuid(0) == 0);
            QVERIFY(!root || ::setegid(0) == 0);
        }
        QVERIFY(QFile::setPermissions(w.folder.file(u("closed")), open));
        QCOMPARE(w.messages.texts(), QStringList{message.arg(w.folder.path())});
        QCOMPARE(w.names(), rows);
    }

    // A name that is not valid UTF-8 (GBK "测试") is found, shown with U+FFFD, and its row plays
    // and converts.
    void nameNotUtf8()
    {
        Windows w;
        TFindForm *f = w.find;
        test::BytesNamedFile gbk(w.folder.path(), "\xb2\xe2\xca\xd4.spx",
                                 recording(0, 1, 1, "1", 3000, 8));
        QVERIFY(gbk.isValid());
        tovrel::test::runSearch(f);
        const QString shown = QString(4, QChar::ReplacementCharacter) + u(".spx");
        QCOMPARE(w.names(), QStringList{shown});
        f->FindListView->selectRow(0);
        f->BitBtnPlayStartClick();
        QCOMPARE(w.messages.texts(), QStringList{});
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        QVERIFY(QTest::qWaitFor([&] { return w.record->blocksFinished() >= 1; }, 20000));
        f->BitBtnPlayStopClick();
        QTRY_COMPARE(PlayStateFlag.load(), int(PlayStopped));

        f->BitBtnOutputClick();
        f->BitBtn4Click();
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), QStringList{u("转换选择文件成功！")}, 30000);
        QCOMPARE(w.output.read(shown + u(".wav")).size(), 44 + 6 * 8000);
    }

    // Opened from the main window: rows and criteria are still there, the output folder picker
    // opens at the main window's recording folder.
    void reopenedFromMainWindow()
    {
        Windows w;
        TFindForm *f = w.find;
        QString preselected;
        w.folder.write(u("a.spx"), shortRecord(0, 1, 1, 0, 0, "1", 1000));
        f->PhoneCodeEdit->setText(u("1"));
        tovrel::test::runSearch(f);
        w.main->EditSave->setText(w.folder.path());
        int rowsWhileOpen = -1;
        QTimer::singleShot(0, f, [&] {
            rowsWhileOpen = f->FindListViewModel->rowCount();
            f->BitBtnOutputClick();
            f->BtnCanelClick();
        });
        w.main->FindBtnClick();
        QCOMPARE(rowsWhileOpen, 1);
        QCOMPARE(f->PhoneCodeEdit->text(), u("1"));
        QCOMPARE(f->EditOutput->text(), w.output.path());
        QCOMPARE(w.pickedAt, QStringList{w.folder.path()});
    }

    void playback()
    {
        Windows w;
        TFindForm *f = w.find;
        w.folder.write(u("x/one.spx"), recording(0, 1, 1, "1", 12000, 1));
        w.folder.write(u("y/two.spx"), recording(0, 1, 1, "2", 3000, 2));
        tovrel::test::runSearch(f);
        QCOMPARE(w.names(), (QStringList{u("one.spx"), u("two.spx")}));

        f->BitBtnPlayStartClick();
        QCOMPARE(w.messages.texts(), QStringList{u("请先选择需要播放的文件！")});
        f->FindListView->selectRow(0);
        f->BitBtnPlayStartClick();
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        const qint64 size = QFileInfo(w.folder.file(u("x/one.spx"))).size();
        QCOMPARE(f->Label6->text(),
                 QStringLiteral("00:00:%1").arg(size / 1000 + 1, 2, 10, QLatin1Char('0')));
        QVERIFY(!f->BitBtnPlayStart->isEnabled() && f->BitBtnPlayStop->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return w.record->blocksFinished() >= 1; }, 20000));
        QTRY_VERIFY_WITH_TIMEOUT((f->TimerPlayerTimer(), f->TrackBar1->value() >= 1), 20000);

        // Next on the last row only gives the list the focus.
        f->BitBtn1Click();
        QCOMPARE(f->FindListView->selectedRows(), QList<int>{1});
        f->BitBtn1Click();
        QCOMPARE(f->FindListView->selectedRows(), QList<int>{1});

        // Closing stops the playback.
        f->show();
        f->BtnCanelClick();
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(!f->isVisible());

        // The row's folder is gone since the search.
        QVERIFY(QDir(w.folder.file(u("x"))).removeRecursively());
        f->FindListView->selectRow(0);
        w.messages.clear();
        f->BitBtnPlayStartClick();
        QCOMPARE(w.messages.texts(), QStringList{u("open input spx file error!")});
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
    }

    // A seek from the search window's position bar takes 32 header bytes off whatever the
    // header's form, seeks also where the thumb already was, and hands the focus to 退出.
    void seek()
    {
        Windows w;
        TFindForm *f = w.find;
        w.folder.write(u("s.spx"), recording(0, 1, 1, "1", 20000, 7));
        tovrel::test::runSearch(f);
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->FindListView->selectRow(0);
        f->BitBtnPlayStartClick();
        QVERIFY(QTest::qWaitFor([&] { return w.record->blocksFinished() >= 2; }, 20000));
        f->TimerPlayerTimer();
        const qint64 size = QFileInfo(w.folder.file(u("s.spx"))).size();
        const int position = 7;
        f->TrackBar1->setFocus();
        f->TrackBar1->setValue(position + 1);
        qint64 b = qint64(double(size) * position / f->TrackBar1->maximum()) - 32;
        b = std::max<qint64>(b, 1000);
        const int second = int(b / 1000 + (b % 1000 > 500 ? 1 : 0));
        QTest::keyClick(f->TrackBar1, Qt::Key_Left); // one step back, to `position`
        QCOMPARE(f->TrackBar1->value(), second);
        QCOMPARE(f->Label5->text(),
                 QStringLiteral("00:00:%1").arg(second, 2, 10, QLatin1Char('0')));
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        QVERIFY(f->BtnCanel->hasFocus());
        QVERIFY(f->TimerPlayer->isActive());

        // Let go where the thumb is: a seek all the same (the playback restarts at that second).
        // A key the bar takes without moving: pressed and let go on it.
        QTRY_VERIFY(w.record->openCalls() >= 2); // the start's player and the seek's
        const int before = w.record->openCalls();
        f->TrackBar1->setFocus();
        QTest::keyClick(f->TrackBar1, Qt::Key_A);
        QCOMPARE(f->TrackBar1->value(), second);
        QTRY_COMPARE(w.record->openCalls(), before + 1);
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        f->BtnCanelClick();
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
    }

    // While the main window plays, the search window's timer (hidden, still ticking) leaves the
    // main window's position bar alone and keeps its own play buttons as they were.
    void hiddenWindowTimer()
    {
        Windows w;
        const QString path = w.folder.write(u("m.spx"), recording(0, 1, 1, "1", 20000, 3));
        w.main->ListViewFileModel->appendRow(ReportRow{{u("1"), u("m.spx")}, path});
        w.main->ListViewFile->selectRow(0);
        w.main->BitBtnPlayStartClick();
        QTRY_VERIFY_WITH_TIMEOUT((w.main->TimerPlayerTimer(), w.main->TrackBar1->value() >= 2),
                                 30000);
        const int position = w.main->TrackBar1->value();
        for (int i = 0; i < 3; ++i)
            w.find->TimerPlayerTimer();
        QCOMPARE(w.main->TrackBar1->value(), position);
        QCOMPARE(w.find->TrackBar1->value(), 0);
        QCOMPARE(w.find->Label5->text(), u("00:00:00"));
        // The main window's last position is still its own: paused, a moved thumb goes back there.
        w.main->BitBtnPlayPauseClick();
        w.main->TrackBar1->setValue(position + 2);
        QTest::keyClick(w.main->TrackBar1, Qt::Key_Right); // to position + 3
        QCOMPARE(w.main->TrackBar1->value(), position);
        w.main->BitBtnPlayStopClick();
    }

    void conversion()
    {
        Windows w;
        TFindForm *f = w.find;
        // The same name in two folders, and a third recording.
        w.folder.write(u("a/same.spx"), recording(0, 1, 1, "1", 2000, 4));
        w.folder.write(u("b/same.spx"), recording(1, 1, 1, "2", 3000, 5));
        w.folder.write(u("c/other.spx"), recording(2, 1, 1, "3", 1000, 6));
        tovrel::test::runSearch(f);
        QCOMPARE(f->FindListViewModel->rowCount(), 3);

        f->BitBtn4Click();
        QCOMPARE(w.messages.texts(), QStringList{u("请选择转换的输出目录！")});
        f->BitBtnOutputClick();
        QCOMPARE(f->EditOutput->text(), w.output.path());
        w.messages.clear();
        f->BitBtn4Click();
        QCOMPARE(w.messages.texts(), QStringList{u("请选择需要转换的文件！")});

        // Convert all selects every row and leaves them selected.
        w.messages.clear();
        f->FindListView->selectRow(2);
        f->BitBtn5Click();
        QCOMPARE(f->FindListView->selectedRows(), (QList<int>{0, 1, 2}));
        QCOMPARE(f->BitBtn5->text(), u("停止转换"));
        for (QWidget *c : QList<QWidget *>{f->BtnFind, f->BtnExport, f->BtnCanel, f->BitBtnFind,
                                           f->TrackBar1, f->BitBtnOutput, f->BitBtn4, f->BitBtn1,
                                           f->BitBtn2, f->BitBtnPlayStart})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), QStringList{u("全部转换文件成功！")}, 30000);
        QCOMPARE(f->BitBtn5->text(), u("转换全部"));
        QVERIFY(f->BtnFind->isEnabled() && f->BtnCanel->isEnabled() && f->BitBtn4->isEnabled());
        QCOMPARE(w.openedFolders, QStringList{w.output.path()});
        QCOMPARE(ConvertAllFlag.load(), 0);
        // Both same-named rows keep their own WAV: 2 s and 3 s of sound.
        const QByteArray first = w.output.read(u("same.spx.wav"));
        const QByteArray second = w.output.read(u("same (2).spx.wav"));
        QCOMPARE(first.size(), 44 + 4 * 8000);
        QCOMPARE(second.size(), 44 + 6 * 8000);
        QCOMPARE(w.output.read(u("other.spx.wav")).size(), 44 + 2 * 8000);

        // Convert selected with the folder of the row gone: the open failure ends the run.
        QVERIFY(QDir(w.folder.file(u("c"))).removeRecursively());
        w.messages.clear();
        f->FindListView->clearSelection();
        f->FindListView->selectRow(2);
        f->BitBtn4Click();
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), QStringList{u("打开文件失败！")}, 30000);
        QTRY_COMPARE(f->BitBtn4->text(), u("转换选择"));
        QVERIFY(f->BtnFind->isEnabled() && f->BitBtn5->isEnabled());
        QCOMPARE(ConvertSelectedFlag.load(), 0);
    }

    // The note editor on a row of either list, by F2 or the context menu: the saved note's first
    // line shows in the row's last column and the whole note is in the file beside the
    // recording; opened again it holds the whole note; emptied and saved, the note is gone.
    void noteEditing_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<bool>("byMenu");
        for (bool search : {false, true}) {
            const char *list = search ? "search results" : "PC list";
            QTest::addRow("%s, F2", list) << search << false;
            QTest::addRow("%s, context menu", list) << search << true;
        }
    }

    void noteEditing()
    {
        QFETCH(bool, search);
        QFETCH(bool, byMenu);
        Windows w;
        ReportListView *list = w.showTwoRecordings(search);
        QVERIFY(list);
        const QString note = u("03161000_0002_xxxxx7654321.spx.txt");
        openNoteEditor(list, byMenu);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        QCOMPARE(w.editor()->NoteText->toPlainText(), QString());
        w.editor()->NoteText->setFocus();
        QTest::keyClicks(w.editor()->NoteText, u("Call back"));
        QTest::keyClick(w.editor()->NoteText, Qt::Key_Return);
        w.editor()->NoteText->insertPlainText(u("周一上午"));
        QTest::mouseClick(w.editor()->BtnSave, Qt::LeftButton);
        QTRY_VERIFY(!w.editor());
        QCOMPARE(lastCell(list, 1), u("Call back"));
        QCOMPARE(lastCell(list, 0), QString());
        QCOMPARE(w.folder.read(note), u("Call back\n周一上午").toUtf8());
        QVERIFY(w.messages.texts().isEmpty());

        // The keys are back in the list at once.
        QTRY_COMPARE(QApplication::focusWidget(), list);
        openNoteEditor(list, byMenu);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        QCOMPARE(w.editor()->NoteText->toPlainText(), u("Call back\n周一上午"));
        w.editor()->NoteText->clear();
        QTest::mouseClick(w.editor()->BtnSave, Qt::LeftButton);
        QTRY_VERIFY(!w.editor());
        QCOMPARE(lastCell(list, 1), QString());
        QVERIFY(!QFile::exists(w.folder.file(note)));
        QVERIFY(w.messages.texts().isEmpty());
    }

    // The disk cannot take the new note: the reason is shown, the editor stays open with what
    // was typed, and the row and the file keep the note they had.
    void failedNoteSaveLosesNothing()
    {
        Windows w;
        SmallFileSystem disk(w.folder.path(), 256);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("a tmpfs cannot be mounted here");
        const QString sub = disk.path().mid(w.folder.path().size());
        const QString note = sub + u("03161000_0002_xxxxx7654321.spx.txt");
        w.folder.write(note, "旧的\n备注");
        ReportListView *list = w.showTwoRecordings(false, sub);
        QVERIFY(list);
        QCOMPARE(lastCell(list, 1), u("旧的"));
        QTest::keyClick(list, Qt::Key_F2);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        QVERIFY(disk.fill());
        w.editor()->NoteText->setPlainText(u("新的备注").repeated(100));
        QTest::mouseClick(w.editor()->BtnSave, Qt::LeftButton);
        QCOMPARE(w.messages.texts().size(), 1);
        QVERIFY2(w.messages.texts().first().contains(w.folder.file(note)),
                 qPrintable(w.messages.texts().first()));
        QVERIFY(w.editor() && w.editor()->isVisible());
        QCOMPARE(w.editor()->NoteText->toPlainText(), u("新的备注").repeated(100));
        QCOMPARE(lastCell(list, 1), u("旧的"));
        QCOMPARE(w.folder.read(note), QByteArray("旧的\n备注"));
        w.editor()->BtnCancel->click();
        QTRY_VERIFY(!w.editor());
    }

    // The 备注 field: only recordings whose note holds its text, letter case ignored.
    void searchByNoteField()
    {
        Windows w;
        w.folder.write(u("03161000_0002_xxxxx7654321.spx.txt"), "first\nCALL back");
        QVERIFY(w.showTwoRecordings(true));
        w.find->NoteFindEdit->setText(u("call BACK"));
        tovrel::test::runSearch(w.find);
        QCOMPARE(w.find->FindListViewModel->rowCount(), 1);
        QCOMPARE(w.find->FindListViewModel->row(0).key.toString(),
                 w.folder.file(u("03161000_0002_xxxxx7654321.spx")));
        QCOMPARE(lastCell(w.find->FindListView, 0), u("first"));
        w.find->NoteFindEdit->clear();
        tovrel::test::runSearch(w.find);
        QCOMPARE(w.find->FindListViewModel->rowCount(), 2);
    }

    // A list's export carries the 备注 column when a row has a note, and only then.
    void exportCarriesNotes_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<bool>("withNote");
        QTest::newRow("PC list, a note") << false << true;
        QTest::newRow("PC list, no note") << false << false;
        QTest::newRow("search results, a note") << true << true;
        QTest::newRow("search results, no note") << true << false;
    }

    void exportCarriesNotes()
    {
        QFETCH(bool, search);
        QFETCH(bool, withNote);
        Windows w;
        if (withNote)
            w.folder.write(u("03151230_0001_xxxxx1234567.spx.txt"), "客户\n第二行");
        ReportListView *list = w.showTwoRecordings(search);
        QVERIFY(list);
        const QString path = w.output.file(u("list.xlsx"));
        QVERIFY(exportListWithMessages(w.messages, *list, path));
        QString error;
        const QList<QStringList> rows = tovrel::test::readXlsx(path, &error).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 3);
        const qsizetype columns = list->reportModel()->columnCount();
        QCOMPARE(rows.first().size(), withNote ? columns : columns - 1);
        if (withNote) {
            QCOMPARE(rows.at(0).last(), u("备注"));
            QCOMPARE(rows.at(1).last(), u("客户"));
            QCOMPARE(rows.at(2).last(), QString());
        }
    }
};

QTEST_MAIN(TestFindForm)
#include "tst_findform.moc"
