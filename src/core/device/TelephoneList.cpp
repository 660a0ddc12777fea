#include "TelephoneList.h"

#include "recordings/FolderScan.h"
#include "recordings/RecordingHeader.h"

namespace tovrel {

TelephoneListWidths telephoneListWidths(bool longForm)
{
    return longForm ? TelephoneListWidths{240, 135} : TelephoneListWidths{200, 90};
}

ReportRow telephoneListRow(int index, const QByteArray &record, bool longForm)
{
    const RecordingHeader header = decodeHeader(record, longForm);
    ReportRow row;
    row.cells = recordingRowCells(index + 1, recordingFileName(header, index + 1), header);
    row.key = index;
    row.values = listCellValues(header);
    return row;
}

TelephoneListReader::TelephoneListReader(TelephoneLink &link, QObject *parent)
    : QObject(parent), m_link(link)
{}

bool TelephoneListReader::run()
{
    const bool complete = readList();
    emit finished(complete);
    return complete;
}

bool TelephoneListReader::readList()
{
    m_recordCount = 0;
    const auto count = m_link.readCount();
    if (count.error == LinkError::Read)
        emit rowsCleared();
    if (!count.ok()) {
        emit failure(linkErrorText(count.error));
        return false;
    }
    emit rowsCleared();
    m_recordCount = count.value;
    emit countRead(m_recordCount);

    // Without an established form no record can be decoded: the list stops here.
    if (!m_link.probeRecordLength()) {
        emit failure(linkErrorText(LinkError::Read));
        return false;
    }
    const bool longForm = m_link.longForm();
    emit formChosen(longForm);

    for (int n = 0; n < m_recordCount; ++n) {
        if (n == kSkippedRecordIndex)
            continue;
        if (m_stop.load())
            return false;
        const auto record = m_link.readRecord(n);
        if (!record.ok()) {
            emit failure(linkErrorText(record.error));
            // Every later record would fail the same way, each with its own message.
            if (m_link.linkLost())
                return false;
            continue;
        }
        emit rowRead(telephoneListRow(n, record.value, longForm));
    }
    return true;
}

} // namespace tovrel
