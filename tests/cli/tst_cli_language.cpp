// The command line's own wording in the language chosen, its tables the same in both.

#include "ProgramRun.h"
#include "SearchFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
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

// How the language is chosen for one run: the locale's variables and the options before the
// command.
struct LanguageChoice
{
    const char *name;
    QByteArray lang;
    QByteArray lcAll = {};
    QByteArray lcMessages = {};
    QStringList options = {};
    bool english = false;
};

const LanguageChoice kChinese{"C locale", "C.UTF-8"};
const LanguageChoice kEnglish{"English locale", "en_US.UTF-8", {}, {}, {}, true};

// The other ways the language is chosen: LC_ALL, then LC_MESSAGES, then LANG, the first one
// set; an en locale is English, any other Chinese; --lang overrides them all.
const QList<LanguageChoice> kChoices{
    {"LC_ALL English over a Chinese LANG", "zh_CN.UTF-8", "en_US.UTF-8", {}, {}, true},
    {"LC_ALL Chinese over an English LANG", "en_US.UTF-8", "zh_CN.UTF-8"},
    {"LC_ALL C over an English LC_MESSAGES", "en_US.UTF-8", "C", "en_GB.UTF-8"},
    {"LC_MESSAGES English over a Chinese LANG", "C.UTF-8", {}, "en_GB.UTF-8", {}, true},
    {"--lang en in the C locale", "C.UTF-8", {}, {}, {u("--lang"), u("en")}, true},
    {"--lang=en, LC_ALL Chinese", "C", "zh_CN.UTF-8", {}, {u("--lang=en")}, true},
    {"--lang zh in an English locale", "en_US.UTF-8", {}, {}, {u("--lang"), u("zh")}},
};

} // namespace

Q_DECLARE_METATYPE(LanguageChoice)

class TestCliLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_folder.write(u("0305_in.spx"), shortRecord(0, 3, 5, 10, 15, "13800138000", 59999));
        m_folder.write(u("0601_local.spx"), shortRecord(2, 6, 1, 8, 0, "5551234", 3723000));
        // Two recordings that are not whole, for the check's rows: a header cut short, and a
        // header without the payload it gives.
        QVERIFY(QDir(m_folder.path()).mkdir(u("damaged")));
        const QByteArray whole = shortRecord(0, 3, 5, 10, 15, "13800138000", 59999);
        m_folder.write(u("damaged/0305_cut.spx"), whole.left(whole.size() - 7));
        m_folder.write(u("damaged/0305_long.spx"), whole + "xx");
    }

    // Each command's message (on `stream`) is in the language chosen and keeps the program's
    // and command's name before it; stdout is the same whatever the language. Every command is
    // run in both languages, and one of them in every way of choosing the language.
    void messages_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("onStdout");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<LanguageChoice>("choice");
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
            {"unknown command", {u("frobnicate")}, 1, false, u("tovrel: ")},
            {"help", {u("--help")}, 0, true, u("tovrel [--lang en|zh] [--config FILE] COMMAND")},
            {"a command's help", {u("play"), u("--help")}, 0, true, u("--speed X")},
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
            {"device with an unknown option",
             {u("device"), u("list"), u("--bogus")},
             1,
             false,
             u("tovrel device: ")},
            {"export to a workbook of no known kind",
             {u("list"), m_folder.path(), u("--export"), m_folder.file(u("list.txt"))},
             1,
             false,
             u("tovrel list: ")},
        };
        const auto add = [](const Case &c, const LanguageChoice &l) {
            QTest::addRow("%s, %s", c.name, l.name)
                << c.args << c.exitCode << c.onStdout << c.kept << l;
        };
        for (const Case &c : cases) {
            add(c, kChinese);
            add(c, kEnglish);
        }
        for (const LanguageChoice &l : kChoices)
            add(cases.first(), l);
    }

    void messages()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(bool, onStdout);
        QFETCH(QString, kept);
        QFETCH(LanguageChoice, choice);
        const auto run = runIn(choice, choice.options + args);
        QCOMPARE(run.exitCode, exitCode);
        const QString &message = onStdout ? run.out : run.err;
        QVERIFY2(!message.trimmed().isEmpty(), qPrintable(run.err));
        QVERIFY2(message.contains(kept), qPrintable(message));
        QVERIFY2(holdsChinese(message) != choice.english, qPrintable(message));
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
        QTest::newRow("check") << QStringList{u("check"), m_folder.file(u("damaged"))};
    }

    void tablesStayTheSame()
    {
        QFETCH(QStringList, args);
        const auto chinese = runIn(kChinese, args);
        const auto english = runIn(kEnglish, args);
        QCOMPARE(english.exitCode, chinese.exitCode);
        QVERIFY2(!chinese.out.isEmpty(), qPrintable(chinese.err));
        QVERIFY2(holdsChinese(chinese.out), qPrintable(chinese.out));
        QCOMPARE(english.out.toUtf8(), chinese.out.toUtf8());
    }

private:
    // tovrel with `args`, the locale's variables set as `choice` has them.
    static tovrel::test::ProgramRun runIn(const LanguageChoice &choice, const QStringList &args)
    {
        const QByteArray before = qgetenv("LANG");
        qputenv("LANG", choice.lang);
        qputenv("LC_ALL", choice.lcAll);
        qputenv("LC_MESSAGES", choice.lcMessages);
        auto run = tovrel::test::runTovrel(args);
        qputenv("LANG", before);
        return run;
    }

    TempFolder m_folder;
};

QTEST_GUILESS_MAIN(TestCliLanguage)
#include "tst_cli_language.moc"
