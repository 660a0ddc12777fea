// Contact names in the windows offscreen: the 联系人 column of the telephone's list (against the
// emulator process), the PC list and the search results, their exports read back with libfreexl,
// the search window's name field, and the contact book dialog writing the user's book.

#include "ContactsDialog.h"
#include "PhoneFixture.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "SkipOutsideCi.h"
#include "SmallFileSystem.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include "device/LinkFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

// The recordings' numbers are 1234567, 1234568 and 1234569. 张三 has the first as written with
// punctuation; Li Si the third behind country and area prefixes; no one the second.
const QByteArray kBook = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xe5\xbc\xa0\xe4\xb8\x89\r\n"
                         "TEL;TYPE=CELL:123-4567\r\nEND:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Li Si\r\nTEL:+86 (10) 1234569\r\n"
                         "END:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zhang Wei\r\nTEL:555 0000\r\n"
                         "END:VCARD\r\n";
const QStringList kNames{u("张三"), QString(), u("Li Si")};

enum List
{
    Telephone,
    Computer,
    Results,
};

struct Windows : StartupWindows
{
    QStringList pickedFiles;

    explicit Windows(const QString &socket = {})
        : StartupWindows([this, socket](AppContext &context) {
              context.emulatorSocket = socket;
              context.deviceTimeoutMs = 1000;
              context.pickFiles = [this](const QString &, const QString &) { return pickedFiles; };
          })
    {
        main->TimerUSBConnect->stop();
        main->show();
    }

    // Fills `list`: the telephone's by the refresh button (password given), the PC list by the
    // folder, the search results by a search of the folder.
    void fill(int list, const QString &folder)
    {
        if (list == Computer) {
            main->EditInput->setText(folder);
            main->TabSheetComputerShow();
            tovrel::test::waitForScan(&*main);
        } else if (list == Results) {
            find->setSearchFolder(folder);
            tovrel::test::runSearch(find);
        } else {
            main->TimerUSBConnectTimer();
            tovrel::test::answerWhenShown(password, [this] {
                password->Password->setText(u("9137"));
                QTest::mouseClick(password->OKBtn, Qt::LeftButton);
            });
            QTest::mouseClick(main->BitBtnRefersh, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main->isReadingList(), 30000);
        }
    }

    // Exports the telephone's list or the search results into `out` through the window's own
    // buttons; the workbook written.
    QString exportList(int list, const QString &out)
    {
        if (list == Telephone) {
            main->EditSave->setText(out);
            main->BitBtnExportClick();
            return out + u("电话列表List.xls");
        }
        TExportForm1 &dialog = *exportForm;
        find->setExportForm(&dialog);
        QTimer::singleShot(0, &dialog, [&] {
            dialog.PathSetEdit->setText(out);
            dialog.BtnOKClick();
            QTest::mouseClick(dialog.BtnCanel, Qt::LeftButton);
        });
        QTest::mouseClick(find->BtnExport, Qt::LeftButton);
        return out + u("查找结果.xls");
    }

    ReportModel *model(int list) const
    {
        return list == Telephone  ? main->ListViewMCUModel
               : list == Computer ? main->ListViewFileModel
                                  : find->FindListViewModel;
    }

    ContactsDialog *openContacts()
    {
        QTest::mouseClick(main->ContactsBtn, Qt::LeftButton);
        return main->findChild<ContactsDialog *>();
    }
};

int numberColumn(int list)
{
    return list == Results ? 1 : 2;
}

// A list as the user sees it: its header, then each row's cells (the shape of a sheet read back).
QList<QStringList> tableOf(const ReportModel &model)
{
    QList<QStringList> table{{}};
    for (const ReportColumn &column : model.columns())
        table.first().append(column.caption);
    for (const ReportRow &row : model.rows())
        table.append(row.cells);
    return table;
}

// The names of the 联系人 column of a table, or nothing when it has no such column right after
// the number.
std::optional<QStringList> namesIn(const QList<QStringList> &table, int list)
{
    const int at = numberColumn(list) + 1;
    if (table.value(0).value(at) != u("联系人"))
        return std::nullopt;
    QStringList names;
    for (qsizetype r = 1; r < table.size(); ++r)
        names.append(table.at(r).value(at));
    return names;
}

std::optional<QStringList> namesIn(const ReportModel &model, int list)
{
    return namesIn(tableOf(model), list);
}

// The cards of a vCard text, each as "name=number;number", read with nothing of the program's:
// lines unfolded, FN and TEL values taken after the last ':'.
QStringList cardsIn(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(u("\r\n "), QString()).replace(u("\n "), QString());
    QStringList cards;
    QString name;
    QStringList numbers;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString l = line.trimmed();
        // Values escape ',' ';' and '\\' with a backslash.
        QString value = l.mid(l.lastIndexOf(QLatin1Char(':')) + 1);
        static const QRegularExpression escaped(QStringLiteral(R"(\\([,;\\]))"));
        value.replace(escaped, QStringLiteral("\\1"));
        if (l.startsWith(u("FN"), Qt::CaseInsensitive))
            name = value;
        else if (l.startsWith(u("TEL"), Qt::CaseInsensitive))
            numbers.append(value);
        else if (l.compare(u("END:VCARD"), Qt::CaseInsensitive) == 0) {
            cards.append(name + u'=' + numbers.join(u';'));
            name.clear();
            numbers.clear();
        }
    }
    return cards;
}

} // namespace

class TestContactNames : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;
    QList<FixtureRecording> m_recordings;
    QString m_folder;

    QString bookPath() const { return m_sandbox->configFolder() + u("tovrel/contacts.vcf"); }
    static void writeBook(const QString &path, const QByteArray &bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        QVERIFY(file.flush());
    }

private slots:
    void init()
    {
        resetLinkFlags();
        m_sandbox = std::make_unique<TestSandbox>();
        m_recordings = makeRecordings({1000, 2000, 3000}, false);
        m_folder = m_sandbox->folder().path() + u("rec/");
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(writeRecordings(m_folder, m_recordings));
    }
    void cleanup()
    {
        m_sandbox.reset();
        resetLinkFlags();
    }

    // Each list shows the column right after its number only while the book holds contacts,
    // and names the rows whose numbers belong to one; the exports of the telephone's list and
    // of the search results carry the same column.
    void namesInTheLists_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QByteArray>("book");   // null: no book file
        QTest::addColumn<QStringList>("names"); // empty: no column
        const struct
        {
            const char *name;
            int list;
        } lists[] = {{"telephone", Telephone}, {"pc", Computer}, {"search", Results}};
        for (const auto &l : lists) {
            QTest::addRow("%s, no book", l.name) << l.list << QByteArray() << QStringList();
            QTest::addRow("%s, empty book", l.name) << l.list << QByteArray("") << QStringList();
            QTest::addRow("%s, book", l.name) << l.list << kBook << kNames;
        }
    }
    void namesInTheLists()
    {
        QFETCH(int, list);
        QFETCH(QByteArray, book);
        QFETCH(QStringList, names);
        if (!book.isNull())
            writeBook(bookPath(), book);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        if (list == Telephone)
            QVERIFY2(
                startOnRecordings(phone, m_sandbox->folder().path() + u("phone"), m_recordings),
                qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.fill(list, m_folder);
        QCOMPARE(w.messages.texts(), QStringList());
        const QList<QStringList> table = tableOf(*w.model(list));
        QCOMPARE(table.size(), 4);
        QCOMPARE(namesIn(table, list).value_or(QStringList()), names);
        QCOMPARE(table.first().count(u("联系人")), names.isEmpty() ? 0 : 1);
        // The number stays where it was, with the file's number.
        QCOMPARE(table.at(3).at(numberColumn(list)), u("1234569"));
        if (list == Computer)
            return;

        const QString out = m_sandbox->folder().path() + u("out/");
        QVERIFY(QDir().mkpath(out));
        QString error;
        const QList<QStringList> sheet = readXls(w.exportList(list, out), &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList header = table.first();
        if (header.last() == u("备注"))
            header.removeLast(); // a 备注 column no row fills stays out of the workbook
        QCOMPARE(sheet.value(0), header);
        QCOMPARE(sheet.size(), 4);
        QCOMPARE(namesIn(sheet, list).value_or(QStringList()), names);
    }

    // The name field finds by the contact's name, letter case ignored; with a number as well,
    // both must hold. Letters may be typed into it.
    void searchByName_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("name alone") << QString() << u("张") << QList<int>{0};
        QTest::newRow("case ignored") << QString() << u("LI s") << QList<int>{2};
        QTest::newRow("a name no number has") << QString() << u("zhang") << QList<int>{};
        QTest::newRow("number and name both hold") << u("4569") << u("si") << QList<int>{2};
        QTest::newRow("number holds, name not") << u("4567") << u("si") << QList<int>{};
        QTest::newRow("number alone") << u("456") << QString() << QList<int>{0, 1, 2};
    }
    void searchByName()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QList<int>, rows);
        writeBook(bookPath(), kBook);
        Windows w;
        w.find->setSearchFolder(m_folder);
        w.find->PhoneCodeEdit->setText(number);
        w.find->ContactNameEdit->clear();
        // Typed as key presses, through the window's key filters.
        for (const QChar c : name) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w.find->ContactNameEdit, &press);
        }
        QCOMPARE(w.find->ContactNameEdit->text(), name);
        QCOMPARE(w.messages.texts(), QStringList()); // no "只能输入数字！"
        tovrel::test::runSearch(w.find);
        QStringList found;
        for (const ReportRow &row : w.find->FindListViewModel->rows())
            found.append(row.cells.at(1));
        QStringList expected;
        for (int r : std::as_const(rows))
            expected.append(m_recordings.at(r).header.number);
        QCOMPARE(found, expected);
    }

    // The dialog imports a vCard and a CSV file (a file it cannot read is named), edits and
    // deletes; the book's file follows each change, and the lists open behind it take the
    // column when it closes.
    void dialogImportEditDelete()
    {
        Windows w;
        w.fill(Computer, m_folder);
        w.fill(Results, m_folder);

        const TempFolder &dir = m_sandbox->folder();
        w.pickedFiles = {dir.write(u("phone.vcf"), kBook),
                         dir.write(u("export.csv"), "Name,Phone\r\n\"Wang, Wu\",0755-1234568\r\n"),
                         dir.file(u("missing.vcf"))};
        ContactsDialog *dialog = w.openContacts();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QTest::mouseClick(dialog->BtnImport, Qt::LeftButton);
        QCOMPARE(w.messages.texts().size(), 1);
        QVERIFY2(w.messages.texts().at(0).contains(u("missing.vcf")),
                 qPrintable(w.messages.texts().at(0)));
        QCOMPARE(cardsIn(dir.read(u("config/tovrel/contacts.vcf"))),
                 (QStringList{u("张三=123-4567"), u("Li Si=+86 (10) 1234569"),
                              u("Zhang Wei=555 0000"), u("Wang, Wu=0755-1234568")}));
        QCOMPARE(dialog->ContactListModel->rowCount(), 4);

        // Edit: 张三 gets a new name and a second number.
        dialog->ContactList->selectRow(0);
        QCOMPARE(dialog->EditName->text(), u("张三"));
        dialog->EditName->setText(u("张三丰"));
        dialog->EditNumbers->setText(u("123-4567; 010 7654321"));
        QTest::mouseClick(dialog->BtnSave, Qt::LeftButton);
        // Delete Zhang Wei.
        dialog->ContactList->clearSelection();
        dialog->ContactList->selectRow(2);
        QTest::mouseClick(dialog->BtnDelete, Qt::LeftButton);
        QCOMPARE(w.messages.messages().last().buttons, MessageButtons::OkCancel);
        QCOMPARE(cardsIn(dir.read(u("config/tovrel/contacts.vcf"))),
                 (QStringList{u("张三丰=123-4567;010 7654321"), u("Li Si=+86 (10) 1234569"),
                              u("Wang, Wu=0755-1234568")}));

        QTest::mouseClick(dialog->BtnClose, Qt::LeftButton);
        QTRY_VERIFY(!w.main->findChild<ContactsDialog *>());
        const QStringList named{u("张三丰"), u("Wang, Wu"), u("Li Si")};
        QCOMPARE(namesIn(*w.main->ListViewFileModel, Computer), named);
        QCOMPARE(namesIn(*w.find->FindListViewModel, Results), named);

        // Every contact deleted: the column goes again.
        dialog = w.openContacts();
        QVERIFY(dialog);
        dialog->ContactList->selectAll();
        QTest::mouseClick(dialog->BtnDelete, Qt::LeftButton);
        QCOMPARE(cardsIn(dir.read(u("config/tovrel/contacts.vcf"))), QStringList());
        dialog->close();
        QTRY_VERIFY(!w.main->findChild<ContactsDialog *>());
        QVERIFY(!namesIn(*w.main->ListViewFileModel, Computer));
        QVERIFY(!namesIn(*w.find->FindListViewModel, Results));
    }

    // 新建 adds the name and numbers typed in as a contact, written to the book's file.
    void dialogNew()
    {
        writeBook(bookPath(), kBook);
        Windows w;
        ContactsDialog *dialog = w.openContacts();
        QVERIFY(dialog);
        dialog->EditName->setText(u("王五"));
        dialog->EditNumbers->setText(u("020 8765 4321， 10086"));
        QTest::mouseClick(dialog->BtnNew, Qt::LeftButton);
        QCOMPARE(cardsIn(m_sandbox->folder().read(u("config/tovrel/contacts.vcf"))),
                 (QStringList{u("张三=123-4567"), u("Li Si=+86 (10) 1234569"),
                              u("Zhang Wei=555 0000"), u("王五=020 8765 4321;10086")}));
        QCOMPARE(dialog->ContactListModel->row(3).cells,
                 (QStringList{u("王五"), u("020 8765 4321; 10086")}));
    }

    // A book that cannot be written (its disk is full): each change is shown as a message, and
    // the file and the dialog keep the book as it was.
    void dialogWriteFailure_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *action : {"edit", "import", "new"})
            QTest::newRow(action) << u(action);
    }
    void dialogWriteFailure()
    {
        QFETCH(QString, action);
        SmallFileSystem disk(m_sandbox->folder().path(), 256);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("a tmpfs cannot be mounted here");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(disk.path()));
        const QString path = disk.path() + u("tovrel/contacts.vcf");
        writeBook(path, kBook);
        QVERIFY(disk.fill());

        Windows w;
        w.pickedFiles = {m_sandbox->folder().write(u("more.csv"), "name,number\nWang Wu,13800\n")};
        ContactsDialog *dialog = w.openContacts();
        QVERIFY(dialog);
        if (action == u("import")) {
            QTest::mouseClick(dialog->BtnImport, Qt::LeftButton);
        } else if (action == u("new")) {
            dialog->EditName->setText(u("Wang Wu"));
            dialog->EditNumbers->setText(u("13800"));
            QTest::mouseClick(dialog->BtnNew, Qt::LeftButton);
        } else {
            dialog->ContactList->selectRow(1);
            dialog->EditName->setText(u("Li Si Renamed"));
            QTest::mouseClick(dialog->BtnSave, Qt::LeftButton);
        }
        QCOMPARE(w.messages.texts().size(), 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kBook);
        QCOMPARE(dialog->ContactListModel->rowCount(), 3);
        QCOMPARE(dialog->ContactListModel->row(1).cells.at(0), u("Li Si"));
        dialog->close();
    }
};

QTEST_MAIN(TestContactNames)
#include "tst_contactnames.moc"
