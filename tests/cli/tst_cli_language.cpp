// The command line's own wording in the language chosen, its tables the same in both.

#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QRegularExpression>
#include <QTest>

using tovrel::test::shortRecord;
using tovrel::test::TempFolder;
using tovrel::test::u;

namespace {

// A character of the CJK blocks or a full-width form: Chinese text.
bool holdsChinese(const QString &text)
{
    static const QRegularExpression chinese(u("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    return text.contains(chinese);
}

// How the language is chosen for one run: the locale and the options before the command.
struct LanguageChoice
{
    const char *name;
    QByteArray locale;
    QStringList options;
    bool english;
};

const QList<LanguageChoice> &choices()
{
    static const QList<LanguageChoice> all{
        {"C locale", "C.UTF-8", {}, false},
        {"POSIX locale", "POSIX", {}, false},
        {"Chinese locale", "zh_CN.UTF-8", {}, false},
        {"English locale", "en_US.UTF-8", {}, true},
        {"--lang en in the C locale", "C.UTF-8", {u("--lang"), u("en")}, true},
        {"--lang zh in an English locale", "en_US.UTF-8", {u("--lang"), u("zh")}, false},
    };
    return all;
}

} // namespace

class TestCliLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_folder.write(u("0305_in.spx"), shortRecord(0, 3, 5, 10, 15, "13800138000", 59999));
        m_folder.write(u("0601_local.spx"), shortRecord(2, 6, 1, 8, 0, "5551234", 3723000));
    }

    // Each command's message (on `stream`) is in the language chosen and keeps the program's
    // and command's name before it; stdout is the same whatever the language.
    void messages_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("onStdout");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("english");
        const QString missing = m_folder.file(u("absent"));
        struct Case
        {
            const char *name;
            QStringList args;
            int exitCode;
            bool onStdout;
            QString kept; // the part that is the same in both languages
        };
        const QList<Case> cases{
            {"help", {u("--help")}, 0, true, u("tovrel [--lang en|zh] COMMAND [OPTIONS]")},
            {"a command's help", {u("play"), u("--help")}, 0, true, u("--speed X")},
            {"unknown command", {u("frobnicate")}, 1, false, u("tovrel: ")},
            {"list of a missing folder", {u("list"), missing}, 1, false, u("tovrel list: ")},
            {"touch of a missing folder", {u("touch"), missing}, 1, false, u("tovrel touch: ")},
            {"play at a speed out of range",
             {u("play"), m_folder.file(u("0305_in.spx")), u("--speed"), u("9")},
             1,
             false,
             u("tovrel play: ")},
            {"search with a bad date",
             {u("search"), m_folder.path(), u("--from"), u("yesterday"), u("--to"), u("today")},
             1,
             false,
             u("tovrel search: ")},
            {"export to a workbook of no known kind",
             {u("list"), m_folder.path(), u("--export"), m_folder.file(u("list.txt"))},
             1,
             false,
             u("tovrel list: ")},
        };
        for (const Case &c : cases) {
            for (const LanguageChoice &l : choices()) {
                QTest::addRow("%s, %s", c.name, l.name)
                    << c.args << c.exitCode << c.onStdout << c.kept << l.locale << l.options
                    << l.english;
            }
        }
    }

    void messages()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(bool, onStdout);
        QFETCH(QString, kept);
        QFETCH(QByteArray, locale);
        QFETCH(QStringList, options);
        QFETCH(bool, english);
        const auto run = runIn(locale, options + args);
        QCOMPARE(run.exitCode, exitCode);
        const QString &message = onStdout ? run.out : run.err;
        QVERIFY2(!message.trimmed().isEmpty(), qPrintable(run.err));
        QVERIFY2(message.contains(kept), qPrintable(message));
        QVERIFY2(holdsChinese(message) != english, qPrintable(message));
        if (!onStdout)
            QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    }

    // The rows a script reads, captions and cells, are Chinese data in both languages, byte for
    // byte.
    void tablesStayTheSame_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("list --header") << QStringList{u("list"), u("--header"), m_folder.path()};
        QTest::newRow("search --header")
            << QStringList{u("search"), m_folder.path(), u("--header")};
    }

    void tablesStayTheSame()
    {
        QFETCH(QStringList, args);
        const auto chinese = runIn("C.UTF-8", args);
        const auto english = runIn("en_US.UTF-8", args);
        QCOMPARE(english.exitCode, chinese.exitCode);
        QVERIFY2(!chinese.out.isEmpty(), qPrintable(chinese.err));
        QCOMPARE(english.out.toUtf8(), chinese.out.toUtf8());
    }

private:
    // tovrel with `args`, LANG set to `locale` for it (LC_ALL and LC_MESSAGES left empty).
    static tovrel::test::ProgramRun runIn(const QByteArray &locale, const QStringList &args)
    {
        const QByteArray before = qgetenv("LANG");
        qputenv("LANG", locale);
        qputenv("LC_ALL", "");
        qputenv("LC_MESSAGES", "");
        auto run = tovrel::test::runTovrel(args);
        qputenv("LANG", before);
        return run;
    }

    TempFolder m_folder;
};

QTEST_GUILESS_MAIN(TestCliLanguage)
#include "tst_cli_language.moc"
