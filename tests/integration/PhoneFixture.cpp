#include "PhoneFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tovrel::test {

QByteArray FixtureRecording::bytes() const
{
    return emulator::encodeRecord(header) + payload;
}

QList<FixtureRecording> makeRecordings(const QList<quint32> &payloadLengths, bool longForm)
{
    QList<FixtureRecording> out;
    quint32 address = 0x2000;
    quint32 seed = 12345;
    for (int i = 0; i < payloadLengths.size(); ++i) {
        FixtureRecording r;
        r.header.longForm = longForm;
        r.header.attribute = i % 3;
        r.header.month = 3;
        r.header.day = 15;
        r.header.hour = 12;
        r.header.minute = 30 + i;
        r.header.year = 2026;
        r.header.number = QStringLiteral("123456") + QString::number(7 + i);
        r.header.startAddress = address;
        r.header.payloadLength = payloadLengths[i];
        const quint32 size = payloadLengths[i] == 0xFFFFFFFF ? 0 : payloadLengths[i];
        r.payload.resize(size);
        for (quint32 k = 0; k < size; ++k) {
            seed = seed * 1103515245 + 12345;
            r.payload[k] = char(seed >> 16);
        }
        address += (size + 255) / 256 * 256 + 256;
        out.append(r);
    }
    return out;
}

bool holdsExactly(const QString &folder, const QList<FixtureRecording> &recordings)
{
    QList<QByteArray> held;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        held.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return held.size() == recordings.size() &&
           std::all_of(recordings.begin(), recordings.end(),
                       [&](const FixtureRecording &r) { return held.contains(r.bytes()); });
}

bool writeRecordings(const QString &folder, const QList<FixtureRecording> &recordings)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < recordings.size(); ++i) {
        QFile file(folder + QStringLiteral("/%1.spx").arg(i, 5, 10, QLatin1Char('0')));
        const QByteArray bytes = recordings[i].bytes();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
            return false;
        file.close();
        if (file.error() != QFileDevice::NoError)
            return false;
    }
    return true;
}

bool startOnRecordings(emulator::EmulatorLauncher &launcher, const QString &folder,
                       const QList<FixtureRecording> &recordings, const QStringList &extra)
{
    QDir(folder).removeRecursively();
    return writeRecordings(folder, recordings) &&
           launcher.start(QStringList{QStringLiteral("--recordings"), folder} + extra);
}

Phone::Phone() : m_launcher(QStringLiteral(TOVREL_PHONE_EMULATOR)) {}

bool Phone::start(const QStringList &arguments, int timeoutMs)
{
    if (!m_launcher.start(arguments))
        return false;
    m_link = std::make_shared<TelephoneLink>(createUsbLibrary(m_launcher.socketName()), timeoutMs);
    return m_link->openStep();
}

} // namespace tovrel::test
