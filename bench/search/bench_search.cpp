// A search over a tree of many recordings, against a bare readdir/open/read-32-bytes/close walk
// of the same tree in the same run: once as the command line runs it (rows formatted and
// written), once as the search window runs it (rows into its list, the window painting).
//
// Usage: bench_search [FILES [ROUNDS]]   (default 100000 files, 3 rounds)
// The tree has 6 levels (the search folder and 5 below it), 3 sub-folders per folder; the
// recordings are spread over all 364 folders, a third of them in the long form.

#include "MessageSink.h"
#include "TFindForm.h"

#include "recordings/RecordingHeader.h"
#include "report/ReportModel.h"
#include "search/SearchScan.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace tovrel;

namespace {

class SilentSink final : public MessageSink
{
public:
    MessageAnswer show(const Message &) override { return MessageAnswer::Ok; }
};

void collectFolders(const QString &folder, int depth, QStringList *folders)
{
    folders->append(folder);
    if (depth == 5)
        return;
    for (int i = 0; i < 3; ++i) {
        const QString sub = folder + QStringLiteral("level%1_%2/").arg(depth + 1).arg(i);
        QDir().mkpath(sub);
        collectFolders(sub, depth + 1, folders);
    }
}

// The bare walk: every entry of every folder down to the same depth, each ".spx" file opened by
// its path, 32 bytes read, closed.
void bareWalk(const QByteArray &folder, int depth, int *files)
{
    DIR *d = opendir(folder.constData());
    if (!d)
        return;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const QByteArray path = folder + e->d_name;
        if (e->d_type == DT_DIR) {
            if (depth < 5)
                bareWalk(path + '/', depth + 1, files);
            continue;
        }
        const size_t n = std::strlen(e->d_name);
        if (n < 4 || std::strcmp(e->d_name + n - 4, ".spx") != 0)
            continue;
        const int fd = open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue;
        char header[32];
        if (read(fd, header, sizeof header) > 0)
            ++*files;
        close(fd);
    }
    closedir(d);
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 100000;
    const int rounds = args.size() > 2 ? args[2].toInt() : 3;
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString root = dir.path() + QLatin1Char('/');
    QStringList folders;
    collectFolders(root, 0, &folders);
    RecordingHeader h;
    h.number = QStringLiteral("13800138000");
    for (int i = 0; i < count; ++i) {
        h.attribute = i % 3;
        h.month = 1 + i % 12;
        h.day = 1 + i % 28;
        h.minute = i % 60;
        h.longForm = i % 3 == 0;
        h.year = h.longForm ? 2025 : 0;
        h.payloadLength = quint32(1000 + (i % 100) * 1000);
        QFile f(folders.at(i % folders.size()) + recordingFileName(h, i + 1));
        if (!f.open(QIODevice::WriteOnly) || f.write(encodeHeader(h) + QByteArray(64, '\0')) < 0) {
            out << "cannot write the tree: " << f.errorString() << '\n';
            return 1;
        }
    }

    search::SearchCriteria criteria;
    criteria.folder = root;
    QFile sink(QStringLiteral("/dev/null"));
    if (!sink.open(QIODevice::WriteOnly))
        return 1;
    SilentSink messages;
    AppContext context;
    context.messages = &messages;
    TFindForm window(context);
    window.TimerPlayer->stop();
    window.setSearchFolder(root);
    window.show();

    double bare = 1e9, cli = 1e9, gui = 1e9;
    int bareFiles = 0, cliRows = 0, guiRows = 0;
    for (int round = 0; round < rounds; ++round) {
        bare = std::min(bare, timed([&] {
                            bareFiles = 0;
                            bareWalk(QFile::encodeName(root), 0, &bareFiles);
                        }));
        cli = std::min(cli, timed([&] {
                           QTextStream rows(&sink);
                           search::SearchHooks hooks;
                           hooks.found = [&rows](const search::SearchHit &hit) {
                               rows << search::resultCells(hit.fileName, hit.folder, hit.header)
                                           .join(QLatin1Char('\t'))
                                    << '\n';
                           };
                           cliRows = search::runSearchScan(criteria, hooks).counts.total;
                           rows.flush();
                       }));
        gui = std::min(gui, timed([&] {
                           window.BtnFindClick();
                           while (window.isSearching())
                               QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                           guiRows = window.FindListViewModel->rowCount();
                       }));
    }
    out << "recordings: " << count << " in " << folders.size() << " folders (bare walk found "
        << bareFiles << ", search " << cliRows << ", window " << guiRows << "), best of " << rounds
        << "\n";
    out << "bare readdir/open/read 32/close walk: " << qRound(bareFiles / bare) << " files/s\n";
    out << "search, rows written (CLI):            " << qRound(cliRows / cli) << " files/s, ratio "
        << QString::number(bare / cli, 'f', 2) << '\n';
    out << "search window, rows listed:            " << qRound(guiRows / gui) << " files/s, ratio "
        << QString::number(bare / gui, 'f', 2) << '\n';
    return 0;
}
