#include "TestFolders.h"

#include "activity/ActivityFlags.h"
#include "settings/SysConf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace tovrel::test {

TempFolder::TempFolder() : m_dir(QDir::tempPath() + QStringLiteral("/tovrel-test-XXXXXX")) {}

QString TempFolder::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TempFolder::file(const QString &name) const
{
    return path() + name;
}

QString TempFolder::write(const QString &name, const QByteArray &bytes) const
{
    const QString full = file(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return full;
}

QByteArray TempFolder::read(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ScopedCurrentDir::ScopedCurrentDir(const QString &path) : m_previous(QDir::currentPath())
{
    QDir::setCurrent(path);
    sysconf::useSettingsFile(QDir(path).filePath(QStringLiteral("SysConf.ini")));
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    sysconf::useSettingsFile({});
    QDir::setCurrent(m_previous);
}

TestSandbox::TestSandbox()
    : m_cd(m_folder.path()), m_keptConfig(qgetenv("XDG_CONFIG_HOME")),
      m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configFolder()));
    resetActivityFlags();
}

TestSandbox::~TestSandbox()
{
    resetActivityFlags();
    if (m_hadConfig)
        qputenv("XDG_CONFIG_HOME", m_keptConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

BytesNamedFile::BytesNamedFile(const QString &folder, const QByteArray &name,
                               const QByteArray &bytes)
    : m_path(QFile::encodeName(folder) + '/' + name)
{
    const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const bool whole = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    m_written = ::close(fd) == 0 && whole;
}

BytesNamedFile::~BytesNamedFile()
{
    ::unlink(m_path.constData());
}

} // namespace tovrel::test
