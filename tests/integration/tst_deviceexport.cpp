// tovrel device list --export, run as a program against the emulator process.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"
#include "WorkbookReaders.h"

#include <QDir>
#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

} // namespace

class TestDeviceExport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};

    QStringList list() const
    {
        return {u("device"),       u("list"),       u("--password"),
                u("2468"),         u("--emulator"), m_phone.socketName(),
                u("--timeout-ms"), u("500")};
    }
    void startPhone(const QList<quint32> &lengths, const QStringList &faults = {})
    {
        QVERIFY2(startOnRecordings(m_phone, m_dir->path() + u("phone"),
                                   makeRecordings(lengths, true),
                                   QStringList{u("--password"), u("2468")} + faults),
                 qPrintable(m_phone.error()));
    }

private slots:
    void init() { m_dir = std::make_unique<TempFolder>(); }
    void cleanup()
    {
        m_phone.stop();
        m_dir.reset();
    }

    void exportsWhatTheListPrints_data()
    {
        QTest::addColumn<QList<quint32>>("lengths");
        QTest::addColumn<QString>("name");
        QTest::newRow("three recordings, xls")
            << QList<quint32>{1000, 257, 0} << u("电话列表List.xls");
        QTest::newRow("three recordings, xlsx") << QList<quint32>{1000, 257, 0} << u("list.xlsx");
        QTest::newRow("empty telephone: header only") << QList<quint32>{} << u("empty.xls");
    }
    void exportsWhatTheListPrints()
    {
        QFETCH(QList<quint32>, lengths);
        QFETCH(QString, name);
        startPhone(lengths);
        const ProgramRun printed = runProgram(tovrelProgram(), list(), 30000);
        QCOMPARE(printed.exitCode, 0);
        const QString path = m_dir->file(name);
        const ProgramRun r =
            runProgram(tovrelProgram(), list() + QStringList{u("--export"), path}, 30000);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, u("导出 Excel 结束！\n"));
        QCOMPARE(r.exitCode, 0);

        QList<QStringList> expected{{u("序号"), u("文件名"), u("电话号码  "), u("时间"), u("属性"),
                                     u("文件长度"), u("时长   ")}};
        for (const QString &line : printed.out.split(u'\n', Qt::SkipEmptyParts))
            expected.append(line.split(u'\t'));
        QCOMPARE(expected.size(), 1 + lengths.size());
        QString error;
        const QList<QStringList> rows = name.endsWith(u(".xlsx"))
                                            ? readXlsx(path, &error).rows
                                            : readXls(path, &error).value(0).rows;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows, expected);
    }

    // The telephone stops answering while the list is read: nothing is exported.
    void failedListExportsNothing()
    {
        startPhone({1000, 257, 0}, {u("--drop-after"), u("4")});
        const QString path = m_dir->file(u("x.xls"));
        const ProgramRun r = runProgram(
            tovrelProgram(),
            QStringList{u("--lang"), u("en")} + list() + QStringList{u("--export"), path}, 30000);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.endsWith(u("; nothing exported\n")), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(path));
    }

    void exportOnlyWithList()
    {
        const ProgramRun r =
            runProgram(tovrelProgram(), {u("--lang"), u("en"), u("device"), u("status"),
                                         u("--export"), m_dir->file(u("x.xls"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, u("tovrel device: --export goes with list\n"));
    }
};

QTEST_GUILESS_MAIN(TestDeviceExport)
#include "tst_deviceexport.moc"
