#pragma once

#include "TelephoneLink.h"

#include "report/ReportModel.h"

#include <QObject>

#include <atomic>

// Reading the telephone's list of recordings: count, probe, one record command per recording.
// Runs synchronously in the caller's thread (the window runs it on a worker) and reports as it
// goes, so a window can show each failure's box before the list goes on. A record that fails on
// a live link costs that row and one message; a link that is gone ends the list at once, with
// the one message of the exchange that found it gone.
namespace tovrel {

// The index the telephone never serves: no request and no row for it.
constexpr int kSkippedRecordIndex = 65534;

// Widths of the file-name and number columns of the telephone's list for a record form.
struct TelephoneListWidths
{
    int fileName;
    int number;
};
TelephoneListWidths telephoneListWidths(bool longForm);

// The row of recording `index` from its directory record: position (index + 1), file name,
// number, date and time, attribute, size, duration. The row's key is the index.
ReportRow telephoneListRow(int index, const QByteArray &record, bool longForm);

class TelephoneListReader : public QObject
{
    Q_OBJECT

public:
    explicit TelephoneListReader(TelephoneLink &link, QObject *parent = nullptr);

    // Runs the list exchange; false when it was cut short (count or probe failed, the link was
    // lost, or a stop was requested).
    bool run();
    int recordCount() const { return m_recordCount; }
    // Takes effect before the next record command. Any thread.
    void requestStop() { m_stop = true; }

signals:
    // The rows shown so far are to be removed (just before the count is read).
    void rowsCleared();
    // The number of recordings the telephone holds (right after rowsCleared).
    void countRead(int count);
    // The probe established the form; the column widths follow it.
    void formChosen(bool longForm);
    void rowRead(const tovrel::ReportRow &row);
    // A failure to show ("USB写命令错误" or "USB读数据错误").
    void failure(const QString &text);
    // The list has ended; `complete` as run() returns it.
    void finished(bool complete);

private:
    bool readList();

    TelephoneLink &m_link;
    int m_recordCount = 0;
    std::atomic<bool> m_stop{false};
};

} // namespace tovrel
