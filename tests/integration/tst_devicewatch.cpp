// tovrel device watch, run as a program against the emulator process plugged in and out.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace tovrel;
using namespace tovrel::test;

class TestDeviceWatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempFolder> m_dir;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};
    QProcess m_watch;
    QString m_err;
    int m_plugs = 0;

    QString archive() const { return m_dir->path() + u("archive/"); }
    // Plugs in a telephone holding `recordings` (password 2468), on the one socket of the test.
    bool plugIn(const QList<FixtureRecording> &recordings, const QStringList &extra = {})
    {
        return startOnRecordings(m_phone, m_dir->path() + u("phone%1").arg(++m_plugs), recordings,
                                 QStringList{u("--password"), u("2468"), u("--verbose")} + extra);
    }
    void startWatch(const QString &to, const QString &password, const QStringList &extra = {})
    {
        m_watch.start(tovrelProgram(),
                      QStringList{u("device"), u("watch"), u("--to"), to, u("--password"), password,
                                  u("--emulator"), m_phone.socketName(), u("--timeout-ms"),
                                  u("1000")} +
                          extra);
        QVERIFY(m_watch.waitForStarted());
    }
    // The watch's lines on stderr so far, each without its local time.
    QStringList lines()
    {
        m_err += QString::fromUtf8(m_watch.readAllStandardError());
        static const QRegularExpression time(u("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
        QStringList out;
        for (const QString &line : m_err.split(u'\n', Qt::SkipEmptyParts)) {
            const auto match = time.match(line);
            out.append(match.hasMatch() ? line.mid(match.capturedLength()) : u("untimed: ") + line);
        }
        return out;
    }
    static QStringList dataCommands(const QString &log)
    {
        static const QRegularExpression data(u(": data address (\\d+) count (\\d+)"));
        QStringList out;
        for (auto it = data.globalMatch(log); it.hasNext();) {
            const auto m = it.next();
            out.append(m.captured(1) + u' ' + m.captured(2));
        }
        return out;
    }
    static QStringList packetsOf(const FixtureRecording &r)
    {
        QStringList out;
        for (quint32 done = 0; done < quint32(r.payload.size()); done += 256)
            out.append(u("%1 %2")
                           .arg(r.header.startAddress + done)
                           .arg(std::min<quint32>(256, quint32(r.payload.size()) - done)));
        return out;
    }
    static QList<QByteArray> sorted(QList<QByteArray> files)
    {
        std::sort(files.begin(), files.end());
        return files;
    }
    // The bytes of every file in the archive, hidden ones too, in byte order.
    QList<QByteArray> archived() const
    {
        QList<QByteArray> out;
        for (const QString &name : QDir(archive()).entryList(QDir::Files | QDir::Hidden))
            out.append(m_dir->read(u("archive/") + name));
        return sorted(out);
    }
    void endWatch(int expectedExit)
    {
        if (expectedExit == 0)
            QCOMPARE(::kill(pid_t(m_watch.processId()), SIGTERM), 0);
        QVERIFY(m_watch.waitForFinished(20000));
        QCOMPARE(m_watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_watch.exitCode(), expectedExit);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempFolder>();
        m_err.clear();
        // The socket's name is fixed by a first start; the telephone then leaves.
        QVERIFY2(plugIn({}), qPrintable(m_phone.error()));
        m_phone.stop();
    }
    void cleanup()
    {
        m_watch.kill();
        m_watch.waitForFinished();
        m_phone.stop();
    }

    // Watch first, then the telephone; unplugged in the middle of its last recording; back
    // without its oldest recording and with two more: the second visit fetches exactly the
    // interrupted recording and the two new ones, and the archive holds each recording once,
    // whole.
    void archiveKeepsItself()
    {
        const auto all = makeRecordings({700, 300, 512, 1024, 256 * 150, 900, 400}, false);
        startWatch(archive(), u("2468"));
        QVERIFY2(plugIn(all.mid(0, 5), {u("--delay-ms"), u("20")}), qPrintable(m_phone.error()));
        const QString deep = u(": data address %1 ").arg(all[4].header.startAddress + 256 * 20);
        QTRY_VERIFY_WITH_TIMEOUT(m_phone.log().contains(deep), 30000);
        m_phone.stop();
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 1, 20000);
        QVERIFY2(lines()[0].startsWith(u("上传 4 个，已有 0 个，不完整 1 个；没有完整上传：") +
                                       all[4].fileName(5)),
                 qPrintable(m_err));
        QList<QByteArray> whole;
        for (const FixtureRecording &r : all)
            whole.append(r.bytes());
        QCOMPARE(archived(), sorted(whole.mid(0, 4)));

        QVERIFY2(plugIn(all.mid(1)), qPrintable(m_phone.error()));
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 30000);
        QCOMPARE(lines()[1], u("上传 3 个，已有 3 个，不完整 0 个"));
        QCOMPARE(dataCommands(m_phone.log()),
                 packetsOf(all[4]) + packetsOf(all[5]) + packetsOf(all[6]));
        QCOMPARE(archived(), sorted(whole));
        endWatch(0);
        QCOMPARE(archived(), sorted(whole)); // nothing else: no temporary or probe file
    }

    // A refused password is said once and not tried again while the telephone stays, even
    // when visits are due; plugged in again, it is tried once more.
    void refusedPasswordWaitsForReplug()
    {
        startWatch(archive(), u("1357"), {u("--every"), u("0.01")});
        for (int visit = 1; visit <= 2; ++visit) {
            QVERIFY2(plugIn(makeRecordings({300}, false)), qPrintable(m_phone.error()));
            QTRY_COMPARE_WITH_TIMEOUT(lines().size(), visit, 20000);
            QCOMPARE(lines().last(), u("密码错误，无法登录"));
            QTest::qWait(3000); // five due visits
            QCOMPARE(m_phone.log().count(u(": password")), 1);
            m_phone.stop();
            QTest::qWait(2500); // away for two looks of the watch
        }
        endWatch(0);
        QCOMPARE(lines().size(), 2);
    }

    // An archive that cannot be made, at the start or when the telephone comes: exit 1.
    void folderThatCannotBeWritten_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("at the start") << true;
        QTest::newRow("at a visit") << false;
    }
    void folderThatCannotBeWritten()
    {
        QFETCH(bool, atStart);
        const QString blocked = m_dir->write(u("file"), "x") + u("/archive");
        startWatch(atStart ? blocked : archive(), u("2468"));
        if (!atStart) {
            QTRY_VERIFY(QDir(archive()).exists());
            QVERIFY(QDir(archive()).removeRecursively());
            m_dir->write(u("archive"), "x");
            QVERIFY2(plugIn(makeRecordings({300}, false)), qPrintable(m_phone.error()));
        }
        endWatch(1);
        const QString message = u("tovrel device: 无法创建文件夹 %1")
                                    .arg(atStart ? blocked : QDir(archive()).absolutePath());
        QCOMPARE(lines(), QStringList{atStart ? u("untimed: ") + message : message});
        QCOMPARE(m_phone.log().count(u(": password")), 0);
    }
};

QTEST_GUILESS_MAIN(TestDeviceWatch)
#include "tst_devicewatch.moc"
