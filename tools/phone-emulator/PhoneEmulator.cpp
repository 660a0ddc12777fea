#include "PhoneEmulator.h"

#include "device/Frame.h"
#include "device/TelephoneCommands.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace tovrel::emulator {
namespace {

quint32 le32(const QByteArray &b, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

int le16(const QByteArray &b, int at)
{
    return quint8(b[at]) | (quint8(b[at + 1]) << 8);
}

} // namespace

PhoneEmulator::PhoneEmulator(EmulatorOptions options, PhoneMemory memory, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_memory(std::move(memory))
{}

PhoneEmulator::~PhoneEmulator() = default;

bool PhoneEmulator::listen(QString *error)
{
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(m_options.socket);
    if (!m_server->listen(m_options.socket)) {
        *error = m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &PhoneEmulator::onNewConnection);
    return true;
}

void PhoneEmulator::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (m_options.failWrites || m_unplugged) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_buffers.insert(socket, {});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
        onReadyRead(socket);
    }
}

void PhoneEmulator::onReadyRead(QLocalSocket *socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return;
    it->append(socket->readAll());
    while (!m_unplugged) {
        it = m_buffers.find(socket);
        if (it == m_buffers.end())
            return;
        const auto command = frame::take(*it);
        if (!command)
            return;
        handleCommand(socket, *command);
    }
}

void PhoneEmulator::handleCommand(QLocalSocket *socket, const QByteArray &command)
{
    ++m_commands;
    log(command);
    if (m_options.unplugAfter >= 0 && m_commands > m_options.unplugAfter) {
        unplug(socket, command);
        return;
    }
    if (m_options.dropAfter >= 0 && m_commands > m_options.dropAfter)
        return;
    if (m_commands == m_options.dropOnly)
        return;
    QByteArray reply = answer(command);
    if (reply.isNull())
        return;
    if (m_options.shortAfter >= 0 && m_commands > m_options.shortAfter && !m_shortAnswered &&
        command.size() >= 1 && quint8(command[0]) == quint8(TelephoneCommand::Data)) {
        m_shortAnswered = true;
        reply.chop(std::max<qsizetype>(1, reply.size() / 2));
    }
    if (m_options.delayMs > 0)
        QThread::msleep(ulong(m_options.delayMs));
    // A late answer holds back every later one too, as a telephone busy with it would.
    if (m_commands == m_options.lateCommand)
        QThread::msleep(ulong(m_options.lateMs));
    socket->write(frame::encode(reply));
    socket->flush();
}

QByteArray PhoneEmulator::answer(const QByteArray &command) const
{
    if (command.size() < kCommandLength)
        return {};
    switch (quint8(command[0])) {
    case quint8(TelephoneCommand::Count): {
        const int n = int(std::min<qsizetype>(m_memory.recordings().size(), 0xFFFF));
        QByteArray count(2, '\0');
        count[0] = char(n & 0xFF);
        count[1] = char(n >> 8);
        return count;
    }
    case quint8(TelephoneCommand::Record):
        return m_memory.record(le16(command, 1));
    case quint8(TelephoneCommand::Data): {
        const int count = le16(command, 5);
        if (count < 1 || count > kPacketBytes)
            return {};
        return m_memory.read(le32(command, 1), count);
    }
    case quint8(TelephoneCommand::Password): {
        QByteArray digits(4, '\0');
        for (int i = 0; i < 4; ++i)
            digits[i] = char(m_options.password.at(i).digitValue());
        return digits;
    }
    default:
        return {};
    }
}

void PhoneEmulator::unplug(QLocalSocket *socket, const QByteArray &command)
{
    // A data answer is cut in the middle of its packet; any other answer is lost entirely.
    if (quint8(command[0]) == quint8(TelephoneCommand::Data)) {
        const QByteArray reply = answer(command);
        QByteArray framed = frame::encode(reply);
        framed.chop(reply.size() / 2 + 1);
        socket->write(framed);
        socket->flush();
    }
    m_unplugged = true;
    m_server->close();
    QLocalServer::removeServer(m_options.socket);
    const auto sockets = m_buffers.keys();
    m_buffers.clear();
    for (QLocalSocket *s : sockets) {
        s->disconnectFromServer();
        s->deleteLater();
    }
    if (m_options.verbose)
        QTextStream(stderr) << "unplugged\n";
}

void PhoneEmulator::log(const QByteArray &command) const
{
    if (!m_options.verbose)
        return;
    QTextStream err(stderr);
    err << m_commands << ": ";
    if (command.size() < kCommandLength) {
        err << "short frame of " << command.size() << " bytes\n";
        return;
    }
    switch (quint8(command[0])) {
    case quint8(TelephoneCommand::Count):
        err << "count\n";
        break;
    case quint8(TelephoneCommand::Record):
        err << "record " << le16(command, 1) << '\n';
        break;
    case quint8(TelephoneCommand::Data):
        err << "data address " << le32(command, 1) << " count " << le16(command, 5) << '\n';
        break;
    case quint8(TelephoneCommand::Password):
        err << "password\n";
        break;
    default:
        err << "unknown command " << quint8(command[0]) << '\n';
        break;
    }
}

} // namespace tovrel::emulator
