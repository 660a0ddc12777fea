// tovrel device watch, run as a program against the emulator process plugged in and out.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

using namespace tovrel;
using namespace tovrel::test;

static const QRegularExpression kTime(u("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "),
                                      QRegularExpression::MultilineOption);

class TestDeviceWatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempFolder> m_dir;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};
    QProcess m_watch;

    QString archive() const { return m_dir->path() + u("archive"); }
    // Plugs in a telephone holding `recordings` (password 2468), on the one socket of the test.
    bool plugIn(const QList<FixtureRecording> &recordings, const QStringList &extra = {})
    {
        return startOnRecordings(m_phone, m_dir->path() + u("phone"), recordings,
                                 QStringList{u("--password"), u("2468"), u("--verbose")} + extra);
    }
    void startWatch(const QString &to, const QString &password, const QStringList &extra = {})
    {
        m_watch.start(tovrelProgram(),
                      QStringList{u("device"), u("watch"), u("--to"), to, u("--password"), password,
                                  u("--emulator"), m_phone.socketName()} +
                          extra);
    }
    // The watch's lines on stderr so far, the local time at their start taken off.
    QStringList lines()
    {
        m_watch.setReadChannel(QProcess::StandardError);
        return QString::fromUtf8(m_watch.peek(1 << 20))
            .remove(kTime)
            .split(u'\n', Qt::SkipEmptyParts);
    }
    void endWatch(int expectedExit)
    {
        QVERIFY(expectedExit != 0 || ::kill(pid_t(m_watch.processId()), SIGTERM) == 0);
        QVERIFY(m_watch.state() == QProcess::NotRunning || m_watch.waitForFinished(20000));
        QCOMPARE(m_watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_watch.exitCode(), expectedExit);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempFolder>();
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
        QCOMPARE(lines()[0].section(u(" ("), 0, 0), // the link's failure follows in brackets
                 u("上传 4 个，已有 0 个，不完整 1 个；没有完整上传：") + all[4].fileName(5));
        QVERIFY(holdsExactly(archive(), all.mid(0, 4)));

        QVERIFY2(plugIn(all.mid(1)), qPrintable(m_phone.error()));
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 30000);
        QCOMPARE(lines()[1], u("上传 3 个，已有 3 个，不完整 0 个"));
        // The packets asked for: the 150 + 4 + 2 of recordings 4, 5 and 6.
        const QString log = m_phone.log();
        QCOMPARE(log.count(u(": data address ")), 156);
        for (int i = 1; i < all.size(); ++i)
            QCOMPARE(log.contains(u(": data address %1 ").arg(all[i].header.startAddress)), i >= 4);
        endWatch(0);
        QVERIFY(holdsExactly(archive(), all));
    }

    // A refused password is said once and not tried again while the telephone stays, though
    // visits fall due; an archive that cannot be made at a visit ends the watch with status 1.
    void faults_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("archiveIsAFile");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("passwordCommands");
        QTest::newRow("refused") << u("1357") << false << u("密码错误，无法登录") << 0 << 1;
        QTest::newRow("archive a file")
            << u("2468") << true << u("tovrel device: 无法创建文件夹 %1") << 1 << 0;
    }
    void faults()
    {
        QFETCH(QString, password);
        QFETCH(bool, archiveIsAFile);
        QFETCH(QString, line);
        QFETCH(int, exitCode);
        QFETCH(int, passwordCommands);
        startWatch(archive(), password, {u("--every"), u("0.01")});
        QTRY_VERIFY(QDir(archive()).exists()); // made at the start
        if (archiveIsAFile)
            QVERIFY(QDir(archive()).removeRecursively() &&
                    !m_dir->write(u("archive"), "x").isEmpty());
        QVERIFY2(plugIn(makeRecordings({300}, false)), qPrintable(m_phone.error()));
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 1, 20000);
        QTest::qWait(3000); // five visits fall due
        endWatch(exitCode);
        QCOMPARE(lines(), QStringList{line.replace(u("%1"), archive())});
        QCOMPARE(m_phone.log().count(u(": password")), passwordCommands);
    }
};

QTEST_GUILESS_MAIN(TestDeviceWatch)
#include "tst_devicewatch.moc"
