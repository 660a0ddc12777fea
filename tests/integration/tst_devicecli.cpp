// tovrel device status|list|upload, run as a program against the emulator process.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

using Run = ProgramRun;

Run runDevice(const QStringList &arguments)
{
    return runProgram(tovrelProgram(), QStringList{QStringLiteral("device")} + arguments, 30000);
}

} // namespace

class TestDeviceCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    QList<FixtureRecording> m_recordings;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};

    QStringList link() const
    {
        return {QStringLiteral("--emulator"), m_phone.socketName(), QStringLiteral("--timeout-ms"),
                QStringLiteral("500")};
    }

    // Starts the telephone on the test's recordings with password 2468 and `extra` options.
    bool startPhone(const QStringList &extra)
    {
        return m_phone.start(QStringList{QStringLiteral("--recordings"),
                                         m_dir->path() + QStringLiteral("phone"),
                                         QStringLiteral("--password"), QStringLiteral("2468")} +
                             extra);
    }

    // Uploads every recording into out/ (`language`: --lang and its value, or nothing).
    Run uploadAll(const QStringList &language = {}) const
    {
        return runDevice(language +
                         QStringList{QStringLiteral("upload"), QStringLiteral("--password"),
                                     QStringLiteral("2468"), QStringLiteral("--to"),
                                     m_dir->path() + QStringLiteral("out"),
                                     QStringLiteral("--all")} +
                         link());
    }

private slots:
    void initTestCase()
    {
        // No session bus, so no keyring: no password kept on the machine is ever found.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tovrel-test-bus");
    }
    void init()
    {
        m_dir = std::make_unique<TempFolder>();
        m_recordings = makeRecordings({1000, 257, 0}, false);
        writeRecordings(m_dir->path() + QStringLiteral("phone"), m_recordings);
        QVERIFY2(startPhone({QStringLiteral("--verbose")}), qPrintable(m_phone.error()));
    }
    void cleanup()
    {
        m_phone.stop();
        m_dir.reset();
    }

    void status()
    {
        Run r = runDevice(QStringList{QStringLiteral("status")} + link());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u("USB已连接\n"));
        m_phone.stop();
        r = runDevice(QStringList{QStringLiteral("status")} + link());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, u("USB未连接\n"));
    }

    void list()
    {
        const Run r = runDevice(QStringList{QStringLiteral("list"), QStringLiteral("--password"),
                                            QStringLiteral("2468")} +
                                link());
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0],
                 u("1\t03151230_0001_xxxxx1234567.spx\t1234567\t 03月15日 12:30 \t来电\t1K\t2 秒"));
        QCOMPARE(lines[2].split(u'\t').size(), 7);

        const Run withHeader =
            runDevice(QStringList{QStringLiteral("list"), QStringLiteral("--header"),
                                  QStringLiteral("--password"), QStringLiteral("2468")} +
                      link());
        QCOMPARE(withHeader.exitCode, 0);
        QCOMPARE(withHeader.out.section(u'\n', 0, 0),
                 u("序号\t文件名\t电话号码\t时间\t属性\t文件长度\t时长"));
        QCOMPARE(withHeader.out.section(u'\n', 1), r.out);
    }

    // --contacts: 联系人 right after 电话号码, named from the user's contact book.
    void listWithContacts()
    {
        const QByteArray kept = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + u("config")).toUtf8());
        const QString cards =
            m_dir->write(u("cards.vcf"), "BEGIN:VCARD\nFN:Desk\nTEL:+86 10 1234567\n"
                                         "END:VCARD\nBEGIN:VCARD\nFN:Other\n"
                                         "TEL:1234569\nEND:VCARD\n");
        const Run imported = runProgram(tovrelProgram(), {u("contacts"), u("import"), cards});
        const Run r = runDevice(
            QStringList{u("list"), u("--header"), u("--contacts"), u("--password"), u("2468")} +
            link());
        qputenv("XDG_CONFIG_HOME", kept);
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], u("序号\t文件名\t电话号码\t联系人\t时间\t属性\t文件长度\t时长"));
        const QStringList names{u("Desk"), QString(), u("Other")};
        for (int i = 0; i < 3; ++i) {
            const QStringList cells = lines[i + 1].split(u'\t');
            QCOMPARE(cells.size(), 8);
            QCOMPARE(cells[3], names[i]);
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        // The command line's own refusals are checked in English (--lang en), the telephone's
        // (a core text) in Chinese, the default.
        QTest::addColumn<bool>("english");
        QTest::newRow("wrong password")
            << QStringList{QStringLiteral("list"), QStringLiteral("--password"),
                           QStringLiteral("2469")}
            << u("密码错误，无法登录") << false;
        QTest::newRow("no password")
            << QStringList{QStringLiteral("list")}
            << u("tovrel device: --password-file FILE or --password DDDD is required: no keyring "
                 "is running to hold the telephone's password")
            << true;
        // "@TEXT": a password file holding TEXT ("@": none, "@/": a folder), %1 its path.
        const QString pw = u("--password-file");
        QTest::newRow("password file missing")
            << QStringList{u("list"), pw, u("@")}
            << u("tovrel device: the password file %1 does not exist") << true;
        QTest::newRow("password file a folder")
            << QStringList{u("list"), pw, u("@/")}
            << u("tovrel device: the password file %1 cannot be read: file to open is a directory")
            << true;
        QTest::newRow("password file not four digits")
            << QStringList{u("list"), pw, u("@24680\n2468\n")}
            << u("tovrel device: the first line of the password file %1 is not four digits")
            << true;
        QTest::newRow("password and its file")
            << QStringList{u("list"), u("--password"), u("2468"), pw, u("@2468")}
            << u("tovrel device: give either --password or --password-file") << true;
        QTest::newRow("password file logs in")
            << QStringList{u("upload"), pw, u("@2468\r\n2469\n"), u("--to"), u("/tmp"), u("4")}
            << u("tovrel device: no recording number 4 (the telephone holds 3)") << true;
        QTest::newRow("unknown row")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--password"),
                           QStringLiteral("2468"),   QStringLiteral("--to"),
                           QStringLiteral("/tmp"),   QStringLiteral("4")}
            << u("tovrel device: no recording number 4 (the telephone holds 3)") << true;
        QTest::newRow("rows and all")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--password"),
                           QStringLiteral("2468"),   QStringLiteral("--to"),
                           QStringLiteral("/tmp"),   QStringLiteral("--all"),
                           QStringLiteral("1")}
            << u("tovrel device: give either --all or row numbers") << true;
        QTest::newRow("unknown action") << QStringList{QStringLiteral("erase")}
                                        << u("tovrel device: unknown action: erase") << true;
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFETCH(bool, english);
        const QString file = m_dir->file(u("pw"));
        for (QString &a : arguments) {
            if (a == u("@/"))
                QDir().mkpath(file);
            else if (a.size() > 1 && a.startsWith(u'@'))
                m_dir->write(u("pw"), a.mid(1).toUtf8());
            a = a.startsWith(u'@') ? file : a;
        }
        message.replace(u("%1"), file);
        const QStringList language = english ? QStringList{u("--lang"), u("en")} : QStringList{};
        const Run r = runProgram(tovrelProgram(),
                                 language + QStringList{u("device")} + arguments + link(), 30000);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err.trimmed(), message);
    }

    void uploadRows()
    {
        const QString to = m_dir->path() + QStringLiteral("out");
        const Run r =
            runDevice(QStringList{QStringLiteral("upload"), QStringLiteral("--password"),
                                  QStringLiteral("2468"), QStringLiteral("--to"), to,
                                  QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("3")} +
                      link());
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, u("所选择的文件上传结束\n"));
        QCOMPARE(QDir(to).entryList(QDir::Files, QDir::Name),
                 (QStringList{m_recordings[1].fileName(2), m_recordings[2].fileName(3)}));
        for (const int i : {1, 2})
            QCOMPARE(m_dir->read(QStringLiteral("out/") + m_recordings[i].fileName(i + 1)),
                     m_recordings[i].bytes());
        // The rows named are a selection: taken once each, in row order.
        QTRY_VERIFY(m_phone.log().contains(QStringLiteral("record 2\n")));
        QTest::qWait(100);
        const QString log = m_phone.log();
        QCOMPARE(log.count(QStringLiteral("record 2\n")), 1);
        QVERIFY2(log.indexOf(QStringLiteral("record 1\n")) <
                     log.indexOf(QStringLiteral("record 2\n")),
                 qPrintable(log));
    }

    // A batch whose first file ends short but whose last arrives whole is no success: exit 1,
    // and stderr names the file that is not whole (and only that one).
    void uploadWithOneFileShort()
    {
        m_phone.stop();
        // Commands: password, count, probe, record 0, then the first data answer is short.
        QVERIFY2(startPhone({QStringLiteral("--short-after"), QStringLiteral("4")}),
                 qPrintable(m_phone.error()));
        const Run r = uploadAll();
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, u("USB读数据错误\n以下文件没有完整上传：\n") + m_recordings[0].fileName(1) +
                            u("\n"));
        for (const int i : {1, 2})
            QCOMPARE(m_dir->read(QStringLiteral("out/") + m_recordings[i].fileName(i + 1)),
                     m_recordings[i].bytes());
    }

    // A file-size limit (a full disk for this process) in the middle of a file smaller than any
    // write buffer: the earlier complete copy stays, no temporary file is left, exit 1.
    void uploadPastFileSizeLimitKeepsEarlierCopy()
    {
        const QString to = m_dir->path() + QStringLiteral("out");
        const QStringList upload = QStringList{QStringLiteral("upload"),
                                               QStringLiteral("--password"),
                                               QStringLiteral("2468"),
                                               QStringLiteral("--to"),
                                               to,
                                               QStringLiteral("1")} +
                                   link();
        QCOMPARE(runDevice(upload).exitCode, 0);
        const QString name = QStringLiteral("out/") + m_recordings[0].fileName(1);
        QCOMPARE(m_dir->read(name), m_recordings[0].bytes());
        ChildLimits limits;
        limits.fileSizeLimit = 600;
        const Run r = runProgram(tovrelProgram(), QStringList{QStringLiteral("device")} + upload,
                                 30000, limits);
        // The program is not killed by the limit (SIGXFSZ): the write fails as on a full disk.
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u("写入文件错误\n")), qPrintable(r.err));
        QVERIFY(r.err.contains(m_recordings[0].fileName(1)));
        // The 19-byte header and two packets fit under 600 bytes, the third packet's write
        // fails: after it the telephone is asked for nothing more. (The emulator's log is read
        // as it arrives; the program has ended, so nothing it sent is still to come but late.)
        const QString third =
            u(": data address %1 count 256").arg(m_recordings[0].header.startAddress + 512);
        QTRY_VERIFY(m_phone.log().count(third) == 2);
        QTest::qWait(200);
        // The commands of this run: from its login on.
        QStringList commands = m_phone.log().split(u'\n', Qt::SkipEmptyParts);
        const auto login = std::find_if(commands.crbegin(), commands.crend(), [](const QString &c) {
            return c.endsWith(u(": password"));
        });
        QVERIFY(login != commands.crend());
        commands = commands.mid(commands.size() - 1 - (login - commands.crbegin()));
        const auto data = std::count_if(commands.cbegin(), commands.cend(), [](const QString &c) {
            return c.contains(u(": data address "));
        });
        QCOMPARE(int(data), 3);
        QVERIFY2(commands.last().endsWith(third), qPrintable(commands.join(u'|')));
        QCOMPARE(m_dir->read(name), m_recordings[0].bytes());
        QCOMPARE(QDir(to).entryList(QDir::Files | QDir::Hidden),
                 QStringList{m_recordings[0].fileName(1)});
    }

    // Ctrl-C or SIGTERM in the middle of a file: the upload stops after the exchange in
    // progress, the hidden file being written is removed, what was not uploaded is named, and
    // the exit status says which signal ended it.
    void interruptNamesWhatIsLeft_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void interruptNamesWhatIsLeft()
    {
        QFETCH(int, signal);
        m_phone.stop();
        m_recordings = makeRecordings({256 * 200, 300}, false);
        QVERIFY2(startOnRecordings(m_phone, m_dir->path() + QStringLiteral("phone"), m_recordings,
                                   {u("--password"), u("2468"), u("--delay-ms"), u("20")}),
                 qPrintable(m_phone.error()));
        const QString to = m_dir->path() + QStringLiteral("out");
        QProcess program;
        program.start(tovrelProgram(), QStringList{u("device"), u("upload"), u("--password"),
                                                   u("2468"), u("--to"), to, u("--all")} +
                                           link());
        QVERIFY(program.waitForStarted());
        // The first file is being written: its hidden temporary file is there.
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(to).entryList({u(".*.part")}, QDir::Files | QDir::Hidden).isEmpty(), 20000);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(20000));
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + signal);
        // The second recording was never asked for: it is named by its number.
        QVERIFY2(err.endsWith(u("以下文件没有完整上传：\n") + m_recordings[0].fileName(1) +
                              u("\n第2条录音\n")),
                 qPrintable(err));
        QCOMPARE(QDir(to).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A relative --emulator path is taken from the working folder.
    void relativeEmulatorPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("name") << u("phone.sock");
        QTest::newRow("in a sub-folder") << u("sub/phone.sock");
    }
    void relativeEmulatorPath()
    {
        QFETCH(QString, path);
        const QString work = m_dir->path() + QStringLiteral("work/");
        QVERIFY(QDir().mkpath(work + QStringLiteral("sub")));
        QVERIFY(QFile::link(m_phone.socketName(), work + path));
        ChildLimits inWork;
        inWork.workingDirectory = work;
        const Run r = runProgram(tovrelProgram(), {u("device"), u("status"), u("--emulator"), path},
                                 30000, inWork);
        QCOMPARE(r.out, u("USB已连接\n"));
        QCOMPARE(r.exitCode, 0);
    }

    // USB ids in SysConf.ini that are not hexadecimal 16-bit ids are named on stderr, with the
    // ids used instead; the settings are those of --config, or of the working folder (an earlier
    // version's) taken over into the configuration folder, which is said.
    void refusedIdsAreNamed_data()
    {
        QTest::addColumn<QString>("file"); // where the settings are written, in the test folder
        QTest::addColumn<QStringList>("options");
        QTest::newRow("taken over") << u("work/SysConf.ini") << QStringList();
        QTest::newRow("--config") << u("x.ini") << QStringList{u("--config"), u("../x.ini")};
    }
    void refusedIdsAreNamed()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, options);
        const QByteArray kept = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + u("config")).toUtf8());
        const QString work = m_dir->path() + QStringLiteral("work/");
        QVERIFY(QDir().mkpath(work));
        const QByteArray ini = "[Device]\nVendorId=10C4x\nProductId=0xEA61\n";
        m_dir->write(file, ini);
        ChildLimits inWork;
        inWork.workingDirectory = work;
        const Run r = runProgram(tovrelProgram(), options + QStringList{u("device"), u("status")},
                                 30000, inWork);
        qputenv("XDG_CONFIG_HOME", kept);
        QVERIFY2(r.err.contains(u("VendorId 值“10C4x”")) && r.err.contains(u("10C4")),
                 qPrintable(r.err));
        QVERIFY2(!r.err.contains(u("ProductId")), qPrintable(r.err));
        QCOMPARE(r.err.contains(u("复制到 ") + m_dir->file(u("config/tovrel/SysConf.ini"))),
                 options.isEmpty());
        QCOMPARE(m_dir->read(u("config/tovrel/SysConf.ini")),
                 options.isEmpty() ? ini : QByteArray());
    }

    // A telephone this user may not open (CI runs as root, so the program runs as nobody, who
    // may not connect to the telephone's socket): the failed open says why and how to install
    // the udev rule, instead of failing silently.
    void openRefusedSaysWhy()
    {
        ChildLimits asNobody;
        asNobody.asNobody = true;
        const Run r = runProgram(tovrelProgram(),
                                 QStringList{QStringLiteral("device"), QStringLiteral("list"),
                                             QStringLiteral("--password"), QStringLiteral("2468")} +
                                     link(),
                                 30000, asNobody);
        QVERIFY2(r.exitCode == 1, qPrintable(r.err));
        QCOMPARE(r.err, u("USB设备打开失败：没有访问该设备的权限。请运行 scripts/setup --udev "
                          "安装设备规则，然后重新插入电话。\n"));
    }

    // A telephone without recordings: --all does nothing and succeeds, as 上传全部 on an empty
    // list does, with one line on stdout; no file or folder is created and no record is asked for.
    void uploadAllOfNothing()
    {
        m_phone.stop();
        QVERIFY(QDir().mkpath(m_dir->path() + QStringLiteral("empty")));
        QVERIFY2(
            m_phone.start({QStringLiteral("--recordings"), m_dir->path() + QStringLiteral("empty"),
                           QStringLiteral("--password"), QStringLiteral("2468"),
                           QStringLiteral("--verbose")}),
            qPrintable(m_phone.error()));
        const Run r = uploadAll(QStringList{u("--lang"), u("en")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count(u'\n'), 1);
        QVERIFY2(r.out.contains(QStringLiteral("nothing to upload")), qPrintable(r.out));
        QVERIFY(!QFileInfo::exists(m_dir->path() + QStringLiteral("out")));
        QVERIFY2(!m_phone.log().contains(QStringLiteral("record ")), qPrintable(m_phone.log()));
    }

    void uploadAllWithDroppedAnswer()
    {
        m_phone.stop();
        // Commands: password, count, probe, record 0, data, data (unanswered).
        QVERIFY2(startPhone({QStringLiteral("--drop-after"), QStringLiteral("5")}),
                 qPrintable(m_phone.error()));
        const Run r = uploadAll();
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(u("USB读数据错误\n")), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceCli)
#include "tst_devicecli.moc"
