#include "settings/Language.h"

#include "TestFolders.h"
#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"
#include "io/FileTime.h"
#include "io/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

using namespace tovrel;
using tovrel::test::TempFolder;

Q_DECLARE_METATYPE(std::optional<tovrel::Language>)

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    // The failures a user reads, each made for real: in Chinese in the program's own language,
    // in English (not the Chinese kept) with --lang en.
    void failureTexts_data()
    {
        const auto texts = [](const TempFolder &f) {
            const QString d = f.path();
            const auto read = [&f](const char *name, const QByteArray &bytes) {
                return std::get<QString>(readContactFile(f.write(s(name), bytes)));
            };
            QDir::setCurrent(d);
            AtomicFile unopened(d + s("/w"));
            unopened.write("x");
            return QStringList{std::get<QString>(ContactBook::load(d)),
                               *ContactBook().save(f.write(s("f"), "x") + s("/b.vcf")),
                               read("q.csv", "a,b\n\"c,1"),
                               read("n.csv", "a,b\nc"),
                               read("c.txt", "c 1"),
                               read("e.csv", "a,b\n"),
                               notRegularFileText(),
                               *setModificationTime(d, QDateTime()),
                               unopened.errorString()};
        };
        const TempFolder folder;
        const QString here = QDir::currentPath();
        const QStringList chinese = texts(folder);
        QString error;
        QVERIFY2(applyLanguage(*QCoreApplication::instance(), Language::English, &error),
                 qPrintable(error));
        const QStringList english = texts(folder);
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>()); // back to Chinese
        QDir::setCurrent(here);
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        for (qsizetype i = 0; i < english.size(); ++i)
            QTest::newRow(qPrintable(english[i])) << chinese[i] << english[i];
    }

    void failureTexts()
    {
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        const QRegularExpression han(s("[\\x{3000}-\\x{9FFF}]"));
        QVERIFY2(chinese.contains(han), qPrintable(chinese));
        QVERIFY2(!english.isEmpty() && !english.contains(han), qPrintable(english));
    }

    // --lang first, then LC_ALL, LC_MESSAGES and LANG, the first one set and not empty; English
    // only for an English locale.
    void choice_data()
    {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<std::optional<Language>>("expected");
        QTest::addColumn<QStringList>("left");
        const auto en = std::optional(Language::English);
        const auto zh = std::optional(Language::Chinese);
        const QStringList none;
        const QStringList list{s("list"), s("/calls")};
        QTest::newRow("nothing set") << s("") << s("") << s("") << list << zh << list;
        QTest::newRow("LANG en_US.UTF-8")
            << s("") << s("") << s("en_US.UTF-8") << none << en << none;
        QTest::newRow("LANG en") << s("") << s("") << s("en") << none << en << none;
        QTest::newRow("LANG en_GB@euro") << s("") << s("") << s("en_GB@euro") << none << en << none;
        QTest::newRow("LANG C") << s("") << s("") << s("C") << none << zh << none;
        QTest::newRow("LANG POSIX") << s("") << s("") << s("POSIX") << none << zh << none;
        QTest::newRow("LANG C.UTF-8") << s("") << s("") << s("C.UTF-8") << none << zh << none;
        QTest::newRow("LANG zh_CN.UTF-8")
            << s("") << s("") << s("zh_CN.UTF-8") << none << zh << none;
        QTest::newRow("LANG de_DE: no translation")
            << s("") << s("") << s("de_DE.UTF-8") << none << zh << none;
        QTest::newRow("LANG eng: not en") << s("") << s("") << s("eng") << none << zh << none;
        QTest::newRow("LC_MESSAGES before LANG")
            << s("") << s("en_US.UTF-8") << s("zh_CN.UTF-8") << none << en << none;
        QTest::newRow("LC_ALL before LC_MESSAGES")
            << s("C") << s("en_US.UTF-8") << s("en_US.UTF-8") << none << zh << none;
        QTest::newRow("LC_ALL en")
            << s("en_AU.UTF-8") << s("zh_CN") << s("C") << none << en << none;
        QTest::newRow("--lang en over a Chinese locale")
            << s("zh_CN.UTF-8") << s("") << s("") << QStringList{s("--lang"), s("en"), s("list")}
            << en << QStringList{s("list")};
        QTest::newRow("--lang zh over an English locale")
            << s("en_US.UTF-8") << s("") << s("") << QStringList{s("list"), s("--lang=zh")} << zh
            << QStringList{s("list")};
        QTest::newRow("--lang fr refused")
            << s("") << s("") << s("en_US.UTF-8") << QStringList{s("--lang"), s("fr")}
            << std::optional<Language>() << QStringList();
        QTest::newRow("--lang without its value refused")
            << s("") << s("") << s("") << QStringList{s("list"), s("--lang")}
            << std::optional<Language>() << QStringList();
        QTest::newRow("--lang after -- is an argument")
            << s("") << s("") << s("") << QStringList{s("--"), s("--lang"), s("en")} << zh
            << QStringList{s("--"), s("--lang"), s("en")};
    }

    void choice()
    {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(QStringList, arguments);
        QFETCH(std::optional<Language>, expected);
        QFETCH(QStringList, left);
        const QHash<QByteArray, QByteArray> environment{{"LC_ALL", lcAll.toUtf8()},
                                                        {"LC_MESSAGES", lcMessages.toUtf8()},
                                                        {"LANG", lang.toUtf8()}};
        QString error;
        const auto chosen = chooseLanguage(
            arguments, [&](const char *name) { return environment.value(name); }, &error);
        QCOMPARE(chosen, expected);
        QCOMPARE(error.isEmpty(), expected.has_value());
        if (expected)
            QCOMPARE(arguments, left);
    }

    // English: the messages come out translated and the default locale is English (Qt's own
    // dates and buttons); nothing of it needs a file outside the program.
    void englishIsBuiltIn()
    {
        const char *source = "只能输入数字！";
        QCOMPARE(QCoreApplication::translate("SearchCriteria", source), s(source));
        QString error;
        QVERIFY2(applyLanguage(*QCoreApplication::instance(), Language::English, &error),
                 qPrintable(error));
        const QString translated = QCoreApplication::translate("SearchCriteria", source);
        QVERIFY(!translated.isEmpty());
        QVERIFY2(
            !translated.contains(QRegularExpression(s("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"))),
            qPrintable(translated));
        QCOMPARE(QLocale().language(), QLocale::English);
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
