#pragma once

#include <QStringList>

namespace tovrel {

// The column captions of the recording lists (the telephone's list and the PC list), blanks
// included: they go into an exported sheet's header row unchanged.
// The column of the number (电话号码) in those lists.
constexpr qsizetype kListNumberColumn = 2;

inline QStringList recordingListCaptions()
{
    return {QString::fromUtf8("序号"),       QString::fromUtf8("文件名"),
            QString::fromUtf8("电话号码  "), QString::fromUtf8("时间"),
            QString::fromUtf8("属性"),       QString::fromUtf8("文件长度"),
            QString::fromUtf8("时长   ")};
}

} // namespace tovrel
