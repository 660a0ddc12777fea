#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tovrel::test {

// A temporary folder that is removed with the object, with small helpers to fill it.
class TempFolder
{
public:
    TempFolder();

    bool isValid() const { return m_dir.isValid(); }
    // The folder's path with a trailing '/'.
    QString path() const;
    // Path of `name` inside the folder.
    QString file(const QString &name) const;
    // Writes `bytes` to `name` (creating sub-folders); returns the full path.
    QString write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// A file named by its bytes (a name that need not be valid UTF-8, as a folder copied from an
// older PC holds), written into `folder` and removed with the object: a temporary folder cannot
// remove a name it cannot decode.
class BytesNamedFile
{
public:
    BytesNamedFile(const QString &folder, const QByteArray &name, const QByteArray &bytes);
    ~BytesNamedFile();
    BytesNamedFile(const BytesNamedFile &) = delete;
    BytesNamedFile &operator=(const BytesNamedFile &) = delete;

    bool isValid() const { return m_written; }

private:
    QByteArray m_path;
    bool m_written = false;
};

// Changes the working directory for the object's lifetime, and makes its SysConf.ini the
// settings file (as --config would).
class ScopedCurrentDir
{
public:
    explicit ScopedCurrentDir(const QString &path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir &) = delete;
    ScopedCurrentDir &operator=(const ScopedCurrentDir &) = delete;

private:
    QString m_previous;
};

// A test's own working folder (whose SysConf.ini is read and written), its own configuration
// folder (XDG_CONFIG_HOME: the contact book, never the user's own) and clear activity flags, for
// the lifetime of the object; the flags are cleared again when it ends.
class TestSandbox
{
public:
    TestSandbox();
    ~TestSandbox();
    TestSandbox(const TestSandbox &) = delete;
    TestSandbox &operator=(const TestSandbox &) = delete;

    const TempFolder &folder() const { return m_folder; }
    // XDG_CONFIG_HOME while the sandbox lives, with a trailing '/' (not made until used).
    QString configFolder() const { return m_folder.path() + QStringLiteral("config/"); }

private:
    TempFolder m_folder;
    ScopedCurrentDir m_cd;
    QByteArray m_keptConfig;
    bool m_hadConfig = false;
};

} // namespace tovrel::test
