// tovrel: the command-line front end of Tovrel Desk, over the same core as the windows.

#include "Commands.h"
#include "Help.h"

#include "io/AtomicFile.h"
#include "settings/Language.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <span>
#include <vector>

namespace tovrel::cli {
namespace {

// The command table: one line per command.
constexpr Command kCommands[] = {
    {"list", "list the recordings of a folder (tab-separated)", &runList},
    {"convert", "convert recordings to WAV files", &runConvert},
    {"play", "play a recording on the default audio output", &runPlay},
    {"device", "the telephone: status, list, upload", &runDevice},
    {"search", "search a folder tree for recordings (tab-separated)", &runSearch},
    {"contacts", "the contact book: import, list, export", &runContacts},
    {"check", "name the recording files that are not whole (tab-separated)", &runCheck},
    {"touch", "give recording files the time of their call", &runTouch},
    {"note", "show or change the note of a recording", &runNote},
};

void printHelp(QTextStream &out)
{
    HelpPage page({"tovrel [--lang en|zh] COMMAND [OPTIONS]"});
    page.paragraph("Tovrel Desk on the command line.");
    // Every command of the table, in its order.
    std::vector<HelpEntry> commands;
    for (const Command &c : kCommands)
        commands.push_back({c.name, c.summary});
    out << page.section("Commands", commands)
               .section("Options",
                        {{"-v, --version", "show the version"},
                         {"--lang en|zh", "the language of the messages (default: the locale's)"},
                         kHelpEntry})
               .paragraph("Each command takes --help for its own options.")
               .text();
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
    if (!language || !tovrel::applyLanguage(app, *language, &error)) {
        err << "tovrel: " << error << '\n';
        return 1;
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
    err << "tovrel: unknown command: " << name << "\n";
    printHelp(err);
    return 1;
}
