#pragma once

#include "Help.h"

#include "codec/AudioFormat.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrel {
class ReportModel;
}

// `--export PATH [--replace]`, shared by every command that prints a list: instead of printing
// it, the command writes the same workbook the window's export writes for that list.
namespace tovrel::cli {

struct ExportRequest
{
    QString path;
    bool replace = false;
    bool withRecordings = false; // --with-audio: the rows' recordings go beside the workbook
    bool wav = false;            // --wav or --format: converted
    AudioChoice format;          // --format, --bitrate: what they are converted into
    bool requested() const { return !path.isEmpty(); }
};

// Takes "--export PATH" (or "--export=PATH") and "--replace" out of `args`, so the command
// parses the rest as before. Returns the usage error, or nothing: a PATH that does not end in
// .xls or .xlsx (any case) is refused.
std::optional<QString> takeExportOptions(QStringList &args, ExportRequest &request);

// Takes "--with-audio", "--wav", "--format F" and "--bitrate KBPS" out of `args`, for a command
// whose rows are recordings. Returns the usage error, or nothing: --with-audio goes with
// --export, the others with --with-audio; --format converts as --wav does, into F.
std::optional<QString> takeRecordingOptions(QStringList &args, ExportRequest &request);

// The two entries of a command's --help that describe the options.
inline constexpr HelpEntry kExportEntry{
    "--export PATH", CLI_NOOP("write the list to this workbook instead (.xls or .xlsx)")};
inline constexpr HelpEntry kReplaceEntry{"--replace",
                                         CLI_NOOP("with --export: replace an existing workbook")};
inline constexpr HelpEntry kWithAudioEntry{
    "--with-audio",
    CLI_NOOP("with --export: the recordings too, in a folder named after the workbook")};
inline constexpr HelpEntry kWavEntry{
    "--wav", CLI_NOOP("with --with-audio: convert the recordings into WAV files")};
inline constexpr HelpEntry kAudioFormatEntry{
    "--format F",
    CLI_NOOP("with --with-audio: convert the recordings into wav, flac, opus or mp3 files")};

// Writes `list` to the requested workbook (.xlsx by that extension, else Excel 97-2003) in the
// lists' font, with the recordings of the rows (their keys are the paths) when asked for. Prints
// nothing on stdout; on stderr "导出 Excel 结束！" and returns 0, or the reason and returns 1: an
// existing file is kept unless --replace was given
// ("文件已经存在,是否删除?" then "放弃操作"), a missing folder or failed write leaves nothing.
int writeListExport(const ReportModel &list, const ExportRequest &request);

} // namespace tovrel::cli
