#include "settings/Language.h"

#include "contacts/ContactBook.h"
#include "contacts/ContactFiles.h"
#include "io/AtomicFile.h"
#include "io/FileTime.h"
#include "io/NativePath.h"
#include "search/SearchCriteria.h"
#include "settings/SysConf.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <functional>

using namespace tovrel;

Q_DECLARE_METATYPE(std::optional<tovrel::Language>)
using TextOf = std::function<QString(const QString &folder)>;
Q_DECLARE_METATYPE(TextOf)

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
    // The failures a user reads, each produced for real: Chinese (what it names kept) in the
    // program's own language, the English wording with --lang en.
    void failureTexts_data()
    {
        QTest::addColumn<TextOf>("textOf");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("kept");
        const auto file = [](const QString &folder, const char *name, const QByteArray &bytes) {
            QFile f(folder + u'/' + s(name));
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
            return folder + u'/' + s(name);
        };
        const auto contactError = [file](const char *name, QByteArray bytes) {
            return TextOf([=](const QString &d) {
                return std::get<QString>(readContactFile(file(d, name, bytes)));
            });
        };
        QTest::newRow("settings") << TextOf([](const QString &d) {
            QDir::setCurrent(d);
            QDir(d).mkdir(s("SysConf.ini"));
            return sysconf::writeUploadOnlyNew(true).value_or(QString());
        }) << s("Unable to write to %1/SysConf.ini")
                                  << s("/SysConf.ini");
        QTest::newRow("duration bound")
            << TextOf([](const QString &) { return search::invalidIntegerText(s("12a")); })
            << s("'12a' is not a valid integer value") << s("12a");
        QTest::newRow("contact book unreadable")
            << TextOf([](const QString &d) { return std::get<QString>(ContactBook::load(d)); })
            << s("the contact book %1 cannot be read: ") << s("%1");
        QTest::newRow("contact book's folder") << TextOf([file](const QString &d) {
            return ContactBook().save(file(d, "f", "x") + s("/book.vcf")).value_or(QString());
        }) << s("the folder %1/f cannot be made")
                                               << s("%1/f");
        QTest::newRow("CSV quote") << contactError("q.csv", "name,number\n\"zhang,1")
                                   << s("%1/q.csv: a quoted field is not closed") << s("q.csv");
        QTest::newRow("CSV number") << contactError("n.csv", "name,number\nzhang\n")
                                    << s("%1/n.csv: line 2 has no number column") << s("2");
        QTest::newRow("contact file kind") << contactError("c.txt", "zhang 1")
                                           << s("%1/c.txt: neither a vCard file nor a CSV "
                                                "file (.csv)")
                                           << s("c.txt");
        QTest::newRow("no contact")
            << contactError("e.csv", "name,number\n")
            << s("%1/e.csv: no contact with a name and a number") << s("e.csv");
        QTest::newRow("not a file") << TextOf([](const QString &) { return notRegularFileText(); })
                                    << s("not a regular file") << QString();
        QTest::newRow("file time") << TextOf([](const QString &d) {
            return setModificationTime(d, QDateTime()).value_or(QString());
        }) << s("no valid time") << QString();
        QTest::newRow("file not open") << TextOf([](const QString &d) {
            AtomicFile f(d + s("/w"));
            f.write("x");
            return f.errorString();
        }) << s("the file is not open") << QString();
    }

    void failureTexts()
    {
        QFETCH(TextOf, textOf);
        QFETCH(QString, english);
        QFETCH(QString, kept);
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).canonicalPath();
        const QString here = QDir::currentPath();
        const QString chinese = textOf(folder);
        QString error;
        QVERIFY2(applyLanguage(*QCoreApplication::instance(), Language::English, &error),
                 qPrintable(error));
        QTemporaryDir dirEn;
        const QString folderEn = QDir(dirEn.path()).canonicalPath();
        const QString inEnglish = textOf(folderEn);
        for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QDir::setCurrent(here);
        QVERIFY2(chinese.contains(QRegularExpression(s("[\\x{3000}-\\x{9FFF}]"))),
                 qPrintable(chinese));
        QVERIFY2(chinese.contains(kept.arg(folder)), qPrintable(chinese));
        QVERIFY2(inEnglish.startsWith(english.arg(folderEn)), qPrintable(inEnglish));
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
