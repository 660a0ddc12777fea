// Listing a folder of many recordings (scan + model filled) against a bare
// readdir/open/read-32-bytes/close loop over the same folder, in one run.
//
// Usage: bench_listing [FILES]   (default 20000)

#include "recordings/FolderScan.h"
#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

using namespace tovrel;

namespace {

double bareLoop(const QByteArray &folder, int *found)
{
    QElapsedTimer t;
    t.start();
    int n = 0;
    DIR *d = opendir(folder.constData());
    while (dirent *e = readdir(d)) {
        if (fnmatch("*.spx", e->d_name, FNM_CASEFOLD) != 0)
            continue;
        const QByteArray path = folder + '/' + e->d_name;
        const int fd = open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        char header[32];
        if (read(fd, header, sizeof header) > 0)
            ++n;
        close(fd);
    }
    closedir(d);
    *found = n;
    return double(t.nsecsElapsed()) / 1e9;
}

double scanAndFill(const QString &folder, int *rows)
{
    ReportModel model;
    model.setColumns({{}, {}, {}, {}, {}, {}, {}});
    QElapsedTimer t;
    t.start();
    const FolderScanResult scan = scanRecordingFolder(folder);
    QList<ReportRow> list;
    list.reserve(scan.recordings.size());
    for (const ScannedRecording &r : scan.recordings)
        list.append({recordingRowCells(int(list.size()) + 1, r.fileName, r.header), r.path});
    model.appendRows(std::move(list));
    *rows = model.rowCount();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = app.arguments().size() > 1 ? app.arguments()[1].toInt() : 20000;
    QTextStream out(stdout);
    QTemporaryDir dir;
    RecordingHeader h;
    h.month = 3;
    h.day = 15;
    h.number = QStringLiteral("1234567");
    for (int i = 0; i < count; ++i) {
        h.minute = i % 60;
        h.longForm = i % 3 == 0;
        h.payloadLength = quint32(1000 + i);
        QFile f(dir.filePath(recordingFileName(h, i + 1)));
        if (!f.open(QIODevice::WriteOnly) || f.write(encodeHeader(h) + QByteArray(64, '\0')) < 0)
            return 1;
    }
    const QByteArray folder = QFile::encodeName(dir.path());
    double bare = 1e9;
    double listing = 1e9;
    int found = 0;
    int rows = 0;
    for (int round = 0; round < 5; ++round) {
        bare = std::min(bare, bareLoop(folder, &found));
        listing = std::min(listing, scanAndFill(dir.path(), &rows));
    }
    out << "files: " << count << " (found " << found << ", listed " << rows << "), best of 5\n";
    out << "bare readdir/open/read 32/close: " << qRound(found / bare) << " files/s\n";
    out << "scan + model filled: " << qRound(rows / listing) << " files/s\n";
    out << "ratio listing / bare: " << QString::number(bare / listing, 'f', 2) << '\n';
    return 0;
}
