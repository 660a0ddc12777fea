#include "LibUsbLibrary.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace tovrel {

struct LibUsbLibrary::Hotplug
{
    // Called by libusb, in whichever thread handles its events at the time (a wait or a
    // transfer), when a telephone with the configured ids arrives or leaves.
    static int LIBUSB_CALL event(libusb_context *, libusb_device *, libusb_hotplug_event event,
                                 void *self)
    {
        auto *library = static_cast<LibUsbLibrary *>(self);
        if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT)
            ++library->m_departures;
        library->endWaits(true);
        return 0; // stay registered
    }
};

LibUsbLibrary::LibUsbLibrary(quint16 vendorId, quint16 productId)
    : m_vendorId(vendorId), m_productId(productId)
{
    if (libusb_init(&m_context) != 0) {
        m_context = nullptr;
        return;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0) {
        const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
        m_hotplug = libusb_hotplug_register_callback(m_context, events, 0, m_vendorId, m_productId,
                                                     LIBUSB_HOTPLUG_MATCH_ANY, &Hotplug::event,
                                                     this, &m_hotplugHandle) == LIBUSB_SUCCESS;
    }
}

LibUsbLibrary::~LibUsbLibrary()
{
    close();
    if (m_hotplug)
        libusb_hotplug_deregister_callback(m_context, m_hotplugHandle);
    if (m_context)
        libusb_exit(m_context);
}

void LibUsbLibrary::endWaits(bool keepIfNone)
{
    const std::lock_guard lock(m_waitLock);
    for (int *completed : m_waits)
        *completed = 1;
    if (keepIfNone && m_waits.empty())
        m_changePending = true;
}

bool LibUsbLibrary::waitForChange(int timeoutMs)
{
    if (!m_hotplug)
        return UsbLibrary::waitForChange(timeoutMs);
    // libusb checks `completed` whenever it takes or waits for the event handling, and the
    // callback or wakeWaiters() sets it before they interrupt the event handling: a change
    // that comes while this thread is about to sleep in libusb still wakes it.
    int completed = 0;
    {
        const std::lock_guard lock(m_waitLock);
        if (std::exchange(m_changePending, false))
            return true;
        m_waits.push_back(&completed);
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(std::max(timeoutMs, 0));
    bool ended = false;
    int rc = 0;
    for (;;) {
        {
            const std::lock_guard lock(m_waitLock);
            ended = completed != 0;
        }
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (ended || left <= 0 || (rc != 0 && rc != LIBUSB_ERROR_INTERRUPTED))
            break;
        timeval slice{time_t(left / 1000000), suseconds_t(left % 1000000)};
        // Ends early for other users' transfers, a signal, an interruption: the loop looks again.
        rc = libusb_handle_events_timeout_completed(m_context, &slice, &completed);
    }
    {
        const std::lock_guard lock(m_waitLock);
        std::erase(m_waits, &completed);
        ended = completed != 0;
    }
    if (ended || rc == 0 || rc == LIBUSB_ERROR_INTERRUPTED)
        return ended;
    // libusb's event handling failed: the rest of the time passes as a plain wait.
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    return UsbLibrary::waitForChange(int(std::max<qint64>(left, 0)));
}

void LibUsbLibrary::wakeWaiters()
{
    UsbLibrary::wakeWaiters();
    if (!m_hotplug)
        return;
    endWaits(false);
    libusb_interrupt_event_handler(m_context);
}

quint32 LibUsbLibrary::deviceCount()
{
    if (!m_context)
        return 0;
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(m_context, &list);
    quint32 count = 0;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) == 0 &&
            descriptor.idVendor == m_vendorId && descriptor.idProduct == m_productId)
            ++count;
    }
    if (list)
        libusb_free_device_list(list, 1);
    return count;
}

void LibUsbLibrary::setTimeouts(int readMs, int writeMs)
{
    m_readTimeoutMs = readMs;
    m_writeTimeoutMs = writeMs;
}

namespace {

UsbOpenFailure failureOf(int rc)
{
    UsbOpenFailure failure;
    failure.kind = rc == LIBUSB_ERROR_ACCESS ? UsbOpenFailure::Permission
                   : rc == LIBUSB_ERROR_BUSY ? UsbOpenFailure::Busy
                                             : UsbOpenFailure::Other;
    failure.reason = QString::fromUtf8(libusb_strerror(rc));
    return failure;
}

// Called by libusb, in the thread that handles its events, when a transfer is handed back.
void LIBUSB_CALL markCompleted(libusb_transfer *transfer)
{
    *static_cast<int *>(transfer->user_data) = 1;
}

} // namespace

void LibUsbLibrary::noteFailure(int rc)
{
    // No device: unplugged. An I/O error or a missing endpoint: the device or its interface
    // failed. A time-out, a stall (its halt is cleared at once) or an overflow leave the link
    // standing.
    if (rc == LIBUSB_ERROR_NO_DEVICE || rc == LIBUSB_ERROR_IO || rc == LIBUSB_ERROR_NOT_FOUND)
        m_lost = true;
}

bool LibUsbLibrary::open(int number)
{
    close();
    m_openFailure = {};
    m_lost = false;
    m_aborted = false;
    if (!m_context) {
        m_openFailure = failureOf(LIBUSB_ERROR_OTHER);
        return false;
    }
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(m_context, &list);
    libusb_device *chosen = nullptr;
    int seen = 0;
    for (ssize_t i = 0; i < n && !chosen; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) == 0 &&
            descriptor.idVendor == m_vendorId && descriptor.idProduct == m_productId &&
            seen++ == number)
            chosen = list[i];
    }
    int rc = chosen ? libusb_open(chosen, &m_handle) : LIBUSB_ERROR_NO_DEVICE;
    if (rc != 0)
        m_handle = nullptr;
    if (list)
        libusb_free_device_list(list, 1);
    if (!m_handle) {
        m_openFailure = failureOf(rc);
        return false;
    }
    libusb_set_auto_detach_kernel_driver(m_handle, 1);
    rc = libusb_claim_interface(m_handle, 0);
    if (rc != 0 || !findEndpoints()) {
        m_openFailure = failureOf(rc != 0 ? rc : LIBUSB_ERROR_NOT_SUPPORTED);
        libusb_close(m_handle);
        m_handle = nullptr;
        return false;
    }
    return true;
}

bool LibUsbLibrary::findEndpoints()
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(m_handle), &config) != 0)
        return false;
    m_endpointIn = m_endpointOut = 0;
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor &alt = config->interface[0].altsetting[0];
        for (int i = 0; i < alt.bNumEndpoints; ++i) {
            const libusb_endpoint_descriptor &ep = alt.endpoint[i];
            if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
                if (!m_endpointIn) {
                    m_endpointIn = ep.bEndpointAddress;
                    m_inPacketSize = std::max<int>(ep.wMaxPacketSize, 1);
                }
            } else if (!m_endpointOut) {
                m_endpointOut = ep.bEndpointAddress;
            }
        }
    }
    libusb_free_config_descriptor(config);
    return m_endpointIn && m_endpointOut;
}

void LibUsbLibrary::flush()
{
    if (!m_handle)
        return;
    // Whatever the telephone still holds for an earlier exchange is read and dropped.
    std::vector<unsigned char> scratch(std::max(512, m_inPacketSize));
    for (int i = 0; i < 64; ++i) {
        int got = 0;
        const int rc = bulkTransfer(m_endpointIn, scratch.data(), int(scratch.size()), &got, 5);
        if (rc != 0 || got == 0)
            break;
    }
}

bool LibUsbLibrary::write(QByteArrayView bytes)
{
    if (!m_handle) {
        m_lost = true; // the link was closed
        return false;
    }
    int sent = 0;
    auto *data = reinterpret_cast<unsigned char *>(const_cast<char *>(bytes.data()));
    const int rc = bulkTransfer(m_endpointOut, data, int(bytes.size()), &sent,
                                unsigned(m_writeTimeoutMs.load()));
    if (rc != 0)
        noteFailure(rc);
    return rc == 0 && sent == bytes.size();
}

bool LibUsbLibrary::read(char *buffer, int count, int *received)
{
    *received = 0;
    if (!m_handle) {
        m_lost = true; // the link was closed
        return false;
    }
    // One transfer, sized in whole packets: an answer longer than asked for shows as more bytes
    // received than `count` (or as libusb's overflow, a failure), never as the answer asked for.
    const int packets = (std::max(count, 1) + m_inPacketSize - 1) / m_inPacketSize;
    std::vector<unsigned char> transfer(size_t(packets) * size_t(m_inPacketSize));
    int got = 0;
    const int rc = bulkTransfer(m_endpointIn, transfer.data(), int(transfer.size()), &got,
                                unsigned(m_readTimeoutMs.load()));
    if (rc != 0) {
        noteFailure(rc);
        return false;
    }
    std::copy_n(transfer.data(), std::min(got, count), reinterpret_cast<unsigned char *>(buffer));
    *received = got;
    return true;
}

int LibUsbLibrary::bulkTransfer(unsigned char endpoint, unsigned char *data, int length,
                                int *transferred, unsigned timeoutMs)
{
    *transferred = 0;
    if (m_aborted.load())
        return LIBUSB_ERROR_INTERRUPTED;
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    if (!transfer)
        return LIBUSB_ERROR_NO_MEM;
    int completed = 0;
    libusb_fill_bulk_transfer(transfer, m_handle, endpoint, data, length, markCompleted, &completed,
                              timeoutMs);
    if (const int rc = libusb_submit_transfer(transfer); rc != 0) {
        libusb_free_transfer(transfer);
        return rc;
    }
    // libusb's own time-out ends the transfer; an abort cancels it. Either way the transfer is
    // waited for until libusb hands it back, so its buffer is never left in use.
    bool cancelled = false;
    while (!completed) {
        timeval slice{0, 50 * 1000};
        const int rc = libusb_handle_events_timeout_completed(m_context, &slice, &completed);
        if (!cancelled && !completed && (rc != 0 || m_aborted.load())) {
            cancelled = true;
            libusb_cancel_transfer(transfer); // not found: it is being handed back already
        }
    }
    *transferred = transfer->actual_length;
    int rc = 0;
    switch (transfer->status) {
    case LIBUSB_TRANSFER_COMPLETED:
        rc = 0;
        break;
    case LIBUSB_TRANSFER_TIMED_OUT:
        rc = LIBUSB_ERROR_TIMEOUT;
        break;
    case LIBUSB_TRANSFER_STALL:
        // The telephone halted the endpoint: this exchange has failed, but the halt stays until
        // the host clears it, and every later transfer on the endpoint would stall too.
        rc = LIBUSB_ERROR_PIPE;
        libusb_clear_halt(m_handle, endpoint);
        break;
    case LIBUSB_TRANSFER_OVERFLOW:
        rc = LIBUSB_ERROR_OVERFLOW;
        break;
    case LIBUSB_TRANSFER_NO_DEVICE:
        rc = LIBUSB_ERROR_NO_DEVICE;
        break;
    case LIBUSB_TRANSFER_CANCELLED:
        rc = LIBUSB_ERROR_INTERRUPTED;
        break;
    default:
        rc = LIBUSB_ERROR_IO;
        break;
    }
    libusb_free_transfer(transfer);
    return rc;
}

void LibUsbLibrary::close()
{
    if (!m_handle)
        return;
    libusb_release_interface(m_handle, 0);
    libusb_close(m_handle);
    m_handle = nullptr;
}

} // namespace tovrel
