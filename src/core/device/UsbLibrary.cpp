#include "UsbLibrary.h"

#include "EmulatorUsbLibrary.h"
#include "LibUsbLibrary.h"

#include "settings/SysConf.h"

namespace tovrel {
namespace {

quint16 idSetting(const QString &key, quint16 fallback)
{
    const auto text = sysconf::readValue(QStringLiteral("Device"), key);
    if (!text)
        return fallback;
    QString digits = text->trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    return ok && value <= 0xFFFF ? quint16(value) : fallback;
}

} // namespace

std::unique_ptr<UsbLibrary> createUsbLibrary(const QString &emulatorSocket)
{
    if (!emulatorSocket.isEmpty())
        return std::make_unique<EmulatorUsbLibrary>(emulatorSocket);
    return std::make_unique<LibUsbLibrary>(
        idSetting(QStringLiteral("VendorId"), kDefaultVendorId),
        idSetting(QStringLiteral("ProductId"), kDefaultProductId));
}

} // namespace tovrel
