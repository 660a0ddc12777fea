#pragma once

#include "EmulatorOptions.h"
#include "PhoneMemory.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QLocalServer;
class QLocalSocket;

namespace tovrel::emulator {

// The emulated telephone: listens on a local socket and answers each command frame with one
// frame (count: 2 bytes, record: the directory record, data: the requested bytes, password:
// 4 digit bytes); an unknown command gets no answer. Faults are injected as the options say.
class PhoneEmulator : public QObject
{
    Q_OBJECT

public:
    PhoneEmulator(EmulatorOptions options, PhoneMemory memory, QObject *parent = nullptr);
    ~PhoneEmulator() override;

    bool listen(QString *error);
    int commandsReceived() const { return m_commands; }

    // The answer to one command, or nothing when the telephone does not answer it.
    QByteArray answer(const QByteArray &command) const;
    // With hold: lets `count` more answers go, the held ones first.
    void release(int count);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);
    void handleCommand(QLocalSocket *socket, const QByteArray &command);
    void unplug(QLocalSocket *socket, const QByteArray &command);
    void log(const QByteArray &command) const;
    void send(QLocalSocket *socket, const QByteArray &framed);
    void sendHeld();
    static bool isDataCommand(const QByteArray &command);

    EmulatorOptions m_options;
    PhoneMemory m_memory;
    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, QByteArray> m_buffers;
    int m_commands = 0;
    bool m_shortAnswered = false;
    bool m_unplugged = false;
    // With hold: the answers waiting for their release, and how many may go unasked.
    QList<QPair<QPointer<QLocalSocket>, QByteArray>> m_held;
    int m_allowance = 0;
};

} // namespace tovrel::emulator
