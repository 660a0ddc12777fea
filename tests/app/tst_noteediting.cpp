// Notes in the windows: F2 on a row of the PC list or of the search results opens the editor,
// a saved note shows its first line in the row's last column and is in the file beside the
// recording; a failed save keeps the editor and its text; the lists' export carries the column.

#include "ListExport.h"
#include "NoteEditor.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "SearchFixtures.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "activity/ActivityFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::shortRecord;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

struct Windows
{
    RecordingMessageSink messages;
    TempFolder folder;
    std::unique_ptr<TMainForm> main;
    TFindForm *find = nullptr;

    Windows()
    {
        resetActivityFlags();
        AppContext context;
        context.messages = &messages;
        main = std::make_unique<TMainForm>(context);
        main->TimerPlayer->stop();
        main->TimerUSBConnect->stop();
        find = new TFindForm(context, main.get());
        main->setWindows(nullptr, find, nullptr);
        find->TimerPlayer->stop();
        find->setSearchFolder(folder.path());
        folder.write(u("03151230_0001_xxxxx1234567.spx"),
                     shortRecord(0, 3, 15, 12, 30, "1234567", 61000));
        folder.write(u("03161000_0002_xxxxx7654321.spx"),
                     shortRecord(1, 3, 16, 10, 0, "7654321", 5000));
    }

    ~Windows()
    {
        main.reset();
        resetActivityFlags();
    }

    // The list asked for, filled from the folder and shown with its second row selected.
    ReportListView *showList(bool search)
    {
        QWidget *window = search ? static_cast<QWidget *>(find) : main.get();
        ReportListView *list = search ? find->FindListView : main->ListViewFile;
        if (search) {
            find->show();
            find->BtnFindClick();
        } else {
            main->show();
            main->EditInput->setText(folder.path());
            main->PageControl1->setCurrentWidget(main->TabSheetMCU);
            main->PageControl1->setCurrentWidget(main->TabSheetComputer);
        }
        if (!QTest::qWaitForWindowActive(window) || list->reportModel()->rowCount() != 2)
            return nullptr;
        list->selectRow(1);
        list->setFocus();
        return list;
    }

    NoteEditor *editor() const { return main->findChild<NoteEditor *>(); }
};

QString lastCell(const ReportListView *list, int row)
{
    const ReportModel *model = list->reportModel();
    return model->row(row).cells.value(model->columnCount() - 1);
}

} // namespace

class TestNoteEditing : public QObject
{
    Q_OBJECT

private slots:
    void f2EditsTheSelectedRow_data()
    {
        QTest::addColumn<bool>("search");
        QTest::newRow("PC list") << false;
        QTest::newRow("search results") << true;
    }

    void f2EditsTheSelectedRow()
    {
        QFETCH(bool, search);
        Windows w;
        ReportListView *list = w.showList(search);
        QVERIFY(list);
        QCOMPARE(list->reportModel()
                     ->headerData(list->reportModel()->columnCount() - 1, Qt::Horizontal)
                     .toString(),
                 u("备注"));
        QTest::keyClick(list, Qt::Key_F2);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        NoteEditor *editor = w.editor();
        QCOMPARE(editor->NoteText->toPlainText(), QString());
        editor->NoteText->setFocus();
        QTest::keyClicks(editor->NoteText, u("Call back"));
        QTest::keyClick(editor->NoteText, Qt::Key_Return);
        editor->NoteText->insertPlainText(u("周一上午"));
        QTest::mouseClick(editor->BtnSave, Qt::LeftButton);
        QTRY_VERIFY(!w.editor());
        QCOMPARE(lastCell(list, 1), u("Call back"));
        QCOMPARE(lastCell(list, 0), QString());
        QCOMPARE(w.folder.read(u("03161000_0002_xxxxx7654321.spx.txt")),
                 u("Call back\n周一上午").toUtf8());
        QVERIFY(w.messages.texts().isEmpty());

        // Opened again, the editor holds the whole note; emptied and saved, the note is gone.
        QVERIFY(QTest::qWaitForWindowActive(list->window()));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F2);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        QCOMPARE(w.editor()->NoteText->toPlainText(), u("Call back\n周一上午"));
        w.editor()->NoteText->clear();
        QTest::mouseClick(w.editor()->BtnSave, Qt::LeftButton);
        QTRY_VERIFY(!w.editor());
        QCOMPARE(lastCell(list, 1), QString());
        QVERIFY(!QFile::exists(w.folder.file(u("03161000_0002_xxxxx7654321.spx.txt"))));
    }

    // The note file cannot take the new text: the reason is shown, the editor stays open with
    // what was typed, and the row keeps the note it had.
    void failedSaveLosesNothing()
    {
        Windows w;
        w.folder.write(u("03161000_0002_xxxxx7654321.spx.txt"), "旧的\n备注");
        ReportListView *list = w.showList(false);
        QVERIFY(list);
        QCOMPARE(lastCell(list, 1), u("旧的"));
        QTest::keyClick(list, Qt::Key_F2);
        QTRY_VERIFY(w.editor() && w.editor()->isVisible());
        // Meanwhile a folder took the note's name.
        QVERIFY(QFile::remove(w.folder.file(u("03161000_0002_xxxxx7654321.spx.txt"))));
        QVERIFY(QDir(w.folder.path()).mkdir(u("03161000_0002_xxxxx7654321.spx.txt")));
        w.editor()->NoteText->setPlainText(u("新的备注"));
        QTest::mouseClick(w.editor()->BtnSave, Qt::LeftButton);
        QCOMPARE(w.messages.texts().size(), 1);
        QVERIFY(w.messages.texts().first().contains(u("03161000_0002_xxxxx7654321.spx.txt")));
        QVERIFY(w.editor() && w.editor()->isVisible());
        QCOMPARE(w.editor()->NoteText->toPlainText(), u("新的备注"));
        QCOMPARE(lastCell(list, 1), u("旧的"));
        w.editor()->BtnCancel->click();
        QTRY_VERIFY(!w.editor());
    }

    // The 备注 field: only recordings whose note holds its text, letter case ignored.
    void searchByNoteField()
    {
        Windows w;
        w.folder.write(u("03161000_0002_xxxxx7654321.spx.txt"), "first\nCALL back");
        w.find->NoteFindEdit->setText(u("call BACK"));
        w.find->BtnFindClick();
        QCOMPARE(w.find->FindListViewModel->rowCount(), 1);
        QCOMPARE(w.find->FindListViewModel->row(0).key.toString(),
                 w.folder.file(u("03161000_0002_xxxxx7654321.spx")));
        QCOMPARE(lastCell(w.find->FindListView, 0), u("first"));
        w.find->NoteFindEdit->clear();
        w.find->BtnFindClick();
        QCOMPARE(w.find->FindListViewModel->rowCount(), 2);
    }

    // The window's export carries the 备注 column when a row has a note, and only then.
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
        ReportListView *list = w.showList(search);
        QVERIFY(list);
        TempFolder out;
        const QString path = out.file(u("list.xlsx"));
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

QTEST_MAIN(TestNoteEditing)
#include "tst_noteediting.moc"
