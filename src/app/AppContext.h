#pragma once

#include "FolderPicker.h"
#include "MessageSink.h"
#include "playback/AudioOutput.h"
#include "playback/PlaybackSpeed.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tovrel {

// What the windows are given from outside: where message boxes go, how folders are picked, and
// which telephone link to use. Tests fill it with recording and scripted stand-ins.
struct AppContext
{
    MessageSink *messages = nullptr;
    FolderPicker pickFolder;
    // Said in a box once the main window is up (the settings taken over at the start); empty
    // for none.
    QString startNotice;
    // Local socket of an emulated telephone; empty for the real USB telephone.
    QString emulatorSocket;
    // Read and write time-out of the telephone link in milliseconds (tests shorten it).
    int deviceTimeoutMs = 10000;
    // Opens a folder in the system's file browser; empty for QDesktopServices::openUrl.
    std::function<void(const QString &folder)> openFolder;
    // The sound output of playback; empty for the default sound device.
    AudioOutputFactory audioOutput;
    // Asks for files to open (title, name filter); the files chosen, none on cancel. Empty for
    // QFileDialog::getOpenFileNames.
    std::function<QStringList(const QString &title, const QString &filter)> pickFiles;
    // The playing speed, one for every window while the program runs (copies of the context
    // share it).
    std::shared_ptr<PlaybackSpeed> playbackSpeed = std::make_shared<PlaybackSpeed>();
};

} // namespace tovrel
