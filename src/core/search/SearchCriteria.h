#pragma once

#include "contacts/ContactBook.h"
#include "recordings/RecordingHeader.h"
#include "report/RecordingCells.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <variant>

// What a search looks for and the tests a recording's header is put to. Everything here works
// on the header's raw 32 bytes (zero-filled past the end of a short file): the search reads the
// number and the length differently from the PC list (a nibble of 15 is skipped rather than an
// end, a length of 0xFFFFFFFF is kept as stored for the duration test).
namespace tovrel::search {

// Bits of the kind mask, one per kind box.
enum DirectionBit : quint8
{
    DirectionIncoming = 1, // "来电"
    DirectionOutgoing = 2, // "去电"
    DirectionLocal = 4,    // "录音"
};

// A date and time as a number of minutes that orders date-times to the minute:
// ((((year * 13 + month) * 32 + day) * 25 + hour) * 60 + minute). Computed in 64 bits so that
// no year a picker can hold overflows it.
qint64 minuteKey(int year, int month, int day, int hour, int minute);

// The criteria of one search, as the window's controls gave them.
struct SearchCriteria
{
    QString folder; // ends with '/' (added when missing)
    bool timeFilterOn = false;
    qint64 startKey = 0;
    qint64 endKey = 0;
    quint8 directionMask = DirectionIncoming | DirectionOutgoing | DirectionLocal;
    QString number; // empty: no number test
    quint32 minSeconds = 0;
    quint32 maxSeconds = 0; // 0: no upper bound
    QString name;           // empty: no name test; otherwise the contact's name holds it
    std::shared_ptr<const ContactBook> contacts; // names the numbers for the name test
    QString note; // empty: no note test; otherwise the recording's note holds it
};

// The controls a search starts from: the folder, the four pickers (each a full date and time;
// a date picker edits only the date part, a time picker only the time part), the kind boxes, the
// number and the duration bounds.
struct SearchForm
{
    QString folder;
    bool timeTicked = false;
    QDateTime startDate;
    QDateTime startTime;
    QDateTime endDate;
    QDateTime endTime;
    bool incoming = true;
    bool outgoing = true;
    bool local = true;
    QString number;
    quint32 minSeconds = 0;
    quint32 maxSeconds = 0;
    QString name;                                // the contact's name holds it (empty: any)
    std::shared_ptr<const ContactBook> contacts; // the user's book, for the name test
    QString note; // the recording's note holds it, letter case ignored (empty: any)
};

// Refusals of a search, in the order they are checked.
QString noFolderText();      // "没设置目录"
QString folderMissingText(); // "文件夹不存在!" (folderMissingMessage)
QString badDateRangeText();  // "起止日期设置错误"
QString badTimeRangeText();  // "起止时间设置错误"
QString fileOpenErrorText(); // "文件打开错误！"
QString nothingFoundText();  // "此目录没有符合要求的文件！"
QString digitsOnlyText();    // "只能输入数字！"

// True when `number` holds only the digits 0-9 (or nothing): the number field takes no other
// character.
bool isNumberText(const QString &number);

// The kind mask of the three boxes.
quint8 directionMaskOf(bool incoming, bool outgoing, bool local);

// The criteria of `form`, or the message of the first check that refuses it: no folder, a
// folder that does not exist, a start date later than the end date, equal dates with a start
// time not earlier than the end time. The folder gets a trailing '/' when it has none.
std::variant<SearchCriteria, QString> prepareSearch(const SearchForm &form);

// A duration bound as the duration edits accept it: a decimal integer from 0 to 2147483647
// (leading '+' and blanks as the integer reading allows). Nothing for any other text.
std::optional<quint32> parseSecondsBound(const QString &text);
// "'%s' is not a valid integer value" for a bound that is not accepted.
QString invalidIntegerText(const QString &text);

// ---- The header as the search reads it ----

struct SearchHeader
{
    bool longForm = false;
    int attribute = 0; // 0..3
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int year = 2000;    // long form: 2000 + year byte (2000 above 200); short form: 2000
    quint32 length = 0; // L as stored (short form: 0xFFFFFFFF kept)
    // The number nibbles in order, 15 skipped: values 0..14.
    std::array<quint8, 20> nibbles{};
    int nibbleCount = 0;
};

// The fields the search uses, from the one header decoder (decodeHeaderFields) on the first 32
// bytes of a file (zero-filled past its end).
SearchHeader readSearchHeader(const HeaderBytes &bytes);

// The four tests.
bool matchTimeRange(const SearchHeader &h, const SearchCriteria &c);
bool matchDirection(const SearchHeader &h, const SearchCriteria &c);
bool matchPhoneNumber(const SearchHeader &h, const SearchCriteria &c);
bool matchDuration(const SearchHeader &h, const SearchCriteria &c);
// The name of the number's contact holds the criteria's name, letter case ignored (a number
// without a contact holds no name).
bool matchContactName(const SearchHeader &h, const SearchCriteria &c);
// The tests in order, each only when it applies; false at the first that fails.
bool matches(const SearchHeader &h, const SearchCriteria &c);

// The test string of the number: digits, "*" for 10, "#" for 11, "?" for 12..14.
QString numberTestText(const SearchHeader &h);

// ---- Row texts ----

// Column captions of the result list: 文件名, 电话号码, 时间, 时长, 属性, 文件路径.
QStringList resultCaptions();
// The column of the number (电话号码) in a result row.
constexpr qsizetype kResultNumberColumn = 1;
// The cells of a result row derived from the recording (report/RecordingCells.h).
constexpr RecordingCell kResultCells[] = {RecordingCell::None, RecordingCell::None,
                                          RecordingCell::Time, RecordingCell::SearchDuration,
                                          RecordingCell::Kind, RecordingCell::None};
// The number column: as the test string, with "X" for 10.
QString numberText(const SearchHeader &h);
// The values of the derived cells (report/RecordingCells.h): the time with the year in the long
// form (" %d年%d%d月%d%d日 %d%d:%d%d ", short form " %d%d月%d%d日 %d%d:%d%d "), the duration of
// L / 1000 seconds ("%d秒", "%d分钟%d秒", "%d小时%d分钟%d秒"; 0xFFFFFFFF counts as 0).
RecordingCellValues cellValues(const SearchHeader &h);
// The six cells of a result row, as the command line and the workbooks take them; the name and
// the folder as shown (shownPath).
QStringList resultCells(const QString &fileName, const QString &folder, const SearchHeader &h);

// Rows found by a search, in all and by kind.
struct SearchCounts
{
    int total = 0;
    int incoming = 0;
    int outgoing = 0;
    int local = 0;
};

// "总计录音文件:%d个 来电:%d个 去电:%d个 本地:%d个".
QString statusText(const SearchCounts &counts);

} // namespace tovrel::search
