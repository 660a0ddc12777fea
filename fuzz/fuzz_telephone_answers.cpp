// The telephone's answers from any bytes, fed to the link through a stand-in USB library: the
// login, the list (count, probe, records) and an upload of the first recordings. Each read takes
// its answer from the input: one control byte (failed read, or how long the answer is: short,
// exact or oversize frames) and the answer's bytes. Checks that the list never shows more rows
// than the telephone counted and that the upload writes only recording files in its folder.

#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneList.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Last: its check() macro must not meet the names the headers above declare.
#include "FuzzCheck.h"

using namespace tovrel;

namespace {

class ScriptedUsb final : public UsbLibrary
{
public:
    ScriptedUsb(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    quint32 deviceCount() override { return 1; }
    void setTimeouts(int, int) override {}
    bool open(int number) override
    {
        m_open = number == 0;
        return m_open;
    }
    void flush() override {}
    bool write(QByteArrayView bytes) override
    {
        check(bytes.size() == 8); // every command is 8 bytes
        return m_open && m_at < m_size;
    }
    bool read(char *buffer, int count, int *received) override
    {
        *received = 0;
        // A command's answer is at most 256 bytes; the wait for a late answer after a failed
        // read takes up to 512, so that an oversize answer is swallowed whole.
        check(count >= 1 && count <= 512);
        if (!m_open || m_at >= m_size)
            return false;
        const uint8_t control = m_data[m_at++];
        if (control == 0xFF)
            return false;
        // The answer's length: 0..254 as given, so short, exact and oversize frames all occur.
        const size_t length = std::min<size_t>(control, m_size - m_at);
        const int copied = int(std::min<size_t>(length, size_t(count)));
        std::memcpy(buffer, m_data + m_at, size_t(copied));
        m_at += length;
        *received = copied;
        return true;
    }
    void close() override { m_open = false; }
    void abortTransfers() override { m_open = false; } // nothing here ever waits
    bool isOpen() const override { return m_open; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_open = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_telephone_answers";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');

    auto link = std::make_shared<TelephoneLink>(std::make_unique<ScriptedUsb>(data, size), 10);
    check(link->openStep());
    (void)checkPassword(*link, QStringLiteral("9137"));

    TelephoneListReader reader(*link);
    int rows = 0;
    QObject::connect(&reader, &TelephoneListReader::rowRead, [&](const ReportRow &row) {
        ++rows;
        check(row.cells.size() == 7);
    });
    reader.run();
    check(rows <= reader.recordCount());

    QList<int> indices;
    for (int i = 0; i < std::min(rows, 3); ++i)
        indices.append(i);
    if (!indices.isEmpty()) {
        TStorageSingleThread worker(link, folder, indices);
        worker.setRecordPauseMs(0);
        UsbLoggedIn = 1;
        worker.Execute();
        UsbLoggedIn = 0;
    }
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System |
                                                    QDir::Dirs | QDir::NoDotAndDotDot);
    check(left.size() <= indices.size());
    for (const QString &file : left) {
        check(file.endsWith(QStringLiteral(".spx")));
        check(QFile::remove(folder + file));
    }
    return 0;
}
