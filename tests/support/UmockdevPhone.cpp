#include "UmockdevPhone.h"

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovrel::test {

namespace {

constexpr int kPacketSize = 64;
constexpr const char *kDevNode = "/dev/bus/usb/001/002";

// Device descriptor, then one configuration with one vendor-specific interface holding a bulk
// IN endpoint 0x81 and a bulk OUT endpoint 0x01 of 64-byte packets.
QByteArray descriptorsHex(quint16 vendorId, quint16 productId)
{
    auto le16 = [](quint16 v) {
        return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0') +
               QByteArray::number(v >> 8, 16).rightJustified(2, '0');
    };
    return "1201000200000040" + le16(vendorId) + le16(productId) +
           "000101020301"       // bcdDevice 1.00, string indices, one configuration
           "090220000101008032" // configuration 1: 32 bytes in all, one interface
           "0904000002ff000000" // interface 0: two endpoints, vendor class
           "07058102400000"     // endpoint 0x81: bulk IN, 64-byte packets
           "07050102400000";    // endpoint 0x01: bulk OUT, 64-byte packets
}

} // namespace

class UmockdevPhone::Lock
{
public:
    explicit Lock(pthread_mutex_t &m) : m_m(m) { pthread_mutex_lock(&m_m); }
    ~Lock() { pthread_mutex_unlock(&m_m); }

private:
    pthread_mutex_t &m_m;
};

UmockdevPhone::UmockdevPhone(const emulator::EmulatorOptions &options, quint16 vendorId,
                             quint16 productId)
    : m_vendorId(vendorId), m_productId(productId)
{
    QString error;
    auto memory = emulator::PhoneMemory::build(options, &error);
    if (!memory) {
        m_error = QStringLiteral("telephone memory: ") + error;
        return;
    }
    m_memory = std::make_unique<emulator::PhoneMemory>(*memory);
    m_model = std::make_unique<emulator::PhoneEmulator>(options, *memory);

    m_testbed = umockdev_testbed_new();
    if (!m_testbed || !umockdev_in_mock_environment()) {
        m_error = QStringLiteral("not running under umockdev-wrapper");
        return;
    }
    gchar *root = umockdev_testbed_get_root_dir(m_testbed);
    m_root = root;
    g_free(root);
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&UmockdevPhone::onIoctl), this);
    plug();
}

UmockdevPhone::~UmockdevPhone()
{
    if (m_handler)
        g_signal_handlers_disconnect_by_data(m_handler, this);
    // Whatever the ioctl thread did last is ordered before the teardown by the lock it held.
    {
        Lock lock(m_mutex);
    }
    if (m_testbed) {
        if (m_inSys)
            umockdev_testbed_detach_ioctl(m_testbed, kDevNode, nullptr);
        g_object_unref(m_testbed);
    }
    if (m_handler)
        g_object_unref(m_handler);
    if (m_fifo >= 0)
        ::close(m_fifo);
    pthread_mutex_destroy(&m_mutex);
}

bool UmockdevPhone::plug()
{
    if (!m_testbed || !m_handler)
        return false;
    {
        Lock lock(m_mutex);
        if (m_inSys)
            return true;
        m_packets.clear();
        m_waiting.clear();
        m_done.clear();
        m_lateAnswer.clear();
        // It answers before the add event goes out, as a kernel's device does: a program that
        // hears of the arrival may open it at once.
        m_present = true;
    }
    GError *gerror = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_testbed, kDevNode, m_handler, &gerror)) {
        m_error = QStringLiteral("attach_ioctl: ") + QString::fromUtf8(gerror->message);
        g_error_free(gerror);
        return false;
    }
    const QByteArray device = "P: /devices/pci0000:00/usb1/1-1\n"
                              "N: bus/usb/001/002\n"
                              "E: SUBSYSTEM=usb\n"
                              "E: DEVTYPE=usb_device\n"
                              "E: DRIVER=usb\n"
                              "E: BUSNUM=001\n"
                              "E: DEVNUM=002\n"
                              "E: DEVNAME=/dev/bus/usb/001/002\n"
                              "A: busnum=1\\n\n"
                              "A: devnum=2\\n\n"
                              "A: dev=189:1\\n\n"
                              "A: speed=12\\n\n"
                              "A: bConfigurationValue=1\\n\n"
                              "A: idVendor=" +
                              QByteArray::number(m_vendorId, 16).rightJustified(4, '0') +
                              "\\n\n"
                              "A: idProduct=" +
                              QByteArray::number(m_productId, 16).rightJustified(4, '0') +
                              "\\n\n"
                              "H: descriptors=" +
                              descriptorsHex(m_vendorId, m_productId) + "\n";
    if (!umockdev_testbed_add_from_string(m_testbed, device.constData(), &gerror)) {
        m_error = QStringLiteral("add_from_string: ") + QString::fromUtf8(gerror->message);
        g_error_free(gerror);
        return false;
    }
    m_sysPath = "/sys/devices/pci0000:00/usb1/1-1";
    if (!makeFifo())
        return false;
    Lock lock(m_mutex);
    m_present = true;
    m_inSys = true;
    updateReadiness();
    return true;
}

bool UmockdevPhone::makeFifo()
{
    const QByteArray node = m_root + kDevNode;
    if (m_fifo >= 0) {
        ::close(m_fifo);
        m_fifo = -1;
    }
    ::unlink(node.constData());
    if (::mkfifo(node.constData(), 0666) != 0) {
        m_error = QStringLiteral("mkfifo: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_fifo = ::open(node.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fifo < 0) {
        m_error = QStringLiteral("open fifo: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

void UmockdevPhone::unplug()
{
    {
        Lock lock(m_mutex);
        if (!m_inSys)
            return;
        m_inSys = false;
        m_present = false;
        endAllWaiting(-ENODEV);
        updateReadiness();
    }
    umockdev_testbed_uevent(m_testbed, m_sysPath.constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, m_sysPath.constData());
    umockdev_testbed_detach_ioctl(m_testbed, kDevNode, nullptr);
}

bool UmockdevPhone::load(const emulator::EmulatorOptions &options)
{
    auto memory = emulator::PhoneMemory::build(options, &m_error);
    Lock lock(m_mutex);
    if (!memory || m_inSys)
        return false;
    m_memory = std::make_unique<emulator::PhoneMemory>(*memory);
    m_model = std::make_unique<emulator::PhoneEmulator>(options, *memory);
    return true;
}

void UmockdevPhone::silence(int n)
{
    Lock lock(m_mutex);
    m_silent.append(n);
}

void UmockdevPhone::answerLate(int n)
{
    Lock lock(m_mutex);
    m_late.append(n);
}

void UmockdevPhone::answerLong(int n, int extra)
{
    Lock lock(m_mutex);
    m_long.append({n, extra});
}

void UmockdevPhone::vanishAt(int n)
{
    Lock lock(m_mutex);
    m_vanishAt = n;
}

void UmockdevPhone::stallAt(int n, int endpoint)
{
    Lock lock(m_mutex);
    m_stalls.append({n, endpoint});
}

int UmockdevPhone::commandCount() const
{
    Lock lock(m_mutex);
    return int(m_commands.size());
}

QList<QByteArray> UmockdevPhone::commands() const
{
    Lock lock(m_mutex);
    return m_commands;
}

int UmockdevPhone::ioctlCount() const
{
    Lock lock(m_mutex);
    return int(m_ioctls.size());
}

int UmockdevPhone::ioctlCount(unsigned long request) const
{
    Lock lock(m_mutex);
    return int(m_ioctls.count(request));
}

int UmockdevPhone::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    return static_cast<UmockdevPhone *>(self)->handle(client) ? TRUE : FALSE;
}

bool UmockdevPhone::handle(UMockdevIoctlClient *client)
{
    Lock lock(m_mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    m_ioctls.append(request);
    if (!m_present && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(quint32), nullptr);
        const quint32 value = USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(caps);
        break;
    }
    case USBDEVFS_CLEAR_HALT: {
        UMockdevIoctlData *ep = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
        unsigned endpoint = 0;
        std::memcpy(&endpoint, ep->data, sizeof endpoint);
        m_halted.removeAll(int(endpoint));
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(ep);
        break;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_RESETEP:
    case USBDEVFS_IOCTL:
        umockdev_ioctl_client_complete(client, 0, 0);
        break;
    case USBDEVFS_GETDRIVER:
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        break;
    case USBDEVFS_SUBMITURB:
        submit(client);
        break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client);
        break;
    case USBDEVFS_DISCARDURB:
        discard(client);
        break;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        break;
    }
    updateReadiness();
    return true;
}

void UmockdevPhone::submit(UMockdevIoctlClient *client)
{
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    const auto *urb = reinterpret_cast<const usbdevfs_urb *>(urbData->data);
    Urb u;
    u.address = urbData->client_addr;
    u.in = (urb->endpoint & 0x80) != 0;
    u.length = urb->buffer_length;
    const bool bulk =
        urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint == 0x81 || urb->endpoint == 0x01);
    if (!bulk || u.length < 0) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        umockdev_ioctl_data_unref(urbData);
        return;
    }
    QByteArray written;
    if (!u.in && u.length > 0) {
        UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
            urbData, offsetof(usbdevfs_urb, buffer), gsize(u.length), nullptr);
        written = QByteArray(reinterpret_cast<const char *>(buffer->data), u.length);
        umockdev_ioctl_data_unref(buffer);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    const int endpoint = urb->endpoint;
    umockdev_ioctl_data_unref(urbData);

    if (!u.in && m_stalls.contains({int(m_commands.size()), endpoint}))
        m_halted.append(endpoint); // the command itself is refused
    if (m_halted.contains(endpoint)) {
        if (!u.in)
            m_commands.append(written);
        u.status = -EPIPE;
        m_done.push_back(u);
    } else if (u.in) {
        m_waiting.append(u);
    } else {
        // The telephone takes a command whole: the OUT transfer ends at once, then it answers.
        u.data = written;
        m_done.push_back(u);
        command(written);
    }
    serveIn();
}

void UmockdevPhone::command(const QByteArray &bytes)
{
    const int n = int(m_commands.size());
    m_commands.append(bytes);
    if (n == m_vanishAt) {
        m_present = false;
        endAllWaiting(-ENODEV);
        return;
    }
    if (m_silent.contains(n))
        return;
    if (m_stalls.contains({n, 0x81})) {
        // The answer is lost: the waiting read and every later one end with a stall.
        m_halted.append(0x81);
        endAllWaiting(-EPIPE);
        return;
    }
    QByteArray answer = m_model->answer(bytes);
    for (const auto &[at, extra] : m_long) {
        if (at == n)
            answer += QByteArray(extra, char(0xA5));
    }
    if (m_late.contains(n)) {
        m_lateAnswer = answer;
        return;
    }
    queueAnswer(answer);
}

void UmockdevPhone::queueAnswer(const QByteArray &answer)
{
    for (qsizetype at = 0; at < answer.size(); at += kPacketSize)
        m_packets.push_back(answer.mid(at, kPacketSize));
}

void UmockdevPhone::serveIn()
{
    while (!m_waiting.isEmpty() && !m_packets.empty()) {
        Urb &urb = m_waiting.first();
        const QByteArray packet = m_packets.front();
        m_packets.pop_front();
        const int room = urb.length - int(urb.data.size());
        bool ended = false;
        if (packet.size() > room) {
            // Babble: the packet does not fit what is left of the transfer.
            urb.data += packet.left(room);
            urb.status = -EOVERFLOW;
            ended = true;
        } else {
            urb.data += packet;
            ended = packet.size() < kPacketSize || urb.data.size() == urb.length;
        }
        if (ended)
            m_done.push_back(m_waiting.takeFirst());
    }
}

void UmockdevPhone::endAllWaiting(int status)
{
    for (Urb &urb : m_waiting) {
        urb.status = status;
        m_done.push_back(urb);
    }
    m_waiting.clear();
}

void UmockdevPhone::reap(UMockdevIoctlClient *client)
{
    if (m_done.empty()) {
        umockdev_ioctl_client_complete(client, -1, m_present ? EAGAIN : ENODEV);
        return;
    }
    const Urb urb = m_done.front();
    m_done.pop_front();
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    // The reap argument is the caller's pointer variable: it receives the URB's address, and
    // the URB's status, length and data are written through it.
    UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
    std::memcpy(pointer->data, &urb.address, sizeof(void *));
    UMockdevIoctlData *urbData =
        umockdev_ioctl_data_resolve(pointer, 0, sizeof(usbdevfs_urb), nullptr);
    auto *target = reinterpret_cast<usbdevfs_urb *>(urbData->data);
    target->status = urb.status;
    target->actual_length = urb.in ? int(urb.data.size()) : urb.length;
    if (urb.in && !urb.data.isEmpty()) {
        UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
            urbData, offsetof(usbdevfs_urb, buffer), gsize(urb.length), nullptr);
        std::memcpy(buffer->data, urb.data.constData(), size_t(urb.data.size()));
        umockdev_ioctl_data_unref(buffer);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(urbData);
    umockdev_ioctl_data_unref(pointer);
}

void UmockdevPhone::discard(UMockdevIoctlClient *client)
{
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    quint64 address = 0;
    std::memcpy(&address, arg->data, sizeof(void *));
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        if (m_waiting[i].address != address)
            continue;
        Urb urb = m_waiting.takeAt(i);
        urb.status = -ENOENT;
        m_done.push_back(urb);
        umockdev_ioctl_client_complete(client, 0, 0);
        // A held-back answer turns up now that nobody waits for it any more.
        if (!m_lateAnswer.isEmpty()) {
            queueAnswer(m_lateAnswer);
            m_lateAnswer.clear();
        }
        return;
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

void UmockdevPhone::updateReadiness()
{
    if (m_fifo < 0)
        return;
    char scratch[4096] = {};
    if (!m_done.empty()) {
        // Writable: libusb's poll() wakes and reaps.
        while (::read(m_fifo, scratch, sizeof scratch) > 0) {
        }
        return;
    }
    // Full: poll() sleeps until the next URB ends.
    while (::write(m_fifo, scratch, sizeof scratch) > 0) {
    }
    while (::write(m_fifo, scratch, 1) > 0) {
    }
}

} // namespace tovrel::test
