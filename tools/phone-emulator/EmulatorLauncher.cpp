#include "EmulatorLauncher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <atomic>

namespace tovrel::emulator {
namespace {

std::atomic<int> g_sequence{0};

} // namespace

EmulatorLauncher::EmulatorLauncher(QString program) : m_program(std::move(program)) {}

EmulatorLauncher::~EmulatorLauncher()
{
    stop();
}

bool EmulatorLauncher::start(const QStringList &arguments, int timeoutMs)
{
    stop();
    if (m_socket.isEmpty())
        m_socket = QDir::tempPath() + QStringLiteral("/tovrel-phone-%1-%2.sock")
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(g_sequence++);
    m_log.clear();
    m_process.start(m_program, QStringList{QStringLiteral("--socket"), m_socket} + arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start ") + m_program + QStringLiteral(": ") +
                  m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("the emulator ended: ") + log();
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(m_socket);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        m_process.waitForFinished(20);
    }
    m_error = QStringLiteral("the emulator did not come up: ") + log();
    return false;
}

void EmulatorLauncher::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool EmulatorLauncher::release(int answers)
{
    const QByteArray line = QByteArray::number(answers) + '\n';
    return m_process.write(line) == line.size() && m_process.waitForBytesWritten(5000);
}

QString EmulatorLauncher::log()
{
    m_log += QString::fromUtf8(m_process.readAllStandardError());
    return m_log;
}

} // namespace tovrel::emulator
