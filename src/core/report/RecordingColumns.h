#pragma once

#include <QCoreApplication>
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
