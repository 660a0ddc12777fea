#pragma once

#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

namespace tovrel {

// The column captions of the recording lists (the telephone's list and the PC list), blanks
// included: they go into an exported sheet's header row unchanged.
// The column of the number (电话号码) in those lists.
constexpr qsizetype kListNumberColumn = 2;

inline QStringList recordingListCaptions()
{
    return {QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "序号")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "文件名")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "电话号码  ")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "时间")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "属性")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "文件长度")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "时长   "))};
}

} // namespace tovrel

namespace tovrel {

// The columns of those lists at their designed widths: the time, kind, size and duration cells
// shown in the user's language; the file name and the number take the width a wider list has to
// spare.
inline QList<ReportColumn> recordingListColumns()
{
    const QStringList captions = recordingListCaptions();
    const int widths[] = {40, 200, 90, 110, 45, 65, 74};
    const Qt::Alignment alignments[] = {Qt::AlignLeft,    Qt::AlignLeft,    Qt::AlignRight,
                                        Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignRight,
                                        Qt::AlignRight};
    const RecordingCell cells[] = {RecordingCell::None,    RecordingCell::None, RecordingCell::None,
                                   RecordingCell::Time,    RecordingCell::Kind, RecordingCell::Size,
                                   RecordingCell::Duration};
    QList<ReportColumn> columns;
    for (int i = 0; i < captions.size(); ++i)
        columns.append({captions.at(i), widths[i], alignments[i], 0, 0, cells[i], true,
                        i == 1 || i == kListNumberColumn});
    return columns;
}

} // namespace tovrel
