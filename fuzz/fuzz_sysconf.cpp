// SysConf.ini from any bytes: the recording folder and the telephone's ids are read, then the
// folder is stored again. Checks that storing the folder reads back exactly and changes no other
// setting.

#include "device/UsbLibrary.h"
#include "settings/SysConf.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not meet the names the headers above declare.
#include "FuzzCheck.h"

using namespace tovrel;

namespace {} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const bool entered = QDir::setCurrent(dir.path());
    check(entered);
    sysconf::useSettingsFile(QStringLiteral("SysConf.ini")); // this folder's, never the user's
    {
        QFile file(QStringLiteral("SysConf.ini"));
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    (void)readUsbIds();
    const auto vendor = sysconf::readValue(QStringLiteral("Device"), QStringLiteral("VendorId"));
    const auto product = sysconf::readValue(QStringLiteral("Device"), QStringLiteral("ProductId"));
    (void)sysconf::readLocalFileBackupPath();

    const QString folder = QStringLiteral("D:\\录音\\fuzz\\");
    const auto failure = sysconf::writeLocalFileBackupPath(folder);
    if (!failure) {
        check(sysconf::readLocalFileBackupPath() == folder);
        check(sysconf::readValue(QStringLiteral("Device"), QStringLiteral("VendorId")) == vendor);
        check(sysconf::readValue(QStringLiteral("Device"), QStringLiteral("ProductId")) == product);
    }
    return 0;
}
