// Faults on the real USB path: an answer that never comes, one that comes after the read gave
// up, and one longer than asked for.

#include "TestFolders.h"
#include "UsbTestLink.h"

#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <libusb.h>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbFaults : public QObject
{
    Q_OBJECT

private slots:
    void timeOut_data();
    void timeOut();
    void abortEndsTheWait();
    void lateAnswerIsFlushed();
    void longRecordAnswer();
    void longDataAnswer();
    void packetLargerThanTheRead();
};

// A silent telephone, or one that stalls an endpoint (0x81 or 0x01): that exchange alone fails.
void TestUsbFaults::timeOut_data()
{
    QTest::addColumn<int>("stall");
    QTest::addColumn<LinkError>("error");
    QTest::newRow("no answer") << 0 << LinkError::Read;
    QTest::newRow("answer stalls") << 0x81 << LinkError::Read;
    QTest::newRow("command stalls") << 0x01 << LinkError::Write;
}

void TestUsbFaults::timeOut()
{
    QFETCH(int, stall);
    UmockdevPhone phone(generated(3, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(300);
    QVERIFY(link);
    stall ? phone.stallAt(0, stall) : phone.silence(0);

    const int before = phone.ioctlCount();
    const auto count = link->readCount();
    QTEST(count.error, "error");
    // libusb slept through the wait instead of polling the device node.
    QVERIFY2(phone.ioctlCount() - before < 40, qPrintable(QString::number(phone.ioctlCount())));
    // The link is still good for the next exchange.
    const auto again = link->readCount();
    QVERIFY(again.ok());
    QCOMPARE(again.value, 3);
}

// Giving the link up (the window closing) from another thread ends a read that waits for an
// answer that never comes at once, not at the end of its time-out; later exchanges fail at once
// too, and the handle still closes.
void TestUsbFaults::abortEndsTheWait()
{
    UmockdevPhone phone(generated(3, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    constexpr int kTimeoutMs = 20000;
    auto link = openUsbLink(kTimeoutMs);
    QVERIFY(link);
    phone.silence(0);

    QElapsedTimer waited;
    waited.start();
    LinkError error = LinkError::None;
    std::unique_ptr<QThread> reader(
        QThread::create([&link, &error] { error = link->readCount().error; }));
    reader->start();
    QTest::qWait(300); // the read is waiting now
    link->abortTransfers();
    QVERIFY(reader->wait(kTimeoutMs / 4));
    QVERIFY2(waited.elapsed() < kTimeoutMs / 4, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(error, LinkError::Read);
    QVERIFY(!link->linkLost());

    waited.restart();
    QCOMPARE(link->readCount().error, LinkError::Write);
    QVERIFY(waited.elapsed() < kTimeoutMs / 4);
    link->closeAtExit();
    QVERIFY(!link->usb().isOpen());
}

void TestUsbFaults::lateAnswerIsFlushed()
{
    UmockdevPhone phone(generated(3, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(300);
    QVERIFY(link);
    // The count's two bytes arrive after its read has timed out; the login's flush must drop
    // them, or its 4-byte read would take them for the password.
    phone.answerLate(0);
    QCOMPARE(link->readCount().error, LinkError::Read);
    const LoginResult login = checkPassword(*link, QStringLiteral("9137"));
    QCOMPARE(login.outcome, LoginOutcome::Accepted);
}

void TestUsbFaults::longRecordAnswer()
{
    UmockdevPhone phone(generated(4, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(300);
    QVERIFY(link);
    // Commands: count (0), probe (1), records 0..3 (2..5): record 1 comes with 10 bytes more.
    phone.answerLong(3, 10);

    TelephoneListReader reader(*link);
    QList<ReportRow> rows;
    QStringList failures;
    connect(&reader, &TelephoneListReader::rowRead, this,
            [&](const ReportRow &row) { rows.append(row); });
    connect(&reader, &TelephoneListReader::failure, this,
            [&](const QString &text) { failures.append(text); });
    QVERIFY(reader.run());
    // An answer longer than a record is a failed read, never a record: that row is missing and
    // every other row shows its own recording.
    QCOMPARE(failures, QStringList{QString::fromUtf8("USB读数据错误")});
    QCOMPARE(rows.size(), 3);
    const QList<int> indices{0, 2, 3};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i].cells,
                 telephoneListRow(indices[i], phone.memory().record(indices[i]), false).cells);
}

void TestUsbFaults::longDataAnswer()
{
    UmockdevPhone phone(generated(1, 1000, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(300);
    QVERIFY(link);
    // Commands: probe (0), record (1), data 0..3 (2..5): the first data answer is 40 bytes long.
    phone.answerLong(2, 40);
    TempFolder target;
    const UploadOutcome run = runUpload(link, target.path(), {0});

    // 40 bytes too many is a failed read, never data: the file ends there, cut short, holding
    // the recording's first bytes and nothing else.
    const QStringList names = QDir(target.path()).entryList(QDir::Files);
    const auto &recording = phone.memory().recordings().first();
    const QByteArray whole = recording.record + recording.payload;
    QVERIFY(!run.complete);
    QVERIFY2(run.messages.contains(QString::fromUtf8("USB读数据错误")),
             qPrintable(run.messages.join(u'|')));
    QCOMPARE(names.size(), 1);
    const QByteArray kept = target.read(names.first());
    QVERIFY(kept.size() < whole.size());
    QVERIFY(whole.startsWith(kept));
}

void TestUsbFaults::packetLargerThanTheRead()
{
    // As the kernel does: a packet that does not fit what is left of a read ends it with an
    // overflow. The backend itself always reads whole packets, so libusb is driven directly.
    UmockdevPhone phone(generated(1, 1000, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    libusb_context *context = nullptr;
    QCOMPARE(libusb_init(&context), 0);
    libusb_device_handle *handle = libusb_open_device_with_vid_pid(
        context, UmockdevPhone::kVendorId, UmockdevPhone::kProductId);
    QVERIFY(handle);
    QCOMPARE(libusb_claim_interface(handle, 0), 0);
    const auto &recording = phone.memory().recordings().first();
    unsigned char command[8] = {3, 0, 0, 0, 0, 0, 1, 0}; // data: 256 bytes
    qToLittleEndian<quint32>(recording.address, command + 1);
    int done = 0;
    QCOMPARE(libusb_bulk_transfer(handle, 0x01, command, 8, &done, 500), 0);
    unsigned char answer[100] = {};
    const int rc = libusb_bulk_transfer(handle, 0x81, answer, 100, &done, 500);
    QCOMPARE(rc, int(LIBUSB_ERROR_OVERFLOW));
    libusb_release_interface(handle, 0);
    libusb_close(handle);
    libusb_exit(context);
}

QTEST_GUILESS_MAIN(TestUsbFaults)
#include "tst_usbfaults.moc"
