#include "PhoneEmulator.h"

#include "TelephoneWire.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace tovrel::emulator {

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
        const auto command = wire::takeFrame(*it);
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
        isDataCommand(command)) {
        m_shortAnswered = true;
        reply.chop(std::max<qsizetype>(1, reply.size() / 2));
    }
    if (m_options.delayMs > 0)
        QThread::msleep(ulong(m_options.delayMs));
    // A late answer holds back every later one too, as a telephone busy with it would.
    if (m_commands == m_options.lateCommand)
        QThread::msleep(ulong(m_options.lateMs));
    if (!m_options.hold) {
        send(socket, wire::frame(reply));
        return;
    }
    m_held.append({socket, wire::frame(reply)});
    sendHeld();
}

void PhoneEmulator::send(QLocalSocket *socket, const QByteArray &framed)
{
    socket->write(framed);
    socket->flush();
}

void PhoneEmulator::release(int count)
{
    m_allowance += count;
    sendHeld();
}

void PhoneEmulator::sendHeld()
{
    while (m_allowance > 0 && !m_held.isEmpty()) {
        const auto [socket, framed] = m_held.takeFirst();
        --m_allowance;
        if (socket && !m_unplugged)
            send(socket, framed);
    }
}

QByteArray PhoneEmulator::answer(const QByteArray &command) const
{
    const auto parsed = wire::parseCommand(command);
    if (!parsed)
        return {};
    switch (parsed->code) {
    case quint8(wire::Code::Count): {
        const int n = int(std::min<qsizetype>(m_memory.recordings().size(), 0xFFFF));
        QByteArray count(2, '\0');
        count[0] = char(n & 0xFF);
        count[1] = char(n >> 8);
        return count;
    }
    case quint8(wire::Code::Record):
        return m_memory.record(parsed->index);
    case quint8(wire::Code::Data):
        if (parsed->count < 1 || parsed->count > wire::kLargestDataCount)
            return {};
        return m_memory.read(parsed->address, parsed->count);
    case quint8(wire::Code::Password): {
        QByteArray digits(4, '\0');
        for (int i = 0; i < 4; ++i)
            digits[i] = char(m_options.password.at(i).digitValue());
        return digits;
    }
    default:
        return {};
    }
}

bool PhoneEmulator::isDataCommand(const QByteArray &command)
{
    const auto parsed = wire::parseCommand(command);
    return parsed && parsed->is(wire::Code::Data);
}

void PhoneEmulator::unplug(QLocalSocket *socket, const QByteArray &command)
{
    // A data answer is cut in the middle of its packet; any other answer is lost entirely.
    if (isDataCommand(command)) {
        const QByteArray reply = answer(command);
        QByteArray framed = wire::frame(reply);
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
    const auto parsed = wire::parseCommand(command);
    if (!parsed) {
        err << "short frame of " << command.size() << " bytes\n";
        return;
    }
    switch (parsed->code) {
    case quint8(wire::Code::Count):
        err << "count\n";
        break;
    case quint8(wire::Code::Record):
        err << "record " << parsed->index << '\n';
        break;
    case quint8(wire::Code::Data):
        err << "data address " << parsed->address << " count " << parsed->count << '\n';
        break;
    case quint8(wire::Code::Password):
        err << "password\n";
        break;
    default:
        err << "unknown command " << parsed->code << '\n';
        break;
    }
}

} // namespace tovrel::emulator
