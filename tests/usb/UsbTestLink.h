#pragma once

#include "UmockdevPhone.h"

#include "device/LibUsbLibrary.h"
#include "device/LinkFlags.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"
#include "device/TelephoneList.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace tovrel::test {

// A telephone link through the libusb backend to the fixture's telephone, opened, with a short
// time-out so that the fault tests stay quick.
inline std::shared_ptr<TelephoneLink> openUsbLink(int timeoutMs = 300)
{
    auto link = std::make_shared<TelephoneLink>(
        std::make_unique<LibUsbLibrary>(UmockdevPhone::kVendorId, UmockdevPhone::kProductId),
        timeoutMs);
    if (!link->openStep())
        return nullptr;
    return link;
}

inline emulator::EmulatorOptions generated(int count, qint64 payloadBytes, bool longForm)
{
    emulator::EmulatorOptions options;
    options.generate = count;
    options.payloadBytes = payloadBytes;
    options.form = longForm ? emulator::RecordForm::Long : emulator::RecordForm::Short;
    return options;
}

// What an upload run told: its messages, whether it ended, and whether it ended complete.
struct UploadOutcome
{
    QStringList messages;
    bool ended = false;
    bool complete = false;
};

// Runs the upload worker on this thread over `link` into `folder` for the telephone's `rows`, as
// a logged-in window starts it, without the pause between records.
inline UploadOutcome runUpload(const std::shared_ptr<TelephoneLink> &link, const QString &folder,
                               const QList<int> &rows)
{
    UploadOutcome outcome;
    TStorageSingleThread worker(link, folder, rows);
    worker.setRecordPauseMs(0);
    QObject::connect(&worker, &TStorageSingleThread::message,
                     [&outcome](const QString &text) { outcome.messages.append(text); });
    QObject::connect(&worker, &TStorageSingleThread::ended, [&outcome](bool, bool done) {
        outcome.ended = true;
        outcome.complete = done;
    });
    UsbLoggedIn = 1;
    worker.Execute();
    UsbLoggedIn = 0;
    return outcome;
}

// What a reading of the telephone's list told: its result, the rows' device indices and the
// failures, in order.
struct ListOutcome
{
    bool complete = false;
    QList<int> rows;
    QStringList failures;
};

inline ListOutcome readTelephoneList(TelephoneLink &link)
{
    ListOutcome outcome;
    TelephoneListReader reader(link);
    QObject::connect(&reader, &TelephoneListReader::rowRead,
                     [&outcome](const ReportRow &row) { outcome.rows.append(row.key.toInt()); });
    QObject::connect(&reader, &TelephoneListReader::failure,
                     [&outcome](const QString &text) { outcome.failures.append(text); });
    outcome.complete = reader.run();
    return outcome;
}

} // namespace tovrel::test
