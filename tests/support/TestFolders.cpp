#include "TestFolders.h"

#include "activity/ActivityFlags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    QDir::setCurrent(m_previous);
}

TestSandbox::TestSandbox() : m_cd(m_folder.path())
{
    resetActivityFlags();
}

TestSandbox::~TestSandbox()
{
    resetActivityFlags();
}

} // namespace tovrel::test
