#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include "search/SearchScan.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovrel;
using namespace tovrel::search;
using tovrel::test::longRecord;
using tovrel::test::shortRecord;
using tovrel::test::TempFolder;

Q_DECLARE_METATYPE(tovrel::search::SearchForm)

namespace {

using tovrel::test::u;

SearchHeader headerOf(const QByteArray &record)
{
    HeaderBytes bytes{};
    std::copy_n(record.constData(), std::min<qsizetype>(record.size(), 32), bytes.begin());
    return readSearchHeader(bytes);
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// The pickers as a user leaves them: date pickers at 00:00:00 of their day, time pickers on the
// same day with a time of day.
SearchForm timeForm(const QString &folder, QDateTime from, QDateTime to)
{
    SearchForm f;
    f.folder = folder;
    f.timeTicked = true;
    f.startDate = QDateTime(from.date(), QTime(0, 0));
    f.startTime = from;
    f.endDate = QDateTime(to.date(), QTime(0, 0));
    f.endTime = to;
    return f;
}

SearchCriteria criteriaOf(const SearchForm &form)
{
    const auto prepared = prepareSearch(form);
    if (const QString *refusal = std::get_if<QString>(&prepared))
        qFatal("refused: %s", qPrintable(*refusal));
    return std::get<SearchCriteria>(prepared);
}

struct Found
{
    QStringList paths;
    QList<QStringList> cells;
    QStringList failed;
    SearchCounts counts;
};

Found scan(const SearchCriteria &criteria)
{
    Found found;
    SearchHooks hooks;
    hooks.found = [&found](const SearchHit &hit) {
        found.paths.append(hit.path());
        found.cells.append(resultCells(hit.fileName, hit.folder, hit.header));
    };
    hooks.openFailed = [&found](const QString &path, const QString &) {
        found.failed.append(path);
    };
    found.counts = runSearchScan(criteria, hooks).counts;
    return found;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    // The four tests, each case one header against one set of criteria.
    void matching_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<SearchForm>("form");
        QTest::addColumn<bool>("passes");

        const QString dir = QDir::tempPath();
        const QByteArray at1015 = longRecord(0, 25, 3, 5, 10, 15, "13800", 4);
        const QByteArray at1016 = longRecord(0, 25, 3, 5, 10, 16, "13800", 4);
        const QByteArray at1435 = longRecord(1, 25, 3, 5, 14, 35, "1", 4);
        const SearchForm oneMinute =
            timeForm(dir, at(2025, 3, 5, 10, 15, 0), at(2025, 3, 5, 10, 15, 59));
        QTest::newRow("one-minute range finds 10:15") << at1015 << oneMinute << true;
        QTest::newRow("one-minute range leaves 10:16") << at1016 << oneMinute << false;
        const SearchForm to1435 =
            timeForm(dir, at(2025, 3, 5, 14, 0, 0), at(2025, 3, 5, 14, 35, 0));
        QTest::newRow("end 14:35 includes 14:35") << at1435 << to1435 << true;
        const SearchForm from1435 =
            timeForm(dir, at(2025, 3, 5, 14, 35, 59), at(2025, 3, 6, 0, 0, 0));
        QTest::newRow("start 14:35:59 includes 14:35") << at1435 << from1435 << true;
        QTest::newRow("long form keeps its year")
            << longRecord(0, 24, 3, 5, 10, 15, "1", 4) << oneMinute << false;
        QTest::newRow("year byte above 200 is 2000")
            << longRecord(0, 250, 3, 5, 10, 15, "1", 4)
            << timeForm(dir, at(2000, 3, 5, 10, 0), at(2000, 3, 5, 11, 0)) << true;

        const SearchForm march = timeForm(dir, at(2008, 3, 1), at(2012, 3, 31, 23, 59));
        QTest::newRow("short form of 5 March in March 2008-2012")
            << shortRecord(0, 3, 5, 9, 0, "1", 5000) << march << true;
        QTest::newRow("short form of 5 June outside it")
            << shortRecord(0, 6, 5, 9, 0, "1", 5000) << march << false;
        // Only the short form is brought into year 2000: a long-form record of year 2000 (byte 0,
        // or above 200) keeps its year and stays outside a range of later years.
        QTest::newRow("long form of 5 March 2000 outside March 2008-2012")
            << longRecord(0, 0, 3, 5, 9, 0, "1", 4) << march << false;
        QTest::newRow("long form, year byte 250, outside March 2008-2012")
            << longRecord(0, 250, 3, 5, 9, 0, "1", 4) << march << false;
        const SearchForm acrossYear = timeForm(dir, at(2024, 12, 20), at(2025, 1, 10, 23, 59));
        QTest::newRow("20 Dec - 10 Jan: no short-form 25 Dec")
            << shortRecord(0, 12, 25, 9, 0, "1", 5000) << acrossYear << false;
        QTest::newRow("20 Dec - 10 Jan: no short-form 5 Jan")
            << shortRecord(0, 1, 5, 9, 0, "1", 5000) << acrossYear << false;
        QTest::newRow("20 Dec - 10 Jan: long-form 25 Dec found")
            << longRecord(0, 24, 12, 25, 9, 0, "1", 4) << acrossYear << true;

        SearchForm allKinds;
        allKinds.folder = dir;
        SearchForm noKinds = allKinds;
        noKinds.incoming = noKinds.outgoing = noKinds.local = false;
        SearchForm outOnly = noKinds;
        outOnly.outgoing = true;
        const QByteArray attr3 = shortRecord(3, 1, 1, 0, 0, "1", 1000);
        QTest::newRow("attribute 3, all boxes ticked") << attr3 << allKinds << false;
        QTest::newRow("attribute 3, no box ticked") << attr3 << noKinds << true;
        QTest::newRow("outgoing box finds outgoing")
            << shortRecord(1, 1, 1, 0, 0, "1", 1000) << outOnly << true;
        QTest::newRow("outgoing box leaves incoming")
            << shortRecord(0, 1, 1, 0, 0, "1", 1000) << outOnly << false;
        QTest::newRow("outgoing box leaves local")
            << shortRecord(2, 1, 1, 0, 0, "1", 1000) << outOnly << false;

        SearchForm n138 = allKinds;
        n138.number = QStringLiteral("138");
        QTest::newRow("138 at the start") << shortRecord(0, 1, 1, 0, 0, "13899", 0) << n138 << true;
        QTest::newRow("138 at the end") << shortRecord(0, 1, 1, 0, 0, "99138", 0) << n138 << true;
        QTest::newRow("138 in the middle")
            << longRecord(0, 1, 1, 1, 0, 0, "0213800000000000", 0) << n138 << true;
        QTest::newRow("138 across a skipped 15")
            << shortRecord(0, 1, 1, 0, 0, "13f8", 0) << n138 << true;
        QTest::newRow("no 138") << shortRecord(0, 1, 1, 0, 0, "1830", 0) << n138 << false;
        SearchForm star = allKinds;
        star.number = QStringLiteral("*#");
        QTest::newRow("10 is * and 11 is # in the test")
            << shortRecord(0, 1, 1, 0, 0, "1ab", 0) << star << true;
        SearchForm x = allKinds;
        x.number = QStringLiteral("X");
        QTest::newRow("10 is not X in the test")
            << shortRecord(0, 1, 1, 0, 0, "1a", 0) << x << false;

        SearchForm minute = allKinds;
        minute.minSeconds = 60;
        QTest::newRow("59 999 bytes are 59 s")
            << shortRecord(0, 1, 1, 0, 0, "1", 59999) << minute << false;
        QTest::newRow("60 000 bytes are 60 s")
            << shortRecord(0, 1, 1, 0, 0, "1", 60000) << minute << true;
        SearchForm upTo59 = allKinds;
        upTo59.maxSeconds = 59;
        QTest::newRow("max 59 keeps 59 999 bytes")
            << shortRecord(0, 1, 1, 0, 0, "1", 59999) << upTo59 << true;
        QTest::newRow("max 59 leaves 60 000 bytes")
            << shortRecord(0, 1, 1, 0, 0, "1", 60000) << upTo59 << false;
        QTest::newRow("0 and 0 do not filter")
            << shortRecord(0, 1, 1, 0, 0, "1", 0) << allKinds << true;
        SearchForm huge = allKinds;
        huge.minSeconds = 4294967;
        QTest::newRow("0xFFFFFFFF counted as stored")
            << shortRecord(0, 1, 1, 0, 0, "1", 0xFFFFFFFFu) << huge << true;
        SearchForm crossed = allKinds;
        crossed.minSeconds = 10;
        crossed.maxSeconds = 5;
        QTest::newRow("min above max passes nothing")
            << shortRecord(0, 1, 1, 0, 0, "1", 7000) << crossed << false;
        QTest::newRow("long-form length in pages")
            << longRecord(0, 1, 1, 1, 0, 0, "1", 235) << minute << true; // 60 160 bytes
    }

    void matching()
    {
        QFETCH(QByteArray, record);
        QFETCH(SearchForm, form);
        QFETCH(bool, passes);
        QCOMPARE(matches(headerOf(record), criteriaOf(form)), passes);
    }

    // The checks of a search in their order: the first that holds refuses.
    void refusals_data()
    {
        QTest::addColumn<SearchForm>("form");
        QTest::addColumn<QString>("refusal");
        const QString dir = QDir::tempPath();
        SearchForm none;
        none.timeTicked = true;
        none.startDate = at(2025, 2, 1);
        none.endDate = at(2025, 1, 1);
        QTest::newRow("no folder before bad dates") << none << u("没设置目录");
        SearchForm missing = none;
        missing.folder = dir + QStringLiteral("/no-such-folder-here/");
        QTest::newRow("missing folder before bad dates") << missing << u("文件夹不存在!");
        SearchForm dates = none;
        dates.folder = dir;
        QTest::newRow("start date after end date") << dates << u("起止日期设置错误");
        QTest::newRow("equal start and end refused")
            << timeForm(dir, at(2025, 3, 5, 10, 15, 30), at(2025, 3, 5, 10, 15, 30))
            << u("起止时间设置错误");
        QTest::newRow("start time after end time on one day")
            << timeForm(dir, at(2025, 3, 5, 11, 0), at(2025, 3, 5, 10, 0)) << u("起止时间设置错误");
        QTest::newRow("one minute accepted")
            << timeForm(dir, at(2025, 3, 5, 10, 15, 0), at(2025, 3, 5, 10, 15, 59)) << QString();
        QTest::newRow("later day, earlier time accepted")
            << timeForm(dir, at(2025, 3, 5, 11, 0), at(2025, 3, 6, 10, 0)) << QString();
        // The start time picker still on another day than its date picker (as the box's click
        // left it before): the range is the date pickers' days with the time pickers' times.
        SearchForm stale = timeForm(dir, at(2025, 3, 1, 0, 0), at(2025, 3, 1, 14, 35));
        stale.startTime = at(2025, 3, 8, 0, 0);
        QTest::newRow("time picker's own day not compared") << stale << QString();
        stale.startTime = at(2025, 2, 20, 15, 0);
        QTest::newRow("time picker's own day, later time refused")
            << stale << u("起止时间设置错误");
        SearchForm unticked = dates;
        unticked.timeTicked = false;
        QTest::newRow("dates ignored while unticked") << unticked << QString();
    }

    void refusals()
    {
        QFETCH(SearchForm, form);
        QFETCH(QString, refusal);
        const auto prepared = prepareSearch(form);
        const QString *got = std::get_if<QString>(&prepared);
        QCOMPARE(got ? *got : QString(), refusal);
    }

    void rowTexts_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("short form, seconds")
            << shortRecord(0, 3, 5, 9, 7, "13f9ab", 59999)
            << QStringList{u("n.spx"), u("139X#"), u(" 03月05日 09:07 "),
                           u("59秒"),  u("来电"),  u("/d/")};
        QTest::newRow("long form, minutes")
            << longRecord(1, 25, 12, 31, 23, 59, "0", 235)
            << QStringList{u("n.spx"),    u("0"),    u(" 2025年12月31日 23:59 "),
                           u("1分钟0秒"), u("去电"), u("/d/")};
        QTest::newRow("hours, attribute 3")
            << shortRecord(3, 1, 1, 0, 0, "", 3723000)
            << QStringList{u("n.spx"),         QString(), u(" 01月01日 00:00 "),
                           u("1小时2分钟3秒"), u("录音"), u("/d/")};
        QTest::newRow("0xFFFFFFFF shown as 0")
            << shortRecord(2, 1, 1, 0, 0, "", 0xFFFFFFFFu)
            << QStringList{u("n.spx"), QString(), u(" 01月01日 00:00 "),
                           u("0秒"),   u("录音"), u("/d/")};
    }

    void rowTexts()
    {
        QFETCH(QByteArray, record);
        QFETCH(QStringList, cells);
        QCOMPARE(resultCells(u("n.spx"), u("/d/"), headerOf(record)), cells);
    }

    void statusLine()
    {
        QCOMPARE(statusText({5, 2, 2, 1}), u("总计录音文件:5个 来电:2个 去电:2个 本地:1个"));
    }

    void secondsBounds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bound"); // -1: not accepted
        QTest::newRow("digits") << u("120") << qint64(120);
        QTest::newRow("largest") << u("2147483647") << qint64(2147483647);
        QTest::newRow("beyond 32 bits") << u("2147483648") << qint64(-1);
        QTest::newRow("far beyond") << u("99999999999999999999") << qint64(-1);
        QTest::newRow("empty") << QString() << qint64(-1);
        QTest::newRow("pasted letters") << u("12a") << qint64(-1);
        QTest::newRow("negative") << u("-5") << qint64(-1);
    }

    void secondsBounds()
    {
        QFETCH(QString, text);
        QFETCH(qint64, bound);
        const auto got = parseSecondsBound(text);
        QCOMPARE(got ? qint64(*got) : qint64(-1), bound);
    }

    // The tree: names that are and are not recordings, a dot-folder, a seven-level chain, files
    // shorter than a header, a link that leads nowhere, sub-folders searched in name order.
    void treeScan()
    {
        TempFolder t;
        const QByteArray rec = shortRecord(0, 1, 1, 0, 0, "1", 1000);
        for (const char *name : {"b.spx", "a.spx.spx", "A.SPX", "c.spx.txt", "x.Spx", ".hid/h.spx",
                                 "m/a.spx", "a/z.spx", "d/e f 中文.spx"})
            t.write(QString::fromUtf8(name), rec);
        t.write(QStringLiteral("short.spx"), rec.left(5)); // 5 bytes: the rest counts as 0
        QString level;
        for (int depth = 1; depth <= 6; ++depth) {
            level += QStringLiteral("L%1/").arg(depth);
            t.write(level + QStringLiteral("r.spx"), rec);
        }
        QVERIFY(QFile::link(t.file(QStringLiteral("nowhere")), t.file(QStringLiteral("gone.spx"))));

        // Without a trailing separator: names are still joined with one.
        SearchForm form;
        form.folder = t.path().chopped(1);
        form.incoming = form.outgoing = form.local = false;
        const Found found = scan(criteriaOf(form));
        // Each folder in name order ("L2" before "r.spx"), a sub-folder searched where it falls.
        const QStringList all = {t.path() + u("L1/L2/L3/L4/L5/r.spx"),
                                 t.path() + u("L1/L2/L3/L4/r.spx"),
                                 t.path() + u("L1/L2/L3/r.spx"),
                                 t.path() + u("L1/L2/r.spx"),
                                 t.path() + u("L1/r.spx"),
                                 t.path() + u("a/z.spx"),
                                 t.path() + u("b.spx"),
                                 t.path() + u("d/e f 中文.spx"),
                                 t.path() + u("m/a.spx"),
                                 t.path() + u("short.spx")};
        QCOMPARE(found.paths, all);
        QCOMPARE(found.failed, QStringList{t.path() + u("gone.spx")});
        QCOMPARE(found.counts.total, int(all.size()));
    }

    // Each folder is searched in the order the PC list sorts names (by their UTF-16 text), which
    // puts characters beyond U+FFFF before U+E000..U+FFFF, unlike their UTF-8 bytes.
    void nameOrder()
    {
        TempFolder t;
        const QByteArray rec = shortRecord(0, 1, 1, 0, 0, "1", 1000);
        for (const char *name : {"\xef\xbc\xb8.spx", "\xf0\xa0\x80\x80.spx", "a.spx",
                                 "\xe4\xb8\xad.spx", "\xf0\xa0\x80\x80/b.spx", "\xef\xbc\xb8x.spx"})
            t.write(QString::fromUtf8(name), rec);
        SearchForm form;
        form.folder = t.path();
        const Found found = scan(criteriaOf(form));
        QStringList names;
        for (const QString &path : found.paths)
            names.append(path.mid(t.path().size()));
        QCOMPARE(names, (QStringList{u("a.spx"), u("中.spx"), u("𠀀/b.spx"), u("𠀀.spx"),
                                     u("Ｘ.spx"), u("Ｘx.spx")}));
    }

    // Names that are not valid UTF-8 are scanned by their bytes: a folder of such a name is
    // searched, and the rows show the names with the undecodable bytes replaced.
    void invalidUtf8Names()
    {
        TempFolder t;
        const QByteArray root = QFile::encodeName(t.path());
        const QByteArray record = shortRecord(0, 1, 1, 0, 0, "1", 1000);
        QVERIFY(::mkdir((root + "\xff\xfe").constData(), 0755) == 0);
        for (const QByteArray &name : {root + "\xff\xfe/r.spx", root + "\xfe.spx"}) {
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, record.constData(), size_t(record.size())),
                     ssize_t(record.size()));
            QCOMPARE(::close(fd), 0);
        }
        SearchForm form;
        form.folder = t.path();
        const Found found = scan(criteriaOf(form));
        QCOMPARE(found.counts.total, 2);
        QCOMPARE(found.paths.size(), 2);
        // In byte order: "\xfe.spx" before the folder "\xff\xfe". Each row's path leads back
        // to its file; the texts shown replace the undecodable bytes.
        for (const QString &path : found.paths) {
            QString error;
            QCOMPARE(readHeaderBytes(path, &error),
                     std::optional(record.left(32) + QByteArray(13, 0)));
        }
        QCOMPARE(found.cells.at(0).first(), QString(QChar::ReplacementCharacter) + u(".spx"));
        QCOMPARE(found.cells.at(1).first(), u("r.spx"));
        QCOMPARE(found.cells.at(1).last(),
                 t.path() + QString(2, QChar::ReplacementCharacter) + u("/"));
        // The temporary folder cannot remove names it cannot decode.
        QCOMPARE(::unlink((root + "\xff\xfe/r.spx").constData()), 0);
        QCOMPARE(::rmdir((root + "\xff\xfe").constData()), 0);
        QCOMPARE(::unlink((root + "\xfe.spx").constData()), 0);
    }

    // Entries with a recording's name that are not files holding a header (a pipe, a device,
    // a file whose first bytes cannot be read) give the open-failure report, never a row built
    // from bytes that were not read.
    void unusableEntries_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << u("pipe");
        QTest::newRow("character device") << u("/dev/zero");
        QTest::newRow("read fails") << u("/proc/self/mem");
    }

    void unusableEntries()
    {
        QFETCH(QString, kind);
        TempFolder t;
        t.write(QStringLiteral("a.spx"), shortRecord(0, 1, 1, 0, 0, "1", 1000));
        const QString odd = t.file(QStringLiteral("odd.spx"));
        if (kind == u("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0644), 0);
        else
            QVERIFY(QFile::link(kind, odd));
        t.write(QStringLiteral("z.spx"), shortRecord(1, 1, 1, 0, 0, "2", 1000));
        SearchForm form;
        form.folder = t.path();
        const Found found = scan(criteriaOf(form));
        QCOMPARE(found.paths, (QStringList{t.path() + u("a.spx"), t.path() + u("z.spx")}));
        QCOMPARE(found.failed, QStringList{odd});
        QCOMPARE(found.counts.total, 2);
    }

    // The scan reports progress as it reads entries, recordings or not, so a window can keep
    // painting over a tree that holds many other files or many folders.
    void progressOverOtherEntries()
    {
        TempFolder t;
        for (int i = 0; i < 300; ++i)
            t.write(QStringLiteral("doc%1.txt").arg(i), QByteArray("x"));
        for (int i = 0; i < 300; ++i)
            QVERIFY(QDir(t.path()).mkpath(QStringLiteral("empty/f%1").arg(i)));
        SearchForm form;
        form.folder = t.path();
        int reports = 0;
        SearchHooks hooks;
        hooks.progress = [&reports](qint64) { ++reports; };
        const SearchCounts counts = runSearchScan(criteriaOf(form), hooks).counts;
        QCOMPARE(counts.total, 0);
        QVERIFY2(reports >= 2, qPrintable(QString::number(reports)));
    }

    // Links that lead back to a folder already entered: each folder is searched once, by the
    // name met first, and no recording is listed twice.
    void linkLoops_data()
    {
        QTest::addColumn<QStringList>("links"); // "link=target", target relative to the top
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("one link to its own folder")
            << QStringList{u("again=")} << QStringList{u("r.spx"), u("sub/s.spx")};
        QTest::newRow("ten links to it")
            << QStringList{u("l0="), u("l1="), u("l2="), u("l3="), u("l4="),
                           u("l5="), u("l6="), u("l7="), u("l8="), u("l9=")}
            << QStringList{u("r.spx"), u("sub/s.spx")};
        QTest::newRow("a sub-folder's link to the top")
            << QStringList{u("sub/up=")} << QStringList{u("r.spx"), u("sub/s.spx")};
        QTest::newRow("a folder reached by a link before its own name")
            << QStringList{u("a=sub")} << QStringList{u("a/s.spx"), u("r.spx")};
    }

    void linkLoops()
    {
        QFETCH(QStringList, links);
        QFETCH(QStringList, rows);
        TempFolder t;
        t.write(QStringLiteral("r.spx"), shortRecord(2, 1, 1, 0, 0, "1", 1000));
        t.write(QStringLiteral("sub/s.spx"), shortRecord(0, 1, 1, 0, 0, "2", 1000));
        for (const QString &link : links)
            QVERIFY(
                QFile::link(t.path() + link.section(u'=', 1), t.file(link.section(u'=', 0, 0))));
        SearchForm form;
        form.folder = t.path();
        const Found found = scan(criteriaOf(form));
        QStringList got;
        for (const QString &path : found.paths)
            got.append(path.mid(t.path().size()));
        QCOMPARE(got, rows);
        QCOMPARE(found.counts.total, int(rows.size()));
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
