#include "TestFolders.h"
#include "TestText.h"

#include "contacts/ContactBook.h"
#include "contacts/ContactFiles.h"
#include "settings/SysConf.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using tovrel::Contact;
using tovrel::ContactBook;
using tovrel::test::u;

namespace {

// A contact list as "name|number|number" lines, for comparing.
QStringList flattened(const QList<Contact> &contacts)
{
    QStringList lines;
    for (const Contact &c : contacts)
        lines.append((QStringList{c.name} + c.numbers).join(u'|'));
    return lines;
}

} // namespace

class TestContacts : public QObject
{
    Q_OBJECT

private slots:
    // Cards as phones and address books write them.
    void vCard_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("contacts");
        QTest::newRow("2.1 quoted-printable name with a soft line break, N only")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                          "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0;=E4=B8=\r\n"
                          "=89;;;\r\n"
                          "TEL;CELL;PREF:+86 138-0013-8000\r\nEND:VCARD\r\n")
            << QStringList{u("张三|+86 138-0013-8000")};
        QTest::newRow("2.1 bare QUOTED-PRINTABLE parameter, FN over N, several TEL")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Ann;;;\r\n"
                          "FN;QUOTED-PRINTABLE;CHARSET=UTF-8:=E6=9D=8E=E5=9B=9B=20(=\r\n"
                          "work)\r\n"
                          "TEL;WORK:(021) 6666-7777\r\nTEL;HOME:021.5555.1234\r\nEND:VCARD\r\n")
            << QStringList{u("李四 (work)|(021) 6666-7777|021.5555.1234")};
        QTest::newRow("3.0 folded inside a character, escapes, grouped TEL, LF only")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:3.0\nFN:Wang\\, Wu \xE7\x8E\n"
                   " \x8B\xE4\xBA\x94\nN:Wang;Wu;;;\n"
                   "item1.TEL;TYPE=CELL:139 0000\n\t1111\nTEL;TYPE=HOME,VOICE:1-2\nEND:VCARD\n")
            << QStringList{u("Wang, Wu 王五|139 00001111|1-2")};
        QTest::newRow("4.0 tel: URIs, a name from N in Latin script")
            << QByteArray("\xEF\xBB\xBF"
                          "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lee;Ann;;;\r\n"
                          "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+1-555-555-0123;ext=5\r\n"
                          "END:VCARD\r\n")
            << QStringList{u("Ann Lee|+1-555-555-0123")};
        QTest::newRow("2.1 CHARSET=GBK and CHARSET=ISO-8859-1")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                          "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\r\n"
                          "TEL:1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
                          "FN;CHARSET=ISO-8859-1:Jos\xE9\r\nTEL:2\r\nEND:VCARD\r\n")
            << QStringList{u("张三|1"), u("José|2")};
        QTest::newRow("two cards, text outside cards ignored")
            << QByteArray("FN:nobody\r\nBEGIN:VCARD\r\nFN:A\r\nTEL:1\r\nEND:VCARD\r\n"
                          "begin:vcard\r\nfn:B\r\ntel:2\r\nend:vcard\r\n")
            << QStringList{u("A|1"), u("B|2")};
    }

    void vCard()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, contacts);
        QCOMPARE(flattened(tovrel::parseVCard(text)), contacts);
    }

    void csv_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("contacts");
        QTest::addColumn<bool>("refused");
        QTest::newRow("header, quoted fields, CRLF, blank line, byte order mark")
            << QByteArray("\xEF\xBB\xBF"
                          "Name,Phone\r\n\"Wang, Wu\",\"139 \"\"0000\"\" 1111\"\r\n"
                          "\r\n\xE5\xBC\xA0\xE4\xB8\x89,138-0013-8000,extra\r\n")
            << QStringList{u("Wang, Wu|139 \"0000\" 1111"), u("张三|138-0013-8000")} << false;
        QTest::newRow("a line break inside quotes")
            << QByteArray("name,number\n\"A\nB\",5\n") << QStringList{u("A\nB|5")} << false;
        QTest::newRow("header only") << QByteArray("name,number\n") << QStringList{} << false;
        QTest::newRow("quote not closed")
            << QByteArray("name,number\n\"A,5\n") << QStringList{} << true;
        QTest::newRow("row without a number column")
            << QByteArray("name,number\nA\n") << QStringList{} << true;
    }

    void csv()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, contacts);
        QFETCH(bool, refused);
        const auto parsed = tovrel::parseContactCsv(text);
        QCOMPARE(std::holds_alternative<QString>(parsed), refused);
        if (!refused)
            QCOMPARE(flattened(std::get<QList<Contact>>(parsed)), contacts);
    }

    // The book names a recording's number: digits only, equal or a suffix of 7 digits or more,
    // the first contact of the book on a tie.
    void matching_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("equal digits, other punctuation") << u("138 0013 8000") << u("A");
        QTest::newRow("country prefix on the recording") << u("8613800138000") << u("A");
        QTest::newRow("area code on the recording, 7-digit contact")
            << u("0105551234") << u("Seven");
        QTest::newRow("6-digit contact does not match a longer number")
            << u("010654321") << QString();
        QTest::newRow("6-digit contact matches itself") << u("654321") << u("Six");
        QTest::newRow("recording shorter than 7 digits is no suffix") << u("138000") << QString();
        QTest::newRow("8 digits at the start, not the end, of a number")
            << u("1380 0138") << QString();
        QTest::newRow("tie: the first contact wins") << u("+86 139 1111 2222") << u("First");
        QTest::newRow("empty number") << QString() << QString();
        QTest::newRow("no digit") << u("XXX") << QString();
    }

    void matching()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        const ContactBook book({{u("A"), {u("+86 (138) 0013-8000")}},
                                {u("Seven"), {u("555-1234")}},
                                {u("Six"), {u("654321")}},
                                {u("Long"), {u("0086 1 2345678")}},
                                {u("First"), {u("13911112222")}},
                                {u("Second"), {u("86-139-1111-2222")}}});
        QCOMPARE(book.nameFor(number), name);
    }

    // Pairs of numbers as people write them, read in a region: one number or two.
    void samePair_data()
    {
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        const auto pair = [](const char *region, const char *a, const char *b, bool same) {
            QTest::addRow("%s: %s ~ %s", region, a, b) << u(region) << u(a) << u(b) << same;
        };
        pair("CN", "020 8765 4321", "+86 20 8765 4321", true); // trunk 0 and country code
        pair("CN", "02087654321", "+86-20-8765-4321", true);
        pair("CN", "0086 20 8765 4321", "020-8765-4321", true);
        pair("CN", "13800138000", "+86 138 0013 8000", true);
        pair("CN", "020 8765 4321", "010 8765 4321", false);       // same local number, other area
        pair("CN", "+1 650 253 0000", "+86 165 0253 0000", false); // one's digits end the other's
        pair("CN", "10086", "10086", true);                        // short codes: by their digits
        pair("CN", "10086", "+86 20 8761 0086", false);
        pair("CN", "8765 4321", "020 8765 4321", true); // no area code: a suffix of 8 digits
        pair("GB", "020 7946 0018", "+44 20 7946 0018", true);
        pair("GB", "020 8765 4321", "+86 20 8765 4321", false);
        pair("CN", "020 7946 0018", "+44 20 7946 0018", false);
    }
    void samePair()
    {
        QFETCH(QString, region);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        // a as the contact's number, b as the recording's.
        QCOMPARE(ContactBook({{u("X"), {a}}}, region).nameFor(b), same ? u("X") : QString());
    }

    // The region of the national numbers is the settings' [Contacts] Region, China when unset.
    void regionSetting()
    {
        const tovrel::test::TestSandbox sandbox;
        QCOMPARE(tovrel::sysconf::readContactsRegion(), u("CN"));
        QFile file(tovrel::sysconf::settingsPath());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("[Playback]\nRegion=US\n[Contacts]\nRegion= gb\n") > 0);
        file.close();
        QCOMPARE(tovrel::sysconf::readContactsRegion(), u("GB"));
    }

    // Importing merges: a known name gets only the numbers it lacked, nameless or numberless
    // contacts are left out, and importing the same contacts again changes nothing.
    void merge()
    {
        ContactBook book;
        const QList<Contact> first{
            {u("A"), {u("1"), u("2")}}, {u(" "), {u("3")}}, {u("B"), {u("--")}}};
        QCOMPARE(book.merge(first), 1);
        QCOMPARE(book.merge(first), 0);
        QCOMPARE(book.merge({{u("A"), {u("(2)"), u("4")}}, {u("C"), {u("5")}}}), 2);
        QCOMPARE(flattened(book.contacts()), (QStringList{u("A|1|2|4"), u("C|5")}));
        book.replace(0, {u("A2"), {u("7")}});
        book.remove(1);
        QCOMPARE(flattened(book.contacts()), QStringList{u("A2|7")});
        QCOMPARE(book.nameFor(u("7")), u("A2"));
        QCOMPARE(book.nameFor(u("5")), QString());
    }

    // The book written and read back is the same book, its lines folded within 75 bytes, in a
    // folder made for it.
    void saveAndLoad()
    {
        tovrel::test::TempFolder folder;
        QVERIFY(folder.isValid());
        const QString path = folder.file(u("cfg/tovrel/contacts.vcf"));
        QVERIFY(std::holds_alternative<ContactBook>(ContactBook::load(path)));
        QVERIFY(std::get<ContactBook>(ContactBook::load(path)).isEmpty());
        const QString longName = QString(30, QChar(u'长')) + u(", \\; x");
        const ContactBook book(
            {{longName, {u("+86 138-0013-8000"), u("1;2")}}, {u("Ann"), {u("tel 5")}}});
        QCOMPARE(book.save(path), std::nullopt);
        const QByteArray text = folder.read(u("cfg/tovrel/contacts.vcf"));
        for (const QByteArray &line : text.split('\n'))
            QVERIFY2(line.size() <= 76, line.constData()); // 75 and the '\r'
        const auto loaded = ContactBook::load(path);
        QVERIFY(std::holds_alternative<ContactBook>(loaded));
        QCOMPARE(flattened(std::get<ContactBook>(loaded).contacts()), flattened(book.contacts()));
    }

    void defaultPath()
    {
        const QByteArray kept = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/x/cfg");
        QCOMPARE(ContactBook::defaultPath(), u("/x/cfg/tovrel/contacts.vcf"));
        qputenv("XDG_CONFIG_HOME", "relative");
        QCOMPARE(ContactBook::defaultPath(), QDir::homePath() + u("/.config/tovrel/contacts.vcf"));
        qputenv("XDG_CONFIG_HOME", kept);
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("neither vCard nor .csv")
            << u("list.txt") << QByteArray("name,number\nA,1\n");
        QTest::newRow("cards without numbers")
            << u("a.vcf") << QByteArray("BEGIN:VCARD\nFN:A\nEND:VCARD\n");
        QTest::newRow("empty CSV") << u("a.csv") << QByteArray("name,number\n");
    }

    void refusedFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        tovrel::test::TempFolder folder;
        const auto read = tovrel::readContactFile(folder.write(name, text));
        QVERIFY(std::holds_alternative<QString>(read));
        QVERIFY(std::get<QString>(read).contains(name));
        QVERIFY(std::holds_alternative<QString>(tovrel::readContactFile(folder.file(u("none")))));
    }
};

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
