#pragma once

#include "UsbLibrary.h"

#include <atomic>
#include <mutex>
#include <vector>

struct libusb_context;
struct libusb_device_handle;

namespace tovrel {

// The real telephone through libusb: device 0 is the first attached device with the configured
// vendor and product ids. Commands go to the first bulk OUT endpoint of interface 0, answers
// come from its first bulk IN endpoint; a read returns what one transfer delivered.
// Where libusb has hotplug events, a telephone with these ids arriving or leaving ends
// waitForChange at once (one heard while nobody waits, during an upload say, ends the next wait
// at once); the wait sleeps in libusb's event handling meanwhile.
class LibUsbLibrary final : public UsbLibrary
{
public:
    LibUsbLibrary(quint16 vendorId, quint16 productId);
    ~LibUsbLibrary() override;

    quint32 deviceCount() override;
    void setTimeouts(int readMs, int writeMs) override;
    bool open(int number) override;
    void flush() override;
    bool write(QByteArrayView bytes) override;
    bool read(char *buffer, int count, int *received) override;
    void close() override;
    void abortTransfers() override { m_aborted = true; }
    bool isOpen() const override { return m_handle != nullptr; }
    bool linkLost() const override { return m_lost.load(); }
    bool hasHotplug() const override { return m_hotplug; }
    quint64 departures() const override { return m_departures.load(); }
    bool waitForChange(int timeoutMs) override;
    void wakeWaiters() override;

private:
    struct Hotplug; // libusb's callback
    // Sets the completion flag of every wait in progress; with none and `keepIfNone`, the next
    // wait ends at once.
    void endWaits(bool keepIfNone);
    bool findEndpoints();
    // Notes whether a failed transfer's code means the telephone is gone.
    void noteFailure(int rc);
    // One bulk transfer on `endpoint`, as libusb_bulk_transfer, but its wait is cut in short
    // slices so that abortTransfers() cancels it (LIBUSB_ERROR_INTERRUPTED).
    int bulkTransfer(unsigned char endpoint, unsigned char *data, int length, int *transferred,
                     unsigned timeoutMs);

    quint16 m_vendorId;
    quint16 m_productId;
    libusb_context *m_context = nullptr;
    libusb_device_handle *m_handle = nullptr;
    unsigned char m_endpointIn = 0;
    unsigned char m_endpointOut = 0;
    int m_inPacketSize = 64;
    std::atomic<int> m_readTimeoutMs{10000};
    std::atomic<int> m_writeTimeoutMs{10000};
    std::atomic<bool> m_lost{false};
    // Set by abortTransfers(), cleared by the next open.
    std::atomic<bool> m_aborted{false};

    bool m_hotplug = false; // a callback is registered
    int m_hotplugHandle = 0;
    std::atomic<quint64> m_departures{0};
    std::mutex m_waitLock;
    // Under m_waitLock: the completion flag of each waitForChange in progress, which libusb's
    // event handling checks, and whether an arrival or departure came while nobody waited.
    std::vector<int *> m_waits;
    bool m_changePending = false;
};

} // namespace tovrel
