#pragma once

#include "EmulatorLauncher.h"
#include "RecordBytes.h"

#include "device/TelephoneLink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace tovrel::test {

// A recording file as the telephone would deliver it: header (in the given form) + payload.
// Records and names come from the emulator's own encoder, never from the program's header code.
struct FixtureRecording
{
    emulator::RecordFields header;
    QByteArray payload;
    QByteArray bytes() const;
    QString fileName(int position) const { return emulator::recordFileName(header, position); }
};

// Recordings with distinct dates and numbers and payloads of the given lengths, laid out one
// after another in the telephone's memory (addresses on 256-byte boundaries). Payload bytes
// are a fixed pseudo-random pattern.
QList<FixtureRecording> makeRecordings(const QList<quint32> &payloadLengths, bool longForm);

// Writes the recordings as .spx files into `folder` (names sort in list order); false when a
// file could not be written whole.
bool writeRecordings(const QString &folder, const QList<FixtureRecording> &recordings);
// Whether `folder` holds the files of `recordings`, each once, and nothing else (not even a
// hidden file).
bool holdsExactly(const QString &folder, const QList<FixtureRecording> &recordings);

// Empties `folder`, writes `recordings` into it and starts the emulator on them with `extra`
// options; false when the files or the start failed.
bool startOnRecordings(emulator::EmulatorLauncher &launcher, const QString &folder,
                       const QList<FixtureRecording> &recordings, const QStringList &extra = {});

// The emulator process and a link to it.
class Phone
{
public:
    Phone();
    // Starts the emulator with `arguments` and opens a link with a short time-out.
    bool start(const QStringList &arguments, int timeoutMs = 1000);
    void stop() { m_launcher.stop(); }
    QString socketName() const { return m_launcher.socketName(); }
    QString error() const { return m_launcher.error(); }
    QString log() { return m_launcher.log(); }
    std::shared_ptr<TelephoneLink> link() const { return m_link; }

private:
    emulator::EmulatorLauncher m_launcher;
    std::shared_ptr<TelephoneLink> m_link;
};

} // namespace tovrel::test
