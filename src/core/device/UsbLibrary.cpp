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

UsbIds readUsbIds()
{
    return {idSetting(QStringLiteral("VendorId"), kDefaultVendorId),
            idSetting(QStringLiteral("ProductId"), kDefaultProductId)};
}

std::unique_ptr<UsbLibrary> createUsbLibrary(const QString &emulatorSocket)
{
    if (!emulatorSocket.isEmpty())
        return std::make_unique<EmulatorUsbLibrary>(emulatorSocket);
    const UsbIds ids = readUsbIds();
    return std::make_unique<LibUsbLibrary>(ids.vendorId, ids.productId);
}

QString usbOpenFailureText(const UsbOpenFailure &failure)
{
    QString text = QString::fromUtf8("USB设备打开失败：");
    switch (failure.kind) {
    case UsbOpenFailure::Permission:
        return text + QString::fromUtf8("没有访问该设备的权限。请运行 scripts/setup --udev "
                                        "安装设备规则，然后重新插入电话。");
    case UsbOpenFailure::Busy:
        return text + QString::fromUtf8("设备正被其他程序使用。");
    case UsbOpenFailure::None:
    case UsbOpenFailure::Other:
        break;
    }
    return text + (failure.reason.isEmpty() ? QString::fromUtf8("未知原因") : failure.reason);
}

} // namespace tovrel
