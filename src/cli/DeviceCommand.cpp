// tovrel device status|list|upload|watch: the telephone from the command line, through the
// same link, login, list and upload as the windows.

#include "Commands.h"
#include "ContactsOption.h"
#include "ExportOption.h"
#include "Help.h"
#include "InterruptWatch.h"
#include "ProgressLine.h"
#include "TableOutput.h"
#include "WatchCommand.h"

#include "Utf8Text.h"
#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"
#include "device/TelephoneList.h"
#include "device/UsbLibrary.h"
#include "io/Terminal.h"
#include "keyring/PasswordKeyring.h"
#include "report/RecordingColumns.h"
#include "report/ReportModel.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tovrel::cli {
namespace {

struct DeviceOptions
{
    QString action;
    QString emulator;
    QString password;
    QString passwordFile;
    bool passwordGiven = false;
    QString folder;
    bool all = false;
    bool onlyNew = false;
    bool header = false;
    bool contacts = false; // list: the 联系人 column
    QStringList rows;
    int timeoutMs = kDefaultLinkTimeoutMs;
    std::optional<double> everyMinutes; // watch: the pause between visits
    ExportRequest exportRequest;
};

int fail(const QString &text)
{
    QTextStream(stderr) << text << '\n';
    return 1;
}

std::optional<DeviceOptions> parse(const QStringList &arguments, int *exitCode)
{
    QStringList args = arguments;
    ExportRequest exportRequest;
    if (const auto error = takeExportOptions(args, exportRequest)) {
        *exitCode = fail(QStringLiteral("tovrel device: ") + cliTr("") + *error);
        return std::nullopt;
    }
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption emulator(QStringLiteral("emulator"),
                                      QStringLiteral("Use the emulated telephone on this socket."),
                                      QStringLiteral("SOCKET"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("The telephone's four-digit password."),
                                      QStringLiteral("DDDD"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("The file whose first line is the telephone's password."),
        QStringLiteral("FILE"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Folder the recordings are uploaded into."),
                                QStringLiteral("DIR"));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Upload every recording."));
    const QCommandLineOption onlyNew(QStringLiteral("new"),
                                     QStringLiteral("Upload only what the folder lacks."));
    const QCommandLineOption header(QStringLiteral("header"),
                                    QStringLiteral("list: print the column captions first."));
    const QCommandLineOption contacts(QStringLiteral("contacts"),
                                      QStringLiteral("list: add the contact column."));
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"),
                                     QStringLiteral("Time-out of each exchange (default 10000)."),
                                     QStringLiteral("MS"));
    const QCommandLineOption every(
        QStringLiteral("every"),
        QStringLiteral("watch: minutes between visits while the telephone stays plugged in."),
        QStringLiteral("MINUTES"));
    parser.addOptions({emulator, password, passwordFile, to, all, onlyNew, header, contacts,
                       timeout, every, help});
    QStringList argv = args;
    argv.prepend(QStringLiteral("tovrel device"));
    if (!parser.parse(argv)) {
        *exitCode = fail(QStringLiteral("tovrel device: ") + cliTr("") + parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout)
            << HelpPage({"tovrel device status [--emulator SOCKET]",
                         "tovrel device list [--password-file FILE] [--header] [--contacts] "
                         "[--emulator SOCKET]",
                         "tovrel device list [--password-file FILE] [--contacts] --export PATH "
                         "[--replace] [--emulator SOCKET]",
                         "tovrel device upload [--password-file FILE] --to DIR (--all | ROW...) "
                         "[--new] [--emulator SOCKET]",
                         "tovrel device watch [--password-file FILE] --to DIR [--every MINUTES] "
                         "[--emulator SOCKET]"})
                   .paragraph(CLI_NOOP(
                       "The telephone: whether one is attached (status), the recordings it holds\n"
                       "(list, tab-separated as the telephone tab shows them), and the upload of\n"
                       "recordings into a folder (upload; ROW: the number in the first column).\n"
                       "With --new a recording is known by its call, not by its place in the\n"
                       "telephone's list: one whose file is already in the folder, whole and with\n"
                       "the same header apart from the memory address, under any position in its\n"
                       "name, is left as it is. A copy cut short is replaced by the whole one; a\n"
                       "file of another call under the same name is kept, and the recording takes\n"
                       "the name with \" (2)\", \" (3)\", ... added. One line of counts ends the\n"
                       "upload on stderr. A progress bar is drawn on stderr when it is a "
                       "terminal.\n"
                       "list, upload and watch log in with the telephone's password: the\n"
                       "first line of --password-file; when neither option is given, the\n"
                       "password stored in the desktop's keyring for this telephone (the\n"
                       "login dialog's 记住密码), else typed at the terminal (not shown)."))
                   .paragraph(CLI_NOOP(
                       "watch keeps the folder an archive of the telephone: it waits for\n"
                       "the telephone and, each time it is plugged in and every --every\n"
                       "minutes while it stays, uploads what the folder lacks (as upload\n"
                       "--all --new), with one line on stderr for each visit. A refused\n"
                       "password is not tried again until the telephone is plugged in again.\n"
                       "Ctrl-C or SIGTERM ends the watch after the exchange in hand, with\n"
                       "nothing of a file cut short left behind, and exit status 0; a folder\n"
                       "that cannot be written ends it with 1."))
                   .section(
                       CLI_NOOP("Options"),
                       {{"--emulator SOCKET",
                         CLI_NOOP("use the emulated telephone on this socket")},
                        {"--password-file FILE",
                         CLI_NOOP("the file whose first line is the telephone's password")},
                        {"--password DDDD",
                         CLI_NOOP("the password itself (visible to other users in the process "
                                  "list)")},
                        {"--to DIR", CLI_NOOP("folder the recordings are uploaded into")},
                        {"--all", CLI_NOOP("upload every recording")},
                        {"--new", CLI_NOOP("upload only recordings the folder lacks")},
                        {"--header", CLI_NOOP("list: print the column captions first")},
                        {kContactsEntry.name, CLI_NOOP("list: add the 联系人 column")},
                        {kExportEntry.name,
                         CLI_NOOP("list: write the list to this workbook instead (.xls or .xlsx)")},
                        kReplaceEntry,
                        {"--timeout-ms MS", CLI_NOOP("time-out of each exchange (default 10000)")},
                        {"--every MINUTES",
                         CLI_NOOP("watch: minutes between visits while the telephone stays "
                                  "plugged in (default 10)")},
                        kHelpEntry})
                   .paragraph(
                       CLI_NOOP("Exit status 0 on success, 1 with the failure text otherwise."))
                   .text();
        *exitCode = 0;
        return std::nullopt;
    }
    DeviceOptions o;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *exitCode =
            fail(QStringLiteral("tovrel device: ") + cliTr("say status, list, upload or watch"));
        return std::nullopt;
    }
    o.action = positional.takeFirst();
    o.rows = positional;
    o.emulator = parser.value(emulator);
    o.password = parser.value(password);
    o.passwordGiven = parser.isSet(password);
    o.passwordFile = parser.value(passwordFile);
    if (o.passwordGiven && parser.isSet(passwordFile)) {
        *exitCode = fail(QStringLiteral("tovrel device: ") +
                         cliTr("give either --password or --password-file"));
        return std::nullopt;
    }
    if (parser.isSet(passwordFile) && o.passwordFile.isEmpty()) {
        *exitCode = fail(QStringLiteral("tovrel device: ") + cliTr("--password-file needs a file"));
        return std::nullopt;
    }
    o.folder = parser.value(to);
    o.all = parser.isSet(all);
    o.onlyNew = parser.isSet(onlyNew);
    o.header = parser.isSet(header);
    o.contacts = parser.isSet(contacts);
    o.exportRequest = exportRequest;
    if (parser.isSet(every)) {
        bool ok = false;
        const double minutes = parser.value(every).toDouble(&ok);
        if (!ok || !(minutes > 0) || minutes > 60 * 24 * 365) {
            *exitCode = fail(QStringLiteral("tovrel device: ") +
                             cliTr("--every needs a positive number of minutes"));
            return std::nullopt;
        }
        o.everyMinutes = minutes;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        o.timeoutMs = parser.value(timeout).toInt(&ok);
        if (!ok || o.timeoutMs <= 0) {
            *exitCode = fail(QStringLiteral("tovrel device: ") +
                             cliTr("--timeout-ms needs a positive number"));
            return std::nullopt;
        }
    }
    return o;
}

// The password of --password, of the first line of --password-file (four digits), the one stored
// in the keyring for this telephone, or typed at the terminal without echo; the failure text, or
// nothing.
std::optional<QString> choosePassword(DeviceOptions &o)
{
    const QString prefix = QStringLiteral("tovrel device: ");
    if (o.passwordGiven)
        return std::nullopt;
    if (!o.passwordFile.isEmpty()) {
        const QString shown = QDir::toNativeSeparators(o.passwordFile);
        QFile file(o.passwordFile);
        if (!QFileInfo::exists(o.passwordFile))
            return prefix + cliTr("the password file %1 does not exist").arg(shown);
        if (!file.open(QIODevice::ReadOnly))
            return prefix +
                   cliTr("the password file %1 cannot be read: %2").arg(shown, file.errorString());
        const QByteArray line = file.readLine(64);
        if (file.error() != QFileDevice::NoError)
            return prefix +
                   cliTr("the password file %1 cannot be read: %2").arg(shown, file.errorString());
        const QByteArray digits = line.endsWith("\r\n") ? line.chopped(2)
                                  : line.endsWith('\n') ? line.chopped(1)
                                                        : line;
        if (digits.size() != 4 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return prefix +
                   cliTr("the first line of the password file %1 is not four digits").arg(shown);
        o.password = QString::fromLatin1(digits);
        return std::nullopt;
    }
    // The password the window stored for this telephone ("记住密码"), before asking.
    const KeyringResult stored = readStoredPasswordNow(telephoneIdentity(o.emulator));
    if (stored.password) {
        o.password = *stored.password;
        return std::nullopt;
    }
    // A keyring that failed to answer is named once: as the reason when nobody can be asked,
    // before the prompt otherwise.
    const bool keyringFailed = stored.available && !stored.error.isEmpty();
    if (!inputIsTerminal()) {
        if (keyringFailed)
            return prefix + stored.error;
        if (!stored.available)
            return prefix + cliTr("--password-file FILE or --password DDDD is required: no "
                                  "keyring is running to hold the telephone's password");
        return prefix + cliTr("--password-file FILE or --password DDDD is required: the keyring "
                              "holds no password for this telephone");
    }
    if (keyringFailed)
        QTextStream(stderr) << prefix << stored.error << '\n';
    const auto typed = readHiddenLine(cliTr("Password of the telephone: "));
    if (!typed || typed->isEmpty())
        return prefix + cliTr("no password typed");
    o.password = *typed;
    return std::nullopt;
}

// Attach, open and log in, as the list button does; the failure text, or nothing.
std::optional<QString> logIn(TelephoneLink &link, const DeviceOptions &o)
{
    if (o.password.isEmpty())
        return QStringLiteral("tovrel device: ") + cliTr("--password DDDD is required");
    if (link.deviceCount() == 0)
        return u("USB未连接");
    if (!link.openStep())
        return usbOpenFailureText(link.usb().openFailure());
    UsbOpened = 1;
    const LoginResult login = checkPassword(link, o.password);
    if (login.outcome != LoginOutcome::Accepted)
        return login.message;
    UsbLoggedIn = 1;
    return std::nullopt;
}

// The telephone's list written to a workbook: the whole list or, when reading it fails,
// nothing. An empty list gives the header row only.
int exportList(TelephoneLink &link, const ExportRequest &request,
               const std::optional<ContactBook> &contacts)
{
    QList<ReportRow> rows;
    std::optional<QString> failure;
    TelephoneListReader reader(link);
    QObject::connect(&reader, &TelephoneListReader::rowsCleared, [&] { rows.clear(); });
    QObject::connect(&reader, &TelephoneListReader::rowRead,
                     [&](const ReportRow &row) { rows.append(row); });
    QObject::connect(&reader, &TelephoneListReader::failure,
                     [&](const QString &text) { failure = text; });
    reader.run();
    if (failure)
        return fail(*failure + cliTr("; nothing exported"));
    ReportModel list;
    QList<ReportColumn> columns;
    QStringList captions = recordingListCaptions();
    if (contacts) {
        captions.insert(kListNumberColumn + 1, contactColumnCaption());
        for (ReportRow &row : rows)
            insertContactCell(row.cells, kListNumberColumn, *contacts);
    }
    for (const QString &caption : std::as_const(captions))
        columns.append({caption});
    list.setColumns(columns);
    list.appendRows(std::move(rows));
    return writeListExport(list, request);
}

int runList(TelephoneLink &link, bool header, const std::optional<ContactBook> &contacts)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool failed = false;
    bool headerDue = header;
    TelephoneListReader reader(link);
    QObject::connect(&reader, &TelephoneListReader::rowRead, [&](const ReportRow &row) {
        if (headerDue) {
            QStringList captions =
                u("序号\t文件名\t电话号码\t时间\t属性\t文件长度\t时长").split(u'\t');
            if (contacts)
                captions.insert(kListNumberColumn + 1, contactColumnCaption());
            out << captions.join(u'\t') << '\n';
        }
        headerDue = false;
        QStringList cells = row.cells;
        if (contacts)
            insertContactCell(cells, kListNumberColumn, *contacts);
        out << tableRow(cells) << '\n';
    });
    QObject::connect(&reader, &TelephoneListReader::failure, [&](const QString &text) {
        out.flush();
        err << text << '\n';
        err.flush();
        failed = true;
    });
    reader.run();
    return failed ? 1 : 0;
}

int runUpload(const std::shared_ptr<TelephoneLink> &link, const DeviceOptions &o,
              InterruptWatch &interrupts)
{
    if (o.folder.isEmpty())
        return fail(QStringLiteral("tovrel device: ") + cliTr("--to DIR is required"));
    if (o.all == !o.rows.isEmpty())
        return fail(QStringLiteral("tovrel device: ") + cliTr("give either --all or row numbers"));
    const auto count = link->readCount();
    if (!count.ok())
        return fail(linkErrorText(count.error));
    QList<int> indices;
    if (o.all) {
        for (int n = 0; n < count.value; ++n)
            if (n != kSkippedRecordIndex)
                indices.append(n);
    } else {
        for (const QString &row : o.rows) {
            bool ok = false;
            const int number = row.toInt(&ok);
            if (!ok || number < 1 || number > count.value || number - 1 == kSkippedRecordIndex)
                return fail(QStringLiteral("tovrel device: ") +
                            cliTr("no recording number %1 (the telephone holds %2)")
                                .arg(row)
                                .arg(count.value));
            indices.append(number - 1);
        }
        // The rows named are a selection, as in the window: each once, in row order.
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    }
    // As 上传全部 on an empty list: nothing to do, and nothing failed.
    if (indices.isEmpty()) {
        QTextStream(stdout) << "tovrel device: "
                            << cliTr("nothing to upload (the telephone holds no recordings)")
                            << '\n';
        return 0;
    }

    QString folder = o.folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    TStorageSingleThread worker(link, folder, indices);
    worker.setOnlyNew(o.onlyNew);
    QTextStream err(stderr);
    ProgressLine progress(err);
    int batchMax = 0;
    int filesDone = 0;
    QObject::connect(&worker, &TStorageSingleThread::batchRangeChanged,
                     [&](int m) { batchMax = m; });
    QObject::connect(&worker, &TStorageSingleThread::batchProgress, [&](int v) { filesDone = v; });
    // The bar fills with the packets of the file in hand; the text counts the files.
    QObject::connect(&worker, &TStorageSingleThread::packetRangeChanged, [&](int m) {
        progress.file(QStringLiteral("%1/%2").arg(filesDone + 1).arg(batchMax), m);
    });
    QObject::connect(&worker, &TStorageSingleThread::packetProgress,
                     [&](int v) { progress.step(v); });
    QObject::connect(&worker, &TStorageSingleThread::message, [&](const QString &text) {
        progress.clear();
        // The completion text goes to stdout; the counts that may follow it end on stderr.
        const QString finished = uploadFinishedText();
        if (text == finished || text.startsWith(finished + QLatin1Char('\n'))) {
            QTextStream(stdout) << finished << '\n';
            if (text != finished)
                err << text.mid(finished.size() + 1) << '\n';
        } else {
            err << text << '\n';
        }
        err.flush();
    });
    bool complete = false;
    QObject::connect(&worker, &TStorageSingleThread::ended,
                     [&](bool, bool allComplete) { complete = allComplete; });
    // An interrupted upload keeps nothing of the file in progress and names what it left.
    worker.setKeepPartialOnStop(false);
    interrupts.start([&worker] { worker.requestStop(); });
    const auto unwatched = qScopeGuard([&interrupts] { interrupts.stop(); });
    Uploading = 1;
    worker.Execute();
    Uploading = 0;
    interrupts.stop();
    progress.clear();
    if (const int signal = interrupts.signal()) {
        if (!worker.notWhole().isEmpty())
            QTextStream(stderr) << uploadNotWholeText(worker.notWhole()) << '\n';
        return 128 + signal;
    }
    return complete ? 0 : 1;
}

} // namespace

int runDevice(const QStringList &args)
{
    int exitCode = 1;
    const auto options = parse(args, &exitCode);
    if (!options)
        return exitCode;
    DeviceOptions o = *options;
    const bool watch = o.action == QLatin1String("watch");
    if (o.action != QLatin1String("status") && o.action != QLatin1String("list") &&
        o.action != QLatin1String("upload") && !watch)
        return fail(QStringLiteral("tovrel device: ") + cliTr("unknown action: %1").arg(o.action));
    if (o.everyMinutes && !watch)
        return fail(QStringLiteral("tovrel device: ") + cliTr("--every goes with watch"));
    if (watch && (o.all || o.onlyNew || !o.rows.isEmpty()))
        return fail(QStringLiteral("tovrel device: ") +
                    cliTr("watch uploads every recording the folder lacks: give no --all, --new "
                          "or row numbers"));
    if (watch && o.folder.isEmpty())
        return fail(QStringLiteral("tovrel device: ") + cliTr("--to DIR is required"));
    if (o.exportRequest.requested() && o.action != QLatin1String("list"))
        return fail(QStringLiteral("tovrel device: ") + cliTr("--export goes with list"));
    if (o.action != QLatin1String("status")) {
        if (const auto failure = choosePassword(o))
            return fail(*failure);
    }
    // The book is read before the telephone is touched: a book that cannot be read fails first.
    std::optional<ContactBook> contacts;
    if (o.contacts && o.action == QLatin1String("list") &&
        !(contacts = loadUserContactBook("tovrel device")))
        return 1;

    // Before the link starts its threads: they must all leave the two signals to the watch.
    std::optional<InterruptWatch> interrupts;
    if (o.action == QLatin1String("upload") || watch)
        interrupts.emplace();
    QStringList refused;
    auto link =
        std::make_shared<TelephoneLink>(createUsbLibrary(o.emulator, &refused), o.timeoutMs);
    for (const QString &text : std::as_const(refused))
        QTextStream(stderr) << text << '\n';
    if (o.action == QLatin1String("status")) {
        const bool present = link->deviceCount() > 0;
        QTextStream(stdout) << (present ? u("USB已连接") : u("USB未连接")) << '\n';
        return present ? 0 : 1;
    }
    if (watch) {
        if (o.password.isEmpty())
            return fail(QStringLiteral("tovrel device: ") + cliTr("--password DDDD is required"));
        WatchRequest request;
        request.folder = o.folder;
        request.password = o.password;
        request.everyMinutes = o.everyMinutes.value_or(kDefaultWatchMinutes);
        return runWatch(link, request, *interrupts);
    }
    if (const auto failure = logIn(*link, o)) {
        link->closeAtExit();
        return fail(*failure);
    }
    const int result = o.action != QLatin1String("list") ? runUpload(link, o, *interrupts)
                       : o.exportRequest.requested() ? exportList(*link, o.exportRequest, contacts)
                                                     : runList(*link, o.header, contacts);
    link->closeAtExit();
    return result;
}

} // namespace tovrel::cli
