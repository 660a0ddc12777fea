// A recording's note in the file beside it: written whole, read back, removed when emptied,
// kept when the folder refuses the change, and seen by the folder listing.

#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include "io/NativePath.h"
#include "notes/RecordingNote.h"
#include "recordings/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovrel;
using tovrel::test::BytesNamedFile;
using tovrel::test::ChildLimits;
using tovrel::test::shortRecord;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

struct ChangeInChild
{
    QString recording;
    QString text;
};

// In the child, as nobody: 0 when the change was refused with a message naming the note file.
int refusedChange(void *context)
{
    const auto *change = static_cast<const ChangeInChild *>(context);
    const auto error = writeNote(change->recording, change->text);
    if (!error)
        return 1;
    return error->contains(change->recording + u(".txt")) ? 0 : 2;
}

} // namespace

class TestNotes : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("earlier"); // the note before (empty: none)
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("one line") << QString() << u("客户要求回电 Call back")
                                  << u("客户要求回电 Call back");
        QTest::newRow("several lines") << u("old") << u("第一行\n第二行\n") << u("第一行");
        QTest::newRow("CR LF lines") << QString() << u("first\r\nsecond") << u("first");
        QTest::newRow("starts with a break") << QString() << u("\nsecond") << QString();
        QTest::newRow("empty removes") << u("old note") << QString() << QString();
        QTest::newRow("empty without a note") << QString() << QString() << QString();
    }

    void roundTrip()
    {
        QFETCH(QString, earlier);
        QFETCH(QString, text);
        QFETCH(QString, firstLine);
        TempFolder dir;
        const QString recording = dir.write(u("03151230_0001_xxxxx1234567.spx"), "spx");
        const QString noteFile = dir.file(u("03151230_0001_xxxxx1234567.spx.txt"));
        if (!earlier.isEmpty())
            dir.write(u("03151230_0001_xxxxx1234567.spx.txt"), earlier.toUtf8());
        const auto error = writeNote(recording, text);
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        QCOMPARE(QFile::exists(noteFile), !text.isEmpty());
        if (!text.isEmpty())
            QCOMPARE(dir.read(u("03151230_0001_xxxxx1234567.spx.txt")), text.toUtf8());
        const NoteRead read = readNote(recording);
        QVERIFY(read.ok());
        QCOMPARE(read.text, text);
        QCOMPARE(noteFirstLine(read.text), firstLine);
        // Nothing but the recording and its note is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 text.isEmpty() ? 1 : 2);
    }

    // A recording whose name is not valid UTF-8: the note goes beside it by its real bytes.
    void bytesNamedRecording()
    {
        TempFolder dir;
        BytesNamedFile recording(dir.path(), "\xb2\xe2\xca\xd4.spx", "spx");
        QVERIFY(recording.isValid());
        const QString path = pathFromNative(QFile::encodeName(dir.path()) + "\xb2\xe2\xca\xd4.spx");
        QVERIFY(!writeNote(path, u("旧电脑")));
        const QByteArray noteBytes = QFile::encodeName(dir.path()) + "\xb2\xe2\xca\xd4.spx.txt";
        struct stat st;
        QCOMPARE(::stat(noteBytes.constData(), &st), 0);
        QCOMPARE(readNote(path).text, u("旧电脑"));
        QVERIFY(!writeNote(path, QString()));
        QCOMPARE(::stat(noteBytes.constData(), &st), -1);
    }

    // A folder the user may not change: the message names the note file and the earlier note
    // stays as it was, for a new text and for a removal alike.
    void refusedChangeKeepsTheNote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("new text") << u("新的备注");
        QTest::newRow("removal") << QString();
    }

    void refusedChangeKeepsTheNote()
    {
        QFETCH(QString, text);
        TempFolder dir;
        const QString recording = dir.write(u("a.spx"), "spx");
        QVERIFY(!writeNote(recording, u("原来的备注\n第二行")));
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        ChildLimits limits;
        limits.asNobody = true;
        ChangeInChild change{recording, text};
        QCOMPARE(tovrel::test::runInChild(limits, refusedChange, &change), 0);
        QCOMPARE(readNote(recording).text, u("原来的备注\n第二行"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // A note file that cannot be read is a failure naming it, never "no note".
    void unreadableNoteIsAFailure()
    {
        TempFolder dir;
        const QString recording = dir.write(u("a.spx"), "spx");
        dir.write(u("a.spx.txt"), "\xff\xfe not text");
        const NoteRead read = readNote(recording);
        QVERIFY(!read.ok());
        QVERIFY(read.error().contains(u("a.spx.txt")));
        QVERIFY(QDir(dir.path()).mkdir(u("b.spx.txt")));
        QVERIFY(!readNote(dir.write(u("b.spx"), "spx")).ok());
    }

    // The listing tells which recordings have a note: only an entry of the recording's own name
    // with ".txt" added counts (a folder of that name too, so that reading it is a failure).
    void listingSeesNotes()
    {
        TempFolder dir;
        const QByteArray header = shortRecord(0, 3, 15, 12, 30, "1234567", 1000);
        for (const char *name : {"a.spx", "b.SPX", "c.spx", "d.spx", "e.spx"})
            dir.write(u(name), header);
        dir.write(u("a.spx.txt"), "note");
        dir.write(u("b.SPX.txt"), "note");
        dir.write(u("c.spx.TXT"), "not its note");
        dir.write(u("d.txt"), "not its note");
        QVERIFY(QDir(dir.path()).mkdir(u("e.spx.txt")));
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QList<bool> noted;
        for (const ScannedRecording &r : scan.recordings)
            noted.append(r.hasNote);
        QCOMPARE(noted, (QList<bool>{true, true, false, false, true}));
    }
};

QTEST_GUILESS_MAIN(TestNotes)
#include "tst_notes.moc"
