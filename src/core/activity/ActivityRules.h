#pragma once

#include <QString>

#include <optional>

// Which long activity refuses to start while another runs, and with which message. The rules are
// one table (ActivityRules.cpp); every entry point asks refusalFor() instead of testing flags.
namespace tovrel {

enum class Activity
{
    TelephoneList,   // reading the telephone's recording list
    Upload,          // uploading recordings from the telephone
    MainListExport,  // exporting the telephone's list from the main window
    OpenSearch,      // opening the search window
    PlaybackStart,   // starting playback of a recording
    ConversionStart, // starting a WAV conversion run
};

// The caption every refusal box carries.
QString refusalCaption();

// The message of the first rule that refuses `activity` now, or nothing when it may start.
// The flags are read once each, in the table's order.
std::optional<QString> refusalFor(Activity activity);

} // namespace tovrel
