// The two ways of walking folders (POSIX calls, std::filesystem) give the same rows and the same
// failures, in the same order, on a tree that holds every awkward case at once.
#include "ProgramRun.h"
#include "TestFolders.h"
#include "io/NativePath.h"
#include "recordings/FolderWalk.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovrel;
using namespace tovrel::test;
using namespace Qt::StringLiterals;

namespace {

bool endsInSpx(const char *name, size_t length)
{
    return length > 4 && std::string_view(name + length - 4, 4) == ".spx";
}

using Walker = std::optional<WalkFailure> (*)(const QString &, const FolderWalkRules &,
                                              const FolderWalkHooks &);

// One line per event, in walk order.
QByteArray transcript(Walker walk, const QString &folder, int maxDepth)
{
    QStringList lines;
    FolderWalkHooks hooks;
    hooks.recording = [&](const WalkedRecording &r) {
        lines << u"row "_s + r.path() + u' ' +
                     QString::fromLatin1(QByteArray(r.header.data(), 8).toHex()) + u' ' +
                     QString::number(r.fileSize());
    };
    hooks.fileFailed = [&](const QString &path, const QString &reason) {
        lines << u"file "_s + path + u": "_s + reason;
    };
    hooks.folderFailed = [&](const QString &path, const QString &reason) {
        lines << u"folder "_s + path + u": "_s + reason;
    };
    FolderWalkRules rules;
    rules.maxDepth = maxDepth;
    rules.isRecordingName = endsInSpx;
    if (const auto failure = walk(folder, rules, hooks))
        lines << (failure->missing ? u"missing: "_s : u"unreadable: "_s) + failure->reason;
    return nativePath(lines.join(u'\n'));
}

struct Walks
{
    QString folder;
    int maxDepth;
    QString out; // where the child leaves the two transcripts
};

// Run as nobody, so that a folder or a file without permissions is refused.
int walkBothWays(void *context)
{
    const auto *w = static_cast<const Walks *>(context);
    QFile posix(w->out + u"posix"_s);
    QFile portable(w->out + u"portable"_s);
    if (!posix.open(QIODevice::WriteOnly) || !portable.open(QIODevice::WriteOnly))
        return 2;
    posix.write(transcript(walkRecordingFoldersPosix, w->folder, w->maxDepth));
    portable.write(transcript(walkRecordingFoldersPortably, w->folder, w->maxDepth));
    return posix.flush() && portable.flush() ? 0 : 3;
}

} // namespace

class TestWalkWays : public QObject
{
    Q_OBJECT

private slots:
    void sameRowsAndFailures_data();
    void sameRowsAndFailures();
};

void TestWalkWays::sameRowsAndFailures_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("maxDepth");
    // Lines one of the walks must give: a wrong walk that both ways share still fails here.
    QTest::addColumn<QStringList>("expected");
    const QString locked = u"folder tree/a/locked/: Permission denied"_s;
    QTest::newRow("five levels") << u"tree/"_s << 5
                                 << QStringList{
                                        locked, u"file tree/a/secret.spx: Permission denied"_s,
                                        u"file tree/a/pipe.spx: 不是普通文件"_s,
                                        u"file tree/a/nowhere.spx: No such file or directory"_s};
    QTest::newRow("the folder alone") << u"tree/"_s << 0 << QStringList{};
    QTest::newRow("a sub-folder through the loop")
        << u"tree/a/up/a/"_s << 5
        << QStringList{u"folder tree/a/up/a/locked/: Permission denied"_s};
    QTest::newRow("missing") << u"tree/none/"_s << 5
                             << QStringList{u"missing: No such file or directory"_s};
    QTest::newRow("a file as the folder")
        << u"tree/1.spx/"_s << 5 << QStringList{u"missing: Not a directory"_s};
}

void TestWalkWays::sameRowsAndFailures()
{
    QFETCH(QString, start);
    QFETCH(int, maxDepth);
    QFETCH(QStringList, expected);

    TempFolder temp;
    QVERIFY(temp.isValid());
    QVERIFY(QFile::setPermissions(temp.path(), QFile::Permissions(0x7777)));
    const QString tree = temp.file(u"tree"_s);
    temp.write(u"tree/1.spx"_s, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    temp.write(u"tree/b.spx"_s, QByteArray(40, '\x22'));
    temp.write(u"tree/notes.txt"_s, "not a recording");
    temp.write(u"tree/.hidden/h.spx"_s, "hidden");
    temp.write(u"tree/a/2.spx"_s, QByteArray(3, '\x33'));
    temp.write(u"tree/a/locked/3.spx"_s, "locked away");
    temp.write(u"tree/a/secret.spx"_s, "secret");
    temp.write(u"tree/a/deep/er/still/more/levels/6.spx"_s, "too deep");
    temp.write(u"tree/a/deep/er/still/more/5.spx"_s, "five down");
    temp.write(u"tree/\u5f55\u97f3/\U0001F4DE.spx"_s, "beyond the first plane");
    temp.write(u"tree/\u5f55\u97f3/\uFF21.spx"_s, "a wide letter");
    const BytesNamedFile odd(tree, QByteArray("\xff\xfe-old.spx"), QByteArray("odd name"));
    QVERIFY(odd.isValid());
    // A link back to the top: the files above are listed once.
    QCOMPARE(::symlink("..", QFile::encodeName(temp.file(u"tree/a/up"_s)).constData()), 0);
    QVERIFY(QFile::link(temp.file(u"tree/none.spx"_s), temp.file(u"tree/a/nowhere.spx"_s)));
    QCOMPARE(::mkfifo(QFile::encodeName(temp.file(u"tree/a/pipe.spx"_s)).constData(), 0644), 0);
    QVERIFY(QFile::setPermissions(temp.file(u"tree/a/secret.spx"_s), {}));
    QVERIFY(QFile::setPermissions(temp.file(u"tree/a/locked"_s), {}));
    const QString out = temp.file(u"out/"_s);
    QVERIFY(QDir().mkpath(out));
    QVERIFY(QFile::setPermissions(out, QFile::Permissions(0x7777)));

    ScopedCurrentDir cd(temp.path());
    Walks walks{start, maxDepth, out};
    ChildLimits nobody;
    nobody.asNobody = true;
    const int exitCode = runInChild(nobody, walkBothWays, &walks);
    QVERIFY(QFile::setPermissions(temp.file(u"tree/a/locked"_s), QFile::Permissions(0x7700)));
    QCOMPARE(exitCode, 0);

    const QByteArray posix = temp.read(u"out/posix"_s);
    const QByteArray portable = temp.read(u"out/portable"_s);
    QCOMPARE(portable, posix);
    const QStringList lines = pathFromNative(posix).split(u'\n');
    for (const QString &line : expected)
        QVERIFY2(lines.contains(line), qPrintable(line + u"\nnot in:\n"_s + lines.join(u'\n')));
    if (start == u"tree/"_s) {
        // Each file once, the odd name by its bytes, the hidden folder and the sixth level left.
        QCOMPARE(lines.filter(u"row tree/1.spx "_s).size(), 1);
        QCOMPARE(lines.filter(u"tree/a/up"_s).size(), 0);
        QCOMPARE(lines.filter(u"h.spx"_s).size(), 0);
        QCOMPARE(lines.filter(u"6.spx"_s).size(), 0);
        QCOMPARE(lines.filter(pathFromNative("row tree/\xff\xfe-old.spx 6f6464206e616d65")).size(),
                 1);
        QCOMPARE(lines.filter(u"5.spx"_s).size(), maxDepth == 5 ? 1 : 0);
    }
}

QTEST_GUILESS_MAIN(TestWalkWays)
#include "tst_walkways.moc"
