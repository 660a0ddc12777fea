// The file that takes its name only when every byte reached the disk, with the disk refusing
// the sync (fsync failing with EIO through a preloaded stand-in of the C library's fsync).

#include "TestFolders.h"

#include "io/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

// While it lives, every fsync of the process fails with EIO.
class FailingSync
{
public:
    FailingSync() { qputenv("TOVREL_TEST_FSYNC_EIO", "1"); }
    ~FailingSync() { qunsetenv("TOVREL_TEST_FSYNC_EIO"); }
    FailingSync(const FailingSync &) = delete;
    FailingSync &operator=(const FailingSync &) = delete;
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    // The stand-in is in place: without it this test would prove nothing.
    void syncFailsWhileAsked()
    {
        TempFolder dir;
        QFile file(dir.write(QStringLiteral("probe"), "x"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(::fsync(file.handle()), 0);
        FailingSync failing;
        QCOMPARE(::fsync(file.handle()), -1);
        QCOMPARE(errno, EIO);
    }

    void refusedSyncNeverTakesTheName_data()
    {
        QTest::addColumn<QByteArray>("earlier"); // empty: no file of that name yet
        QTest::addColumn<bool>("finishFirst");   // finish() alone, or commit()
        QTest::newRow("new file, commit") << QByteArray() << false;
        QTest::newRow("new file, finish") << QByteArray() << true;
        QTest::newRow("over an earlier copy, commit") << QByteArray("earlier copy") << false;
        QTest::newRow("over an earlier copy, finish") << QByteArray("earlier copy") << true;
    }
    void refusedSyncNeverTakesTheName()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(bool, finishFirst);
        TempFolder dir;
        const QString target = dir.path() + QStringLiteral("0315_0001_1234.spx");
        if (!earlier.isEmpty())
            dir.write(QStringLiteral("0315_0001_1234.spx"), earlier);

        AtomicFile file(target);
        QVERIFY(file.open());
        QVERIFY(file.write(QByteArray(4000, 'r')));
        {
            FailingSync failing;
            if (finishFirst)
                QVERIFY(!file.finish());
            QVERIFY(!file.commit());
        }
        QVERIFY(file.failed());
        QVERIFY(!file.errorString().isEmpty());
        // The earlier copy is as it was (or there is none), and no temporary file is left.
        if (earlier.isEmpty()) {
            QCOMPARE(entries(dir.path()), QStringList());
        } else {
            QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("0315_0001_1234.spx")});
            QCOMPARE(dir.read(QStringLiteral("0315_0001_1234.spx")), earlier);
        }
        // A commit after the refusal does not rename what is left either.
        QVERIFY(!file.commit());
        QCOMPARE(entries(dir.path()).size(), earlier.isEmpty() ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
