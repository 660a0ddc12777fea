// tovrel device upload --new against the emulator process: recordings already in the folder,
// whole, are neither asked for nor touched, whatever their positions and addresses have become;
// a copy cut short or removed is fetched again, whole; a file of another call keeps its name.
// Every uploaded file carries the call's time.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

struct FileStamp
{
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

FileStamp stampOf(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The data commands the emulator logged, in order, as "address count".
QStringList dataCommands(const QString &log)
{
    QStringList out;
    for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(QStringLiteral(": data address "));
        if (at >= 0)
            out.append(line.mid(at + 15).replace(QStringLiteral(" count "), QStringLiteral(" ")));
    }
    return out;
}

// The data commands a whole upload of `r` asks for: 256-byte packets at consecutive addresses.
QStringList packetsOf(const FixtureRecording &r)
{
    QStringList out;
    const quint32 length = quint32(r.payload.size());
    for (quint32 done = 0; done < length; done += 256)
        out.append(QStringLiteral("%1 %2")
                       .arg(r.header.startAddress + done)
                       .arg(std::min<quint32>(256, length - done)));
    return out;
}

} // namespace

class TestUploadNew : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    QList<FixtureRecording> m_recordings;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};

    QString out() const { return m_dir->path() + QStringLiteral("out/"); }
    QString pathOf(int i) const { return out() + m_recordings[i].fileName(i + 1); }

    bool startPhone(bool longForm, const QList<quint32> &lengths)
    {
        m_recordings = makeRecordings(lengths, longForm);
        return startOnRecordings(
            m_phone, m_dir->path() + QStringLiteral("phone"), m_recordings,
            {QStringLiteral("--password"), QStringLiteral("2468"), QStringLiteral("--verbose")});
    }

    // Runs `tovrel device upload --all [--new]`; `commands` receives the data commands it
    // made the telephone answer.
    ProgramRun uploadAll(bool onlyNew, QStringList *commands = nullptr)
    {
        const qsizetype before = m_phone.log().size();
        QStringList args{
            u("device"), u("upload"),     u("--password"),      u("2468"),         u("--to"), out(),
            u("--all"),  u("--emulator"), m_phone.socketName(), u("--timeout-ms"), u("2000")};
        if (onlyNew)
            args.append(u("--new"));
        const ProgramRun r = runProgram(tovrelProgram(), args, 60000);
        // Every record command of the run has been logged before the program could end; the
        // log is read as it arrives.
        const auto records = [&] {
            return m_phone.log().mid(before).count(QStringLiteral(": record "));
        };
        if (!QTest::qWaitFor([&] { return records() >= m_recordings.size() + 1; }, 5000))
            QTest::qFail("the emulator did not log every record command", __FILE__, __LINE__);
        QTest::qWait(100);
        if (commands)
            *commands = dataCommands(m_phone.log().mid(before));
        return r;
    }

private slots:
    void init() { m_dir = std::make_unique<TempFolder>(); }
    void cleanup()
    {
        m_phone.stop();
        m_dir.reset();
    }

    void twiceUploadsNothingTheSecondTime_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::newRow("short form") << false;
        QTest::newRow("long form") << true;
    }
    void twiceUploadsNothingTheSecondTime()
    {
        QFETCH(bool, longForm);
        QVERIFY2(startPhone(longForm, {1024, 512, 0, 2560}), qPrintable(m_phone.error()));
        QStringList commands;
        const ProgramRun first = uploadAll(true, &commands);
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(first.out, u("所选择的文件上传结束\n"));
        QCOMPARE(first.err, u("上传 4 个，已有 0 个，不完整 0 个\n"));
        QCOMPARE(commands.size(), 4 + 2 + 0 + 10);
        QList<FileStamp> stamps;
        for (int i = 0; i < m_recordings.size(); ++i) {
            QCOMPARE(m_dir->read(QStringLiteral("out/") + m_recordings[i].fileName(i + 1)),
                     m_recordings[i].bytes());
            stamps.append(stampOf(pathOf(i)));
        }
        // The files' own times stay the calls' times: let a second pass.
        QTest::qWait(1100);
        const ProgramRun second = uploadAll(true, &commands);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.out, u("所选择的文件上传结束\n"));
        QCOMPARE(second.err, u("上传 0 个，已有 4 个，不完整 0 个\n"));
        QCOMPARE(commands, QStringList());
        for (int i = 0; i < m_recordings.size(); ++i)
            QCOMPARE(stampOf(pathOf(i)), stamps[i]);
        QCOMPARE(QDir(out()).entryList(QDir::Files | QDir::Hidden).size(), m_recordings.size());
    }

    // After a copy is damaged, --new asks for exactly that recording's packets again and
    // makes it whole; the other files stay untouched.
    void damagedCopyFetchedAgain_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("damage");
        for (const bool longForm : {false, true}) {
            const char *form = longForm ? "long" : "short";
            for (const char *damage :
                 {"cut short", "header only", "deleted", "header changed", "one byte longer"})
                QTest::addRow("%s, %s", form, damage) << longForm << u(damage);
        }
    }
    void damagedCopyFetchedAgain()
    {
        QFETCH(bool, longForm);
        QFETCH(QString, damage);
        QVERIFY2(startPhone(longForm, {1024, 768, 512}), qPrintable(m_phone.error()));
        QCOMPARE(uploadAll(false).exitCode, 0);
        const QString damaged = pathOf(1);
        const QByteArray whole = m_recordings[1].bytes();
        QFile file(damaged);
        if (damage == u("cut short")) {
            QVERIFY(file.resize(whole.size() - 1));
        } else if (damage == u("header only")) {
            QVERIFY(file.resize(longForm ? 32 : 19));
        } else if (damage == u("deleted")) {
            QVERIFY(file.remove());
        } else if (damage == u("header changed")) {
            // Byte 0 means nothing on the PC; only the comparison with the record can see it.
            QByteArray bytes = whole;
            bytes[0] = char(bytes[0] ^ 0x5A);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
            file.close();
        } else {
            QVERIFY(file.open(QIODevice::Append));
            QCOMPARE(file.write("x", 1), 1);
            file.close();
        }
        const FileStamp first = stampOf(pathOf(0));
        const FileStamp third = stampOf(pathOf(2));

        const QByteArray before = m_dir->read(QStringLiteral("out/") + m_recordings[1].fileName(2));
        QStringList commands;
        const ProgramRun r = uploadAll(true, &commands);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, u("上传 1 个，已有 2 个，不完整 0 个\n"));
        QCOMPARE(commands, packetsOf(m_recordings[1]));
        // Another header is another call's file: it stays, and the recording takes "(2)".
        QString name = m_recordings[1].fileName(2);
        if (damage == u("header changed")) {
            QCOMPARE(m_dir->read(QStringLiteral("out/") + name), before);
            name.replace(u(".spx"), u(" (2).spx"));
        }
        QCOMPARE(m_dir->read(QStringLiteral("out/") + name), whole);
        QCOMPARE(stampOf(pathOf(0)), first);
        QCOMPARE(stampOf(pathOf(2)), third);
    }

    // The telephone drops its oldest recording and records two more: every position and
    // address moves. --new fetches exactly the new ones and the one whose copy was cut short
    // (the cut copy, under its old position, goes); the last new call has the number and minute
    // of the recording whose old name it takes: both stay whole. Each call is then in the folder
    // once, whole.
    void shiftedListFetchesOnlyNew_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::newRow("short form") << false;
        QTest::newRow("long form") << true;
    }
    void shiftedListFetchesOnlyNew()
    {
        QFETCH(bool, longForm);
        const auto pool = makeRecordings({1024, 768, 512, 1280, 256, 512}, longForm);
        m_recordings = pool.first(4);
        m_recordings[3].header.minute = pool[4].header.minute;
        m_recordings[3].header.number = pool[4].header.number;
        const QStringList args{u("--password"), u("2468"), u("--verbose")};
        QVERIFY(startOnRecordings(m_phone, m_dir->path() + u("phone"), m_recordings, args));
        QCOMPARE(uploadAll(true).exitCode, 0);
        QVERIFY(QFile(pathOf(2)).resize(300));
        QMap<QString, QByteArray> expected;
        for (int i : {0, 1, 3})
            expected.insert(m_recordings[i].fileName(i + 1), m_recordings[i].bytes());
        // The same calls one place up, at other addresses, and two new ones.
        QList<FixtureRecording> now = m_recordings.mid(1) + pool.mid(4);
        quint32 address = pool[0].header.startAddress + 0x800;
        for (FixtureRecording &r : now) {
            r.header.startAddress = address;
            address += quint32(r.payload.size() + 511) / 256 * 256;
        }
        m_phone.stop();
        m_recordings = now;
        QVERIFY(startOnRecordings(m_phone, m_dir->path() + u("phone"), m_recordings, args));
        QStringList commands;
        const ProgramRun r = uploadAll(true, &commands);
        QCOMPARE(r.exitCode, 0);
        QStringList fetched;
        for (int i : {1, 3, 4}) {
            fetched += packetsOf(now[i]);
            QString name = now[i].fileName(i + 1);
            expected.insert(i == 3 ? name.replace(u(".spx"), u(" (2).spx")) : name, now[i].bytes());
        }
        QCOMPARE(commands, fetched);
        QCOMPARE(r.err, u("上传 3 个，已有 2 个，不完整 0 个\n"));
        QCOMPARE(QDir(out()).entryList(QDir::Files | QDir::Hidden), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(m_dir->read(u("out/") + it.key()), it.value());
    }

    // stat of an uploaded file shows the call's date and time (the short form's year is the
    // latest one not after the upload); a record naming no real date leaves the upload's time.
    void uploadedFileCarriesCallTime_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::newRow("short form") << false << 3 << 0;
        QTest::newRow("short form, later in the year than today") << false << 12 << 0;
        QTest::newRow("long form") << true << 3 << 2021;
        QTest::newRow("long form, month 13") << true << 13 << 2021;
        QTest::newRow("short form, month 0") << false << 0 << 0;
    }
    void uploadedFileCarriesCallTime()
    {
        QFETCH(bool, longForm);
        QFETCH(int, month);
        QFETCH(int, year);
        m_recordings = makeRecordings({512}, longForm);
        emulator::RecordFields &h = m_recordings[0].header;
        h.month = month;
        h.day = 31;
        h.hour = 23;
        h.minute = 58;
        h.year = year;
        QVERIFY2(startOnRecordings(m_phone, m_dir->path() + QStringLiteral("phone"), m_recordings,
                                   {QStringLiteral("--password"), QStringLiteral("2468"),
                                    QStringLiteral("--verbose")}),
                 qPrintable(m_phone.error()));
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(uploadAll(false).exitCode, 0);
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        const qint64 mtime = stampOf(pathOf(0)).mtimeNs / 1000000000;
        if (month < 1 || month > 12) {
            QVERIFY2(mtime >= before && mtime <= after + 1, qPrintable(QString::number(mtime)));
            return;
        }
        const QDateTime now = QDateTime::fromSecsSinceEpoch(before);
        QDateTime call(QDate(longForm ? year : now.date().year(), month, 31), QTime(23, 58));
        if (!longForm && call > now)
            call = call.addYears(-1);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(mtime), call);
    }
};

QTEST_GUILESS_MAIN(TestUploadNew)
#include "tst_uploadnew.moc"
