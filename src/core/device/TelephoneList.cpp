#include "TelephoneList.h"

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
    row.cells = {QString::number(index + 1),
                 recordingFileName(header, index + 1),
                 header.number,
                 dateTimeText(header),
                 attributeText(header.attribute),
                 sizeText(header.payloadLength),
                 durationText(durationSeconds(header.payloadLength))};
    row.key = index;
    return row;
}

TelephoneListReader::TelephoneListReader(TelephoneLink &link, QObject *parent)
    : QObject(parent), m_link(link)
{}

bool TelephoneListReader::run()
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
        const auto record = m_link.readRecord(n);
        if (!record.ok()) {
            emit failure(linkErrorText(record.error));
            continue;
        }
        emit rowRead(telephoneListRow(n, record.value, longForm));
    }
    return true;
}

} // namespace tovrel
