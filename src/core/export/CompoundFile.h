#pragma once

#include <QByteArray>

namespace tovrel {

// Wraps one stream into an OLE2 compound file (version 3, 512-byte sectors), the container of
// an Excel 97-2003 workbook: a root storage holding the stream `Workbook`. Streams shorter
// than the 4096-byte mini-stream cutoff are padded with zero bytes up to it, so the stream
// always lives in regular sectors and the file needs no mini stream. Large streams get as many
// FAT sectors as they need, listed through extra DIFAT sectors beyond the header's 109.
QByteArray compoundFileWithWorkbook(QByteArray workbookStream);

} // namespace tovrel
