#pragma once

#include "InterruptWatch.h"

#include "device/TelephoneLink.h"

#include <QString>

#include <memory>

// tovrel device watch: the archive keeps itself. The watch waits for the telephone and, each
// time it arrives (and again every few minutes while it stays), logs in and uploads every
// recording the folder lacks, with one line per visit on stderr.
namespace tovrel::cli {

struct WatchRequest
{
    QString folder;   // the archive
    QString password; // the telephone's four digits
    double everyMinutes = 10;
};

// The watch's default pause between two visits of a telephone that stays plugged in.
constexpr double kDefaultWatchMinutes = 10;

// Watches `link` until SIGINT or SIGTERM (exit status 0, after the exchange in hand) or until
// the folder cannot be created or written (1, with the message on stderr). `interrupts` was
// built before the link's threads started.
int runWatch(const std::shared_ptr<TelephoneLink> &link, const WatchRequest &request,
             InterruptWatch &interrupts);

} // namespace tovrel::cli
