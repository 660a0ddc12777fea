#include "UsbLibrary.h"

#include "EmulatorUsbLibrary.h"
#include "LibUsbLibrary.h"

#include "settings/SysConf.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace tovrel {
namespace {

QString hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper();
}

// "SysConf.ini 中 [Device] 的 VendorId 值“zz”不是有效的设备号（四位以内的十六进制数），已改用
// 10C4": what the user wrote, and the id used instead.
QString idRefusedText(const QString &key, const QString &value, quint16 used)
{
    return QCoreApplication::translate(
               "UsbLibrary", "SysConf.ini 中 [Device] 的 %1 值“%2”不是有效的设备号（四位以内的十六"
                             "进制数），已改用 %3")
        .arg(key, value, hex4(used));
}

quint16 idSetting(const QString &key, quint16 fallback, QStringList *refused)
{
    const auto text = sysconf::readValue(QStringLiteral("Device"), key);
    if (!text)
        return fallback;
    QString digits = text->trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    // Hexadecimal digits only: no sign, no blanks inside, at most four of them after zeros.
    bool ok = !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
        return c.unicode() < 128 && std::isxdigit(c.unicode()) != 0;
    });
    const uint value = ok ? digits.toUInt(&ok, 16) : 0;
    if (ok && value <= 0xFFFF)
        return quint16(value);
    refused->append(idRefusedText(key, *text, fallback));
    return fallback;
}

} // namespace

UsbIds readUsbIds()
{
    UsbIds ids;
    ids.vendorId = idSetting(QStringLiteral("VendorId"), kDefaultVendorId, &ids.refused);
    ids.productId = idSetting(QStringLiteral("ProductId"), kDefaultProductId, &ids.refused);
    return ids;
}

std::unique_ptr<UsbLibrary> createUsbLibrary(const QString &emulatorSocket, QStringList *refused)
{
    if (!emulatorSocket.isEmpty())
        return std::make_unique<EmulatorUsbLibrary>(QFileInfo(emulatorSocket).absoluteFilePath());
    const UsbIds ids = readUsbIds();
    if (refused)
        *refused = ids.refused;
    return std::make_unique<LibUsbLibrary>(ids.vendorId, ids.productId);
}

bool UsbLibrary::waitForChange(int timeoutMs)
{
    std::unique_lock lock(m_waitLock);
    const quint64 seen = m_changes;
    return m_waitEnded.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                [&] { return m_changes != seen; });
}

void UsbLibrary::wakeWaiters()
{
    {
        const std::lock_guard lock(m_waitLock);
        ++m_changes;
    }
    m_waitEnded.notify_all();
}

QString telephoneIdentity(const QString &emulatorSocket)
{
    if (!emulatorSocket.isEmpty())
        return QStringLiteral("emulator:") + QFileInfo(emulatorSocket).absoluteFilePath();
    const UsbIds ids = readUsbIds();
    return QStringLiteral("usb:%1:%2")
        .arg(ids.vendorId, 4, 16, QLatin1Char('0'))
        .arg(ids.productId, 4, 16, QLatin1Char('0'));
}

QString usbOpenFailureText(const UsbOpenFailure &failure)
{
    QString text = QCoreApplication::translate("UsbLibrary", "USB设备打开失败：");
    switch (failure.kind) {
    case UsbOpenFailure::Permission:
        return text + QCoreApplication::translate(
                          "UsbLibrary", "没有访问该设备的权限。请运行 scripts/setup --udev "
                                        "安装设备规则，然后重新插入电话。");
    case UsbOpenFailure::Busy:
        return text + QCoreApplication::translate("UsbLibrary", "设备正被其他程序使用。");
    case UsbOpenFailure::None:
    case UsbOpenFailure::Other:
        break;
    }
    return text + (failure.reason.isEmpty() ? QCoreApplication::translate("UsbLibrary", "未知原因")
                                            : failure.reason);
}

} // namespace tovrel
