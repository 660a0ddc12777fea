#include "settings/IniFile.h"
#include "settings/SysConf.h"

#include "ProgramRun.h"
#include "SkipOutsideCi.h"
#include "SmallFileSystem.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tovrel;
using tovrel::test::ScopedCurrentDir;
using tovrel::test::TempFolder;
using tovrel::test::TestSandbox;
using tovrel::test::u;

namespace {

// Writes the recording folder into the settings of `folder`, in a child process.
struct ChildWrite
{
    enum Outcome
    {
        Written = 0,
        Refused = 1, // the failure was reported with the settings path
        Wrong = 2,   // reported as written, or with another text
    };
    QString folder;
    QString value;

    static int run(void *self)
    {
        const auto *w = static_cast<ChildWrite *>(self);
        sysconf::useSettingsFile(w->folder + QStringLiteral("SysConf.ini"));
        const auto error = sysconf::writeLocalFileBackupPath(w->value);
        if (!error)
            return Written;
        return *error == QStringLiteral("Unable to write to ") + sysconf::settingsPath() ? Refused
                                                                                         : Wrong;
    }
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void readsStoredValue_data()
    {
        QTest::addColumn<QByteArray>("fileText");
        QTest::addColumn<QString>("expected"); // "<default>" for the default folder

        QTest::newRow("no file") << QByteArray() << QStringLiteral("<default>");
        QTest::newRow("other section only")
            << QByteArray("[Other]\nLocalFileBackupPath=/x/\n") << QStringLiteral("<default>");
        QTest::newRow("section without key")
            << QByteArray("[LocalConfig]\nSomething=1\n") << QStringLiteral("<default>");
        QTest::newRow("raw backslashes kept")
            << QByteArray("[LocalConfig]\nLocalFileBackupPath=C:\\record\\\n")
            << QStringLiteral("C:\\record\\");
        QTest::newRow("no trailing separator: one is added")
            << QByteArray("[LocalConfig]\nLocalFileBackupPath=/data/calls\n")
            << QStringLiteral("/data/calls/");
        QTest::newRow("CRLF line ends and case-insensitive names")
            << QByteArray("[localconfig]\r\nlocalfilebackuppath=/d/\r\n") << QStringLiteral("/d/");
        QTest::newRow("UTF-8 folder name")
            << QByteArray("[LocalConfig]\nLocalFileBackupPath=/录音 文件/\n")
            << QString::fromUtf8("/录音 文件/");
        QTest::newRow("empty value is a value")
            << QByteArray("[LocalConfig]\nLocalFileBackupPath=\n") << QString();
    }

    void readsStoredValue()
    {
        QFETCH(QByteArray, fileText);
        QFETCH(QString, expected);
        TempFolder dir;
        if (!fileText.isNull())
            dir.write(QStringLiteral("SysConf.ini"), fileText);
        ScopedCurrentDir cd(dir.path());
        if (expected == QLatin1String("<default>"))
            expected = sysconf::defaultRecordFolder();
        QCOMPARE(sysconf::readLocalFileBackupPath(), expected);
    }

    // The settings live in the configuration folder, whatever the working folder; an earlier
    // version's SysConf.ini of the working folder is copied there once and stays; --config
    // names any other file.
    void location_data()
    {
        QTest::addColumn<QByteArray>("earlier"); // the working folder's file
        QTest::addColumn<QByteArray>("kept");    // config/tovrel/SysConf.ini; "-": a plain file
        QTest::addColumn<QString>("config");     // --config FILE, holding "/other/"
        QTest::addColumn<QString>("read");       // LocalFileBackupPath read; empty: the default
        QTest::addColumn<QString>("said");       // in the take-over message; empty: no message
        const QByteArray a = "[LocalConfig]\nLocalFileBackupPath=/a/\n";
        const QByteArray b = "[LocalConfig]\nLocalFileBackupPath=/b/\n";
        const QByteArray none;
        QTest::newRow("taken over") << a << none << u("") << u("/a/") << u("复制到");
        QTest::newRow("only once") << a << b << u("") << u("/b/") << u("");
        QTest::newRow("nothing there") << none << none << u("") << u("") << u("");
        QTest::newRow("copy fails") << a << QByteArray("-") << u("") << u("/a/") << u("无法");
        QTest::newRow("--config") << a << b << u("x/y.ini") << u("/other/") << u("");
    }
    void location()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(QByteArray, kept);
        QFETCH(QString, config);
        QFETCH(QString, said);
        TestSandbox sandbox; // working and configuration folders of the test's own
        sysconf::useSettingsFile({});
        const TempFolder &dir = sandbox.folder();
        const QString keptName = QStringLiteral("config/tovrel/SysConf.ini");
        dir.write(QStringLiteral("x/y.ini"), "[LocalConfig]\nLocalFileBackupPath=/other/\n");
        if (!earlier.isNull())
            dir.write(QStringLiteral("SysConf.ini"), earlier);
        if (!kept.isNull())
            dir.write(kept == "-" ? QStringLiteral("config/tovrel") : keptName, kept);
        QStringList args =
            QStringList{u("list"), u("--config=") + config}.mid(0, config.isEmpty() ? 1 : 2);
        bool given = false;
        QString error;
        QVERIFY(sysconf::chooseSettingsFile(args, &given, &error) && args.size() == 1);
        const auto message = sysconf::takeOverEarlierSettings();
        QCOMPARE(message.value_or(QString()).contains(said) && message, !said.isEmpty());
        QTEST(sysconf::readLocalFileBackupPath().replace(sysconf::defaultRecordFolder(), QString()),
              "read");
        QCOMPARE(dir.read(QStringLiteral("SysConf.ini")), earlier); // never lost
        QCOMPARE(dir.read(keptName), kept == "-" ? QByteArray() : message ? earlier : kept);
        QVERIFY(!sysconf::takeOverEarlierSettings()); // the next start takes nothing
    }

    void writeKeepsOtherSectionsAndKeys()
    {
        TempFolder dir;
        dir.write(QStringLiteral("SysConf.ini"),
                  "; hand-written\n[Device]\nVendorId=10c4\n\n[LocalConfig]\nColour=blue\n"
                  "LocalFileBackupPath=/old/\n\n[Tail]\nk=v\n");
        ScopedCurrentDir cd(dir.path());
        QVERIFY(!sysconf::writeLocalFileBackupPath(QStringLiteral("/new place/")));
        QCOMPARE(QString::fromUtf8(dir.read(QStringLiteral("SysConf.ini"))),
                 QStringLiteral("; hand-written\n[Device]\nVendorId=10c4\n\n[LocalConfig]\n"
                                "Colour=blue\nLocalFileBackupPath=/new place/\n\n[Tail]\nk=v\n"));
        QCOMPARE(sysconf::readLocalFileBackupPath(), QStringLiteral("/new place/"));
        QCOMPARE(sysconf::readValue(QStringLiteral("Device"), QStringLiteral("VendorId")).value(),
                 QStringLiteral("10c4"));
    }

    void writeCreatesFileAndSection()
    {
        TempFolder dir;
        ScopedCurrentDir cd(dir.path());
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("SysConf.ini"))));
        QVERIFY(!sysconf::writeLocalFileBackupPath(QStringLiteral("C:\\calls\\")));
        QCOMPARE(dir.read(QStringLiteral("SysConf.ini")),
                 QByteArray("[LocalConfig]\nLocalFileBackupPath=C:\\calls\\\n"));

        // A second section added to an existing file, and the key added to an existing section.
        IniFile ini = IniFile::load(dir.file(QStringLiteral("SysConf.ini")));
        ini.setValue(QStringLiteral("Device"), QStringLiteral("ProductId"), QStringLiteral("ea61"));
        ini.setValue(QStringLiteral("LocalConfig"), QStringLiteral("X"), QStringLiteral("1"));
        QCOMPARE(ini.text(), QStringLiteral("[LocalConfig]\nLocalFileBackupPath=C:\\calls\\\nX=1\n"
                                            "[Device]\nProductId=ea61\n"));
    }

    // A settings file the user made read-only, tried as an unprivileged user (root ignores
    // file permissions): the write is refused with the path, the file stays as it was.
    void unwritableFileReportsPath()
    {
        TempFolder dir;
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
        const QString path =
            dir.write(QStringLiteral("SysConf.ini"), "[LocalConfig]\nLocalFileBackupPath=/old/\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                        QFileDevice::ReadOther);
        ChildWrite write{dir.path(), QStringLiteral("/new/")};
        test::ChildLimits asNobody;
        asNobody.asNobody = true;
        QCOMPARE(test::runInChild(asNobody, &ChildWrite::run, &write), int(ChildWrite::Refused));
        QCOMPARE(dir.read(QStringLiteral("SysConf.ini")),
                 QByteArray("[LocalConfig]\nLocalFileBackupPath=/old/\n"));
    }

    // A full disk (a file-size limit of the writing process) while the settings are written:
    // the write is reported as failed, the earlier file stays whole, no temporary file is left.
    // The file is smaller than any write buffer, so only a checked sync and close catch it.
    void fullDiskKeepsEarlierFile()
    {
        TempFolder dir;
        const QByteArray earlier("[LocalConfig]\nLocalFileBackupPath=/old/\n");
        dir.write(QStringLiteral("SysConf.ini"), earlier);
        ChildWrite write{dir.path(), QStringLiteral("/a/folder/name/longer/than/the/limit/")};
        test::ChildLimits limits;
        limits.fileSizeLimit = 48;
        QCOMPARE(test::runInChild(limits, &ChildWrite::run, &write), int(ChildWrite::Refused));
        QCOMPARE(dir.read(QStringLiteral("SysConf.ini")), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("SysConf.ini")});
    }

    // The same on a full file system: a small tmpfs holding the settings file, every free byte
    // taken before the write.
    void fullFileSystemKeepsEarlierFile()
    {
        TempFolder dir;
        test::SmallFileSystem disk(dir.path(), 64);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("mounting a small tmpfs is refused here");
        const QByteArray earlier("[LocalConfig]\nLocalFileBackupPath=/old/\n");
        {
            QFile file(disk.path() + QStringLiteral("SysConf.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(earlier), earlier.size());
        }
        QVERIFY(disk.fill());
        ScopedCurrentDir cd(disk.path());
        const auto error = sysconf::writeLocalFileBackupPath(QStringLiteral("/new/"));
        QCOMPARE(error.value_or(QString()),
                 QStringLiteral("Unable to write to ") + sysconf::settingsPath());
        QFile file(disk.path() + QStringLiteral("SysConf.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{QStringLiteral("SysConf.ini"), QStringLiteral("filler")}));
    }

    // A folder stored without a trailing separator (written by hand, or by an older version)
    // is read with one, so a file name appended to it lands inside the folder.
    void folderReadWithTrailingSeparator_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("read");
        QTest::newRow("without") << QByteArray("/home/u/calls") << QStringLiteral("/home/u/calls/");
        QTest::newRow("with") << QByteArray("/home/u/calls/") << QStringLiteral("/home/u/calls/");
        QTest::newRow("root") << QByteArray("/") << QStringLiteral("/");
        QTest::newRow("backslash") << QByteArray("C:\\calls\\") << QStringLiteral("C:\\calls\\");
        QTest::newRow("empty") << QByteArray("") << QString();
    }
    void folderReadWithTrailingSeparator()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, read);
        TempFolder dir;
        dir.write(QStringLiteral("SysConf.ini"),
                  "[LocalConfig]\nLocalFileBackupPath=" + stored + "\n");
        ScopedCurrentDir cd(dir.path());
        QCOMPARE(sysconf::readLocalFileBackupPath(), read);
    }

    void unreadableFileIsNotReplaced()
    {
        // Works as root too: a socket exists under the settings name but cannot be opened, so
        // nothing of what it holds is known and a write must not replace it.
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("SysConf.ini"));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        QVERIFY(size_t(encoded.size()) < sizeof(address.sun_path));
        std::copy(encoded.begin(), encoded.end(), address.sun_path);
        const int bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        ::close(fd);
        QCOMPARE(bound, 0);
        ScopedCurrentDir cd(dir.path());
        const auto error = sysconf::writeLocalFileBackupPath(QStringLiteral("/new/"));
        QCOMPARE(error.value_or(QString()),
                 QStringLiteral("Unable to write to ") + sysconf::settingsPath());
        QVERIFY(!QFileInfo(path).isFile());
    }

    void lineBreakInFolderIsNotWritten()
    {
        TempFolder dir;
        const QByteArray before("[LocalConfig]\nLocalFileBackupPath=/old/\n");
        dir.write(QStringLiteral("SysConf.ini"), before);
        ScopedCurrentDir cd(dir.path());
        const auto error =
            sysconf::writeLocalFileBackupPath(QStringLiteral("/calls\n[Device]\nVendorId=1/"));
        QCOMPARE(error.value_or(QString()),
                 QStringLiteral("Unable to write to ") + sysconf::settingsPath());
        QCOMPARE(dir.read(QStringLiteral("SysConf.ini")), before);
    }

    void removedWorkingFolderIsNotTheRoot()
    {
        // The working folder vanished under the program: the settings stay where they were
        // looked for, and are not read from or written to the file system's root instead.
        TempFolder dir;
        const QString gone = dir.path() + QStringLiteral("gone");
        QVERIFY(QDir().mkpath(gone));
        ScopedCurrentDir cd(gone);
        QVERIFY(QDir().rmdir(gone));
        QVERIFY(!sysconf::settingsPath().startsWith(QDir::rootPath() + QStringLiteral("SysConf")));
        QCOMPARE(sysconf::readLocalFileBackupPath(), sysconf::defaultRecordFolder());
        const auto error = sysconf::writeLocalFileBackupPath(QStringLiteral("/new/"));
        QVERIFY(error.has_value());
        QVERIFY(!QFile::exists(QDir::rootPath() + QStringLiteral("SysConf.ini")));
    }

    void settingsFolderIsAFile()
    {
        // Works as root too: the settings path names a directory, so it cannot be written.
        TempFolder dir;
        QDir(dir.path()).mkpath(QStringLiteral("SysConf.ini"));
        ScopedCurrentDir cd(dir.path());
        const auto error = sysconf::writeLocalFileBackupPath(QStringLiteral("/new/"));
        QVERIFY(error.has_value());
        QVERIFY(error->startsWith(QStringLiteral("Unable to write to ")));
        QVERIFY(error->endsWith(QStringLiteral("SysConf.ini")));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
