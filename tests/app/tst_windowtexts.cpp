// What a user reads in the windows and boxes: Chinese throughout (Qt's own widgets included),
// cut cells shown whole as a tooltip, and boxes with long lists of names that fit the screen.

#include "DeskApplication.h"
#include "FolderPicker.h"
#include "ListExport.h"
#include "MessageSink.h"
#include "NoteEditor.h"
#include "ProgramRun.h"
#include "RecordBytes.h"
#include "ReportListView.h"
#include "StandardError.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "device/TStorageSingleThread.h"
#include "export/SpreadsheetExport.h"
#include "report/ReportModel.h"
#include "search/SearchCriteria.h"
#include "settings/Language.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <functional>

using namespace tovrel;
using tovrel::test::TempFolder;
using tovrel::test::TestSandbox;

namespace {

using tovrel::test::u;

// Latin texts the program shows on purpose: the captions and messages it is known by, the
// product's name and the names of things (USB, PC, WAV, Excel, the list's default name, the
// keyboard's Ctrl key).
const QStringList kFixedLatinTexts{
    u("open input spx file error!"),
    u("Open WaveOut Error"),
    u("Open temp.spx error"),
    u("File Open Error"),
    u("File Open error"),
    u("Unable to write to"),
    u("Mouse up"),
    u("Waring"),
    u("Error"),
    u("Tovrel"),
    u("USB"),
    u("PC"),
    u("WAV"),
    u("FLAC"),
    u("Opus"),
    u("MP3"),
    u("Excel"),
    u("List"),
    // Key caps named in the playback buttons' tool tip.
    u("Ctrl"),
    u("Home"),
};

// The Latin-script words of `text` that are neither one of the program's fixed texts nor part of
// a file name or a path.
QStringList latinWords(QString text)
{
    for (const QString &fixed : kFixedLatinTexts)
        text.replace(QRegularExpression(
                         u("(?<![A-Za-z])%1(?![A-Za-z])").arg(QRegularExpression::escape(fixed))),
                     u(" "));
    QStringList found;
    static const QRegularExpression blank(u("\\s+"));
    static const QRegularExpression pathLike(u("[/\\\\]|\\.[A-Za-z0-9]{1,4}$"));
    static const QRegularExpression word(u("[A-Za-z\\x{00C0}-\\x{024F}]{2,}"));
    for (const QString &token : text.split(blank, Qt::SkipEmptyParts)) {
        if (token.contains(pathLike))
            continue;
        auto it = word.globalMatch(token);
        while (it.hasNext())
            found.append(it.next().captured());
    }
    return found;
}

// True when `w` is in `root`'s own window, not in a window of its own (a dialog or popup that
// has `root` as its parent).
bool inWindowOf(const QWidget *w, const QWidget *root)
{
    for (; w && w != root; w = w->parentWidget()) {
        if (w->isWindow())
            return false;
    }
    return true;
}

bool isFileSystemModel(const QAbstractItemModel *model)
{
    while (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model))
        model = proxy->sourceModel();
    return qobject_cast<const QFileSystemModel *>(model) != nullptr;
}

// Every text `root` and the widgets inside it show: titles, captions, tooltips, tab and list
// headers, list cells (file names in a file-system list excepted), combo items, menu entries.
// Without `withRecordingCells`, the cells of the recording lists (data, whatever the language)
// are left out; their headers stay in.
QStringList textsOf(QWidget *root, bool withRecordingCells = true)
{
    QStringList texts{root->windowTitle()};
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : std::as_const(widgets)) {
        if (!inWindowOf(w, root))
            continue;
        texts.append(w->toolTip());
        for (const QAction *a : w->actions())
            texts << a->text() << a->toolTip();
        if (const auto *l = qobject_cast<QLabel *>(w))
            texts.append(l->text());
        if (const auto *b = qobject_cast<QAbstractButton *>(w))
            texts.append(b->text());
        if (const auto *g = qobject_cast<QGroupBox *>(w))
            texts.append(g->title());
        if (const auto *e = qobject_cast<QLineEdit *>(w))
            texts << e->text() << e->placeholderText();
        if (const auto *t = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                texts.append(t->tabText(i));
        }
        if (const auto *c = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < c->count(); ++i)
                texts.append(c->itemText(i));
        }
        if (const auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model()) {
            const QAbstractItemModel *m = v->model();
            // A list's header view shows the list's model too.
            const bool cells =
                withRecordingCells || !(qobject_cast<const ReportListView *>(v) ||
                                        qobject_cast<const ReportListView *>(v->parentWidget()));
            // Folder names: the folder list and the picker's side bar of places.
            const bool fileNames =
                isFileSystemModel(m) || v->objectName() == QLatin1String("sidebar");
            const QModelIndex parent = v->rootIndex();
            for (int c = 0; c < m->columnCount(parent); ++c) {
                texts.append(m->headerData(c, Qt::Horizontal).toString());
                for (int r = 0; cells && r < qMin(m->rowCount(parent), 60); ++r) {
                    if (!(fileNames && c == 0))
                        texts.append(m->index(r, c, parent).data().toString());
                    texts.append(m->index(r, c, parent).data(Qt::ToolTipRole).toString());
                }
            }
        }
    }
    return texts;
}

[[maybe_unused]] QStringList latinWordsOf(QWidget *root)
{
    QStringList found;
    for (const QString &text : textsOf(root)) {
        for (const QString &w : latinWords(text))
            found.append(u("%1 (in \"%2\")").arg(w, text));
    }
    found.removeDuplicates();
    return found;
}

// The texts of `root` that hold a Chinese character (Han, CJK punctuation or a full-width form),
// the recordings' cells left out.
[[maybe_unused]] QStringList chineseTextsOf(QWidget *root)
{
    static const QRegularExpression chinese(
        u("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF00}-\\x{FFEF}]"));
    QStringList found;
    for (const QString &text : textsOf(root, false)) {
        if (text.contains(chinese))
            found.append(u("\"%1\"").arg(text));
    }
    found.removeDuplicates();
    return found;
}

// Room a window frame's title bar keeps for its icon and buttons.
constexpr int kTitleBarButtons = 110;

// The texts of `root`'s window shown cut (wider, in the widget's own font, than the room the
// widget's style gives them), and the widgets reaching past their parent's edge.
QStringList cutTextsOf(QWidget *root)
{
    QStringList cut;
    auto check = [&](const QWidget *w, const QString &text, int need, int room) {
        if (!text.isEmpty() && need > room)
            cut.append(
                u("%1 %2 \"%3\": %4 px in %5")
                    .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text)
                    .arg(need)
                    .arg(room));
    };
    const QString title = root->windowTitle();
    check(root, title,
          QFontMetrics(QApplication::font()).horizontalAdvance(title) + kTitleBarButtons,
          root->width());
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!inWindowOf(w, root) || !w->isVisibleTo(root))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        auto advance = [&](QString text) {
            return fm.boundingRect(QRect(), Qt::TextShowMnemonic, text.remove(u'&')).width();
        };
        const QWidget *parent = w->parentWidget();
        if (!qobject_cast<const QStatusBar *>(parent) && !parent->inherits("QStackedWidget") &&
            w->geometry().right() >= parent->width())
            cut.append(u("%1 reaches past %2's edge").arg(w->objectName(), parent->objectName()));
        const bool hasText = (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) &&
                             !w->property("text").toString().isEmpty();
        for (const QWidget *sibling : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (hasText && !parent->layout() && sibling != w && !sibling->isWindow() &&
                sibling->isVisibleTo(root) && sibling->geometry().intersects(w->geometry()))
                cut.append(u("%1 overlaps %2").arg(w->objectName(), sibling->objectName()));
        }
        QStyleOptionButton button;
        button.initFrom(w);
        if (const auto *l = qobject_cast<QLabel *>(w); l && !l->wordWrap())
            check(w, l->text(), advance(l->text()), l->contentsRect().width() - 2 * l->margin());
        if (const auto *c = qobject_cast<QCheckBox *>(w))
            check(w, c->text(), advance(c->text()),
                  w->style()->subElementRect(QStyle::SE_CheckBoxContents, &button, w).width());
        if (const auto *p = qobject_cast<QPushButton *>(w)) {
            const int icon = p->icon().isNull() ? 0 : p->iconSize().width() + 4;
            check(w, p->text(), advance(p->text()) + icon,
                  w->style()->subElementRect(QStyle::SE_PushButtonContents, &button, w).width());
        }
        if (const auto *g = qobject_cast<QGroupBox *>(w)) {
            QStyleOptionGroupBox box;
            box.initFrom(w);
            box.text = g->title();
            box.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect label =
                w->style()->subControlRect(QStyle::CC_GroupBox, &box, QStyle::SC_GroupBoxLabel, w);
            check(w, g->title(), label.left() + advance(g->title()), w->width());
        }
        if (const auto *e = qobject_cast<QLineEdit *>(w); e && e->text().isEmpty())
            check(w, e->placeholderText(), advance(e->placeholderText()),
                  e->contentsRect().width() - 4);
        if (const auto *t = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                check(w, t->tabText(i), advance(t->tabText(i)),
                      qMin(t->tabRect(i).width(), t->width() - t->tabRect(i).left()));
        }
    }
    return cut;
}

// Runs `look` on the next modal window as soon as it is open, then closes it.
void atNextModal(const std::function<void(QWidget *)> &look)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, look] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        look(modal);
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer->start();
}

QStringList manyNames(int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(u("12241805_%1_013912345678901.spx").arg(i, 4, 10, QLatin1Char('0')));
    return names;
}

} // namespace

class TestWindowTexts : public QObject
{
    Q_OBJECT

private:
    // The windows, popups and boxes the language tests walk.
    static void windows_data()
    {
        QTest::addColumn<QString>("what");
        for (const char *what :
             {"main window", "login dialog", "search window", "calendar popup", "export dialog",
              "contacts dialog", "note editor", "folder picker", "warning box", "plain message box",
              "question box", "standard error box", "box with a list of names"})
            QTest::newRow(what) << QString::fromLatin1(what);
    }

    // Opens `what` offscreen and returns what `look` finds in it.
    static QStringList walkWindow(const QString &what,
                                  const std::function<QStringList(QWidget *)> &look)
    {
        TestSandbox sandbox;
        test::StartupWindows w;
        w.main->TimerUSBConnect->stop();
        w.main->TimerPlayer->stop();
        QtMessageSink boxes;
        QStringList found;
        bool looked = false;
        auto walk = [&](QWidget *root) {
            looked = true;
            QTest::qWait(300); // a folder list fills in the background
            found = look(root);
        };
        if (what == u("main window")) {
            w.main->show();
            walk(w.main.get());
            w.main->PageControl1->setCurrentIndex(1);
            tovrel::test::waitForScan(&*w.main);
            found += look(w.main.get());
        } else if (what == u("login dialog")) {
            walk(w.password);
        } else if (what == u("search window")) {
            // With counts on the status line.
            emulator::RecordFields h;
            h.attribute = 1;
            h.payloadLength = 10;
            sandbox.folder().write(u("a.spx"), emulator::encodeRecord(h) + QByteArray(10, 'a'));
            w.find->setSearchFolder(sandbox.folder().path());
            w.find->BtnFindClick();
            w.find->show();
            walk(w.find);
        } else if (what == u("calendar popup")) {
            w.find->show();
            QCalendarWidget *calendar = w.find->StartDate->calendarWidget();
            if (!calendar)
                return {u("no calendar")};
            calendar->show();
            walk(calendar);
        } else if (what == u("export dialog")) {
            w.exportForm->prepareForSearchResults(w.find->FindListView, sandbox.folder().path());
            walk(w.exportForm);
        } else if (what == u("contacts dialog")) {
            atNextModal(walk);
            w.main->ContactsBtn->click();
            (void)QTest::qWaitFor([&] { return looked; }); // "not opened" below if not
        } else if (what == u("note editor")) {
            NoteEditor editor(sandbox.folder().file(u("a.spx")), u("note"), &boxes, w.main.get());
            editor.show();
            walk(&editor);
        } else if (what == u("folder picker")) {
            sandbox.folder().write(u("calls/a.spx"), QByteArray(32, '\0'));
            atNextModal([&](QWidget *dialog) {
                if (auto *d = qobject_cast<QFileDialog *>(dialog))
                    d->setViewMode(QFileDialog::Detail);
                walk(dialog);
            });
            pickFolderWithDialog(QCoreApplication::translate("tovrel::TMainForm", "请选择目录:"),
                                 QString(), sandbox.folder().path());
        } else if (what == u("warning box")) {
            atNextModal(walk);
            boxes.warn(search::nothingFoundText());
        } else if (what == u("plain message box")) {
            atNextModal(walk);
            boxes.show({programTitle(), u("open input spx file error!")});
        } else if (what == u("question box")) {
            atNextModal(walk);
            boxes.show({exporttext::existingFileCaption(), exporttext::existingFileQuestion(),
                        MessageIcon::Warning, MessageButtons::OkCancel});
        } else if (what == u("standard error box")) {
            atNextModal(walk);
            showStandardError(boxes,
                              u("Unable to write to ") + sandbox.folder().file(u("SysConf.ini")));
        } else {
            atNextModal(walk);
            boxes.warn(uploadNotWholeText(manyNames(40)));
        }
        if (!looked)
            found.append(u("%1 was not opened").arg(what));
        return found;
    }

private slots:
    // Every window, dialog and box, in either language, shows its texts whole.
    void textsFit_data() { windows_data(); }
    void textsFit()
    {
        QFETCH(QString, what);
        const QStringList cut = walkWindow(what, &cutTextsOf);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u("; "))));
    }

#ifdef TOVREL_WINDOWS_IN_ENGLISH
    // Every window, popup and box offscreen in English: no Chinese character but in data (the
    // recordings' cells and file names).
    void englishThroughout_data()
    {
        windows_data();
    }
    void englishThroughout()
    {
        QFETCH(QString, what);
        const QStringList found = walkWindow(what, &chineseTextsOf);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u("; "))));
    }

    // The PC list shows its cells in English; the workbook exported from it and the command
    // line's table keep the program's own texts, which scripts read.
    void cellsShownInEnglish_data()
    {
        QTest::addColumn<int>("attribute");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("shown"); // kind, duration
        QTest::addColumn<QStringList>("data");
        QTest::newRow("incoming") << 0 << 7000 << QStringList{u("Incoming"), u("8 s")}
                                  << QStringList{u("来电"), u("8 秒")};
        QTest::newRow("outgoing") << 1 << 61000 << QStringList{u("Outgoing"), u("1 min 2 s")}
                                  << QStringList{u("去电"), u("1 分2 秒")};
        QTest::newRow("local") << 2 << 3600000 << QStringList{u("Recording"), u("1 h 0 min 1 s")}
                               << QStringList{u("录音"), u("1 时0 分1 秒")};
    }
    void cellsShownInEnglish()
    {
        QFETCH(int, attribute);
        QFETCH(int, length);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, data);
        TestSandbox sandbox;
        test::StartupWindows w;
        emulator::RecordFields h;
        h.attribute = attribute;
        h.month = 3;
        h.day = 15;
        h.hour = 21;
        h.minute = 5;
        h.number = u("2088");
        h.payloadLength = quint32(length);
        const TempFolder &dir = sandbox.folder();
        dir.write(u("calls/a.spx"), emulator::encodeRecord(h));
        w.main->EditInput->setText(dir.file(u("calls/")));
        w.main->PageControl1->setCurrentIndex(1);
        test::waitForScan(&*w.main);
        const QAbstractItemModel *list = w.main->ListViewFile->model();
        QCOMPARE(list->rowCount(), 1);
        const QString time = u("3/15 ") + QLocale().toString(QTime(21, 5), QLocale::ShortFormat);
        QCOMPARE(
            (QStringList{list->index(0, 3).data().toString(), list->index(0, 4).data().toString(),
                         list->index(0, 6).data().toString()}),
            (QStringList{time, shown[0], shown[1]}));

        const QStringList expected{u(" 03月15日 21:05 "), data[0], data[1]};
        const auto dataOf = [](const QStringList &row) {
            return QStringList{row.value(3), row.value(4), row.value(6)};
        };
        QVERIFY(exportListWithMessages(w.messages, *w.main->ListViewFile, dir.file(u("l.xls"))));
        QString error;
        const QList<test::ReadSheet> sheets = test::readXls(dir.file(u("l.xls")), &error);
        QVERIFY2(!sheets.isEmpty() && sheets[0].rows.size() == 2, qPrintable(error));
        QCOMPARE(dataOf(sheets[0].rows[1]), expected);
        const test::ProgramRun run = test::runTovrel({u("list"), dir.file(u("calls"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(dataOf(test::tableRowsOf(run.out).value(0)), expected);
    }
#else
    // The windows keep the geometry they are drawn with.
    void chineseGeometryKept_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("widget"); // none: the window's size; else in the window
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("main window") << u("main window") << QString() << QRect(0, 0, 666, 685);
        QTest::newRow("login dialog") << u("login dialog") << QString() << QRect(0, 0, 309, 93);
        QTest::newRow("export dialog") << u("export dialog") << QString() << QRect(0, 0, 420, 120);
        QTest::newRow("export recordings")
            << u("export dialog") << u("CheckBoxAudio") << QRect(88, 84, 120, 22);
        QTest::newRow("export OK") << u("export dialog") << u("BtnOK") << QRect(220, 82, 80, 26);
        QTest::newRow("search window") << u("search window") << QString() << QRect(0, 0, 800, 640);
        QTest::newRow("outgoing") << u("search window") << u("CallOutRadio")
                                  << QRect(80, 176, 60, 20);
        QTest::newRow("rewind") << u("search window") << u("CheckBoxRewind")
                                << QRect(670, 455, 126, 18);
    }
    void chineseGeometryKept()
    {
        QFETCH(QString, what);
        QFETCH(QString, widget);
        QFETCH(QRect, geometry);
        auto text = [](QRect r) {
            return u("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        const QStringList found = walkWindow(what, [&](QWidget *root) {
            const QWidget *w = widget.isEmpty() ? root : root->findChild<QWidget *>(widget);
            // The main window is drawn with its frame.
            const QRect window(QPoint(), qobject_cast<TMainForm *>(root)
                                             ? root->frameGeometry().size()
                                             : root->size());
            return QStringList{text(!w ? QRect()
                                    : widget.isEmpty()
                                        ? window
                                        : QRect(w->mapTo(root, QPoint()), w->size()))};
        });
        QCOMPARE(found.value(0), text(geometry));
    }

    // Every window, popup and box offscreen: no Latin-script word but the program's fixed
    // texts, file names and paths.
    void chineseThroughout_data()
    {
        windows_data();
    }
    void chineseThroughout()
    {
        QFETCH(QString, what);
        const QStringList found = walkWindow(what, &latinWordsOf);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u("; "))));
    }

    // A cell cut short shows its whole text as a tooltip; a cell shown whole has none.
    void cutCellsShowTooltip_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("column");
        QTest::newRow("search results") << u("FindListView") << 0;
        QTest::newRow("PC list") << u("ListViewFile") << 1;
        QTest::newRow("telephone list") << u("ListViewMCU") << 1;
    }

    void cutCellsShowTooltip()
    {
        QFETCH(QString, list);
        QFETCH(int, column);
        TestSandbox sandbox;
        test::StartupWindows w;
        w.main->TimerUSBConnect->stop();
        w.main->TimerPlayer->stop();
        QWidget *window = list == u("FindListView") ? static_cast<QWidget *>(w.find) : w.main.get();
        if (list == u("ListViewFile"))
            w.main->PageControl1->setCurrentIndex(1);
        tovrel::test::waitForScan(&*w.main);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *view = window->findChild<ReportListView *>(list);
        QVERIFY(view);
        const QString longName =
            u("03150912_0001_") + QString(120, u'8') + u("_end-of-a-long-name.spx");
        QStringList cells(view->reportModel()->columnCount(), u("1"));
        QStringList shortCells = cells;
        cells[column] = longName;
        shortCells[column] = u("a.spx");
        view->reportModel()->appendRows(
            {ReportRow{cells, QString()}, ReportRow{shortCells, QString()}});
        // The list widens the column to its texts; a user narrows it.
        view->horizontalHeader()->resizeSection(column, 100);
        QVERIFY(view->columnWidth(column) < view->fontMetrics().horizontalAdvance(longName));

        auto pointAt = [&](int row) {
            const QRect cell = view->visualRect(view->model()->index(row, column));
            QHelpEvent help(QEvent::ToolTip, cell.center(),
                            view->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(view->viewport(), &help);
        };
        auto shownTip = [] { return QToolTip::isVisible() ? QToolTip::text() : QString(); };
        pointAt(0);
        QTRY_COMPARE(shownTip(), longName);
        // The tip goes (after the tip's own short delay) over a cell shown whole.
        pointAt(1);
        QTRY_COMPARE(shownTip(), QString());
    }

    // A recording file that is not whole is listed like any other, with the cells a whole file
    // of the same header gets, but on a warning background, and what is wrong is the tooltip of
    // each of its cells (ahead of the whole text of a cell cut short).
    void rowsNotWholeStandOut_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("nameColumn");
        QTest::addColumn<int>("numberColumn");
        QTest::newRow("PC list") << u("ListViewFile") << 1 << 2;
        QTest::newRow("search results") << u("FindListView") << 0 << 1;
    }

    void rowsNotWholeStandOut()
    {
        QFETCH(QString, list);
        QFETCH(int, nameColumn);
        QFETCH(int, numberColumn);
        TestSandbox sandbox;
        test::StartupWindows w;
        w.main->TimerUSBConnect->stop();
        w.main->TimerPlayer->stop();
        emulator::RecordFields h;
        h.attribute = 1;
        h.month = 3;
        h.day = 15;
        h.number = u("110");
        h.payloadLength = 1000;
        const QByteArray shortRecord = emulator::encodeRecord(h);
        h.longForm = true;
        h.payloadLength = 512;
        const QByteArray longRecord = emulator::encodeRecord(h);
        const TempFolder &dir = sandbox.folder();
        const QString longName = u("c") + QString(120, u'8') + u(".spx");
        dir.write(u("a.spx"), shortRecord + QByteArray(1000, 'a'));
        dir.write(u("b.spx"), shortRecord + QByteArray(400, 'a'));
        dir.write(longName, longRecord + QByteArray(515, 'a'));
        const QString cut = u("文件不完整：缺少 600 字节");
        const QString over = u("文件过长：多出 3 字节");

        QWidget *window = list == u("FindListView") ? static_cast<QWidget *>(w.find) : w.main.get();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        if (list == u("ListViewFile")) {
            w.main->EditInput->setText(dir.path());
            w.main->PageControl1->setCurrentIndex(1);
            tovrel::test::waitForScan(&*w.main);
        } else {
            w.find->setSearchFolder(dir.path());
            tovrel::test::runSearch(w.find);
        }
        QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join(u'\n')));
        auto *view = window->findChild<ReportListView *>(list);
        QVERIFY(view);
        const ReportModel *model = view->reportModel();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->row(1).cells[nameColumn], u("b.spx"));
        // Only the name (and the row number) tell the cut file from the whole one.
        for (int c = 0; c < model->columnCount(); ++c) {
            if (c != nameColumn && model->headerData(c, Qt::Horizontal).toString() != u("序号"))
                QCOMPARE(model->row(1).cells[c], model->row(0).cells[c]);
        }
        view->clearSelection();
        view->setCurrentIndex({});

        const QImage painted = view->viewport()->grab().toImage();
        // The colour most of the name cell is painted in, whatever the text covers.
        auto background = [&](int row) {
            const QRect cell = view->visualRect(model->index(row, nameColumn));
            QHash<QRgb, int> count;
            for (int y = cell.top(); y < cell.bottom(); ++y) {
                for (int x = cell.left(); x < cell.right(); ++x)
                    ++count[painted.pixel(x, y)];
            }
            QRgb most = 0;
            for (auto it = count.cbegin(); it != count.cend(); ++it) {
                if (it.value() > count.value(most))
                    most = it.key();
            }
            return QColor(most);
        };
        QCOMPARE(background(0), view->palette().color(QPalette::Base));
        for (int row : {1, 2}) {
            const QColor warning = background(row);
            QVERIFY2(warning != background(0) && warning.red() > warning.blue() + 60,
                     qPrintable(warning.name()));
        }

        auto tipAt = [&](int row, int column) {
            const QRect cell = view->visualRect(model->index(row, column));
            QHelpEvent help(QEvent::ToolTip, cell.center(),
                            view->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(view->viewport(), &help);
        };
        auto shownTip = [] { return QToolTip::isVisible() ? QToolTip::text() : QString(); };
        tipAt(1, nameColumn);
        QTRY_COMPARE(shownTip(), cut);
        tipAt(2, numberColumn);
        QTRY_COMPARE(shownTip(), over);
        QVERIFY(view->columnWidth(nameColumn) < view->widthToShow(longName));
        tipAt(2, nameColumn);
        QTRY_COMPARE(shownTip(), over + u("\n") + longName);
        tipAt(0, numberColumn);
        QTRY_COMPARE(shownTip(), QString());
    }

    // A box with a long list of names fits the screen, its OK button within reach; the first
    // names are in its text, every name in its details.
    void longListBoxFitsScreen_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("count");
        QTest::newRow("upload, 395 names") << u("以下文件没有完整上传：") << 395;
        QTest::newRow("PC list, 60 names") << u("以下文件无法读取：") << 60;
        QTest::newRow("long names") << u("以下文件无法读取：") << 30;
    }

    void longListBoxFitsScreen()
    {
        QFETCH(QString, heading);
        QFETCH(int, count);
        QStringList names = manyNames(count);
        if (QTest::currentDataTag() == QByteArray("long names")) {
            for (QString &n : names)
                n = u("/home/user/") + QString(300, u'x') + u("/") + n;
        }
        QtMessageSink boxes;
        QRect screen;
        QRect boxFrame;
        QRect okButton;
        QString text;
        QString details;
        atNextModal([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return;
            // The details shown, as a user opens them.
            for (QAbstractButton *b : box->buttons()) {
                if (box->buttonRole(b) == QMessageBox::ActionRole)
                    b->click();
            }
            QTest::qWait(50);
            screen = box->screen()->availableGeometry();
            boxFrame = box->frameGeometry();
            QAbstractButton *ok = box->button(QMessageBox::Ok);
            if (ok)
                okButton = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            text = box->text();
            details = box->detailedText();
        });
        boxes.warn(heading + u'\n' + names.join(u'\n'));
        QVERIFY(screen.isValid());
        QVERIFY2(screen.contains(boxFrame), qPrintable(u("%1x%2 box on a %3x%4 screen")
                                                           .arg(boxFrame.width())
                                                           .arg(boxFrame.height())
                                                           .arg(screen.width())
                                                           .arg(screen.height())));
        QVERIFY(screen.contains(okButton));
        QVERIFY(text.startsWith(heading));
        QVERIFY(text.contains(names.first().right(16)));
        QCOMPARE(details.split(u'\n', Qt::SkipEmptyParts), names);
    }

    // A short message stays as it is: all its text in the box, no details.
    void shortMessageUnchanged()
    {
        QtMessageSink boxes;
        QString text;
        QString details = u("unset");
        atNextModal([&](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                text = box->text();
                details = box->detailedText();
            }
        });
        const QString message = u("以下文件无法读取：\n") + manyNames(3).join(u'\n');
        boxes.warn(message);
        QCOMPARE(text, message);
        QCOMPARE(details, QString());
    }
#endif
};

int main(int argc, char *argv[])
{
    DeskApplication app(argc, argv);
#ifdef TOVREL_WINDOWS_IN_ENGLISH
    // As the program chooses: the test runs under an English locale (see CMakeLists.txt).
    QStringList arguments;
    QString error;
    const auto language = chooseLanguage(arguments, qgetenv, &error);
    if (language != Language::English || !applyLanguage(app, *language, &error)) {
        qCritical("English not chosen under LANG=%s: %s", qgetenv("LANG").constData(),
                  qUtf8Printable(error));
        return 1;
    }
#else
    app.loadQtTranslations();
#endif
    TestWindowTexts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowtexts.moc"
