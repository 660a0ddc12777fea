// tovrel: the command-line front end of Tovrel Desk, over the same core as the windows.

#include "Commands.h"
#include "Help.h"

#include "io/AtomicFile.h"
#include "settings/Language.h"
#include "settings/SysConf.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <span>
#include <vector>

namespace tovrel::cli {
namespace {

// The command table: one line per command.
constexpr Command kCommands[] = {
    {"list", CLI_NOOP("list the recordings of a folder (tab-separated)"), &runList},
    {"convert", CLI_NOOP("convert recordings to WAV files"), &runConvert},
    {"play", CLI_NOOP("play a recording on the default audio output"), &runPlay},
    {"device", CLI_NOOP("the telephone: status, list, upload, watch"), &runDevice},
    {"search", CLI_NOOP("search a folder tree for recordings (tab-separated)"), &runSearch},
    {"contacts", CLI_NOOP("the contact book: import, list, export"), &runContacts},
    {"check", CLI_NOOP("name the recording files that are not whole (tab-separated)"), &runCheck},
    {"touch", CLI_NOOP("give recording files the time of their call"), &runTouch},
    {"note", CLI_NOOP("show or change the note of a recording"), &runNote},
};

void printHelp(QTextStream &out)
{
    HelpPage page({"tovrel [--lang en|zh] [--config FILE] COMMAND [OPTIONS]"});
    page.paragraph(CLI_NOOP("Tovrel Desk on the command line."));
    // Every command of the table, in its order.
    std::vector<HelpEntry> commands;
    for (const Command &c : kCommands)
        commands.push_back({c.name, c.summary});
    out << page.section(CLI_NOOP("Commands"), commands)
               .section(CLI_NOOP("Options"),
                        {{"-v, --version", CLI_NOOP("show the version")},
                         {"--lang en|zh",
                          CLI_NOOP("the language of the messages (default: the locale's)")},
                         {"--config FILE",
                          CLI_NOOP("the settings file (default: ~/.config/tovrel/SysConf.ini)")},
                         kHelpEntry})
               .paragraph(CLI_NOOP("Each command takes --help for its own options."))
               .text();
}

QString unknownCommand(const QString &name)
{
    return cliTr("unknown command: %1").arg(name);
}

} // namespace
} // namespace tovrel::cli

int main(int argc, char *argv[])
{
    using namespace tovrel::cli;
    tovrel::failWritesPastFileSizeLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto language = tovrel::chooseLanguage(args, qgetenv, &error);
    if (!language || !tovrel::applyLanguage(app, *language, &error) ||
        !applyCliLanguage(app, *language, &error)) {
        err << "tovrel: " << error << '\n';
        return 1;
    }
    bool configGiven = false;
    if (!tovrel::sysconf::chooseSettingsFile(args, &configGiven, &error)) {
        err << "tovrel: " << error << '\n';
        return 1;
    }
    if (!configGiven) {
        if (const auto notice = tovrel::sysconf::takeOverEarlierSettings())
            err << "tovrel: " << *notice << '\n';
    }
    if (args.isEmpty()) {
        printHelp(err);
        return 1;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") ||
        name == QLatin1String("help")) {
        printHelp(out);
        return 0;
    }
    if (name == QLatin1String("-v") || name == QLatin1String("--version")) {
        out << "tovrel " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    for (const Command &c : kCommands) {
        if (c.run && name == QLatin1String(c.name))
            return c.run(args);
    }
    err << "tovrel: " << unknownCommand(name) << '\n';
    printHelp(err);
    return 1;
}
