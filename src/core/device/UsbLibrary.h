#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>

// The seven operations of the USB device library through which every exchange with the
// telephone goes. One object stands for the library and the one device handle of a run.
// Implementations: libusb for real telephones, a local socket for the emulated telephone.
namespace tovrel {

// Why the last open failed.
struct UsbOpenFailure
{
    enum Kind
    {
        None,
        Permission, // the system refused access (no udev rule for the telephone)
        Busy,       // another program holds the telephone
        Other,
    };
    Kind kind = None;
    QString reason; // the library's own words
};

class UsbLibrary
{
public:
    virtual ~UsbLibrary() = default;

    // Number of attached telephones; greater than zero means "present".
    virtual quint32 deviceCount() = 0;
    // Read and write time-outs in milliseconds, used from the next open on.
    virtual void setTimeouts(int readMs, int writeMs) = 0;
    // Opens device `number` (0 is the first telephone); true when the handle is open. An open
    // handle is replaced.
    virtual bool open(int number) = 0;
    // Drops every byte of an earlier exchange still waiting in either direction.
    virtual void flush() = 0;
    // Sends all of `bytes`; false on any failure (no device, closed link, time-out).
    virtual bool write(QByteArrayView bytes) = 0;
    // Reads one answer and copies up to `count` of its bytes into `buffer`. `received` reports
    // the answer's own length, which exceeds `count` when the answer was longer than asked for
    // (only `count` bytes are copied then). False on failure (no answer within the read
    // time-out, closed link, an answer overflowing the transfer).
    virtual bool read(char *buffer, int count, int *received) = 0;
    // Why the last open() failed (None after a successful one).
    virtual UsbOpenFailure openFailure() const { return m_openFailure; }
    // Releases the handle.
    virtual void close() = 0;
    // The link is being given up (the program is closing): a write or read in progress ends as
    // failed without waiting out its time-out, and every later one fails at once, until the
    // next open. Safe from any thread, also while another thread is inside write or read.
    virtual void abortTransfers() = 0;
    // True while the handle is open (from a successful open until close).
    virtual bool isOpen() const = 0;
    // True when the last failed write or read found the telephone gone: unplugged, a device
    // error, the link closed from the other end. A time-out on a live link is not a lost link.
    // Cleared by the next successful open.
    virtual bool linkLost() const { return false; }

    // Waiting for the telephone to come or go (the watch). True when this library hears of
    // arrivals and departures as they happen (libusb's hotplug events, where the platform has
    // them); otherwise a waiter looks at deviceCount() again after each wait (the poll tick).
    virtual bool hasHotplug() const { return false; }
    // Waits until a telephone may have arrived or left, `timeoutMs` have passed, or
    // wakeWaiters() is called: true when something other than the time-out ended the wait.
    // Without hotplug it is a plain timed wait that only wakeWaiters() cuts short.
    virtual bool waitForChange(int timeoutMs);
    // Ends every waitForChange in progress; safe from any thread.
    virtual void wakeWaiters();
    // How many times a telephone was heard leaving (hotplug): a waiter that finds the number
    // changed knows the telephone left, even when it is back by its next look. 0 without
    // hotplug.
    virtual quint64 departures() const { return 0; }

protected:
    // For an implementation's hotplug events: ends the waits as wakeWaiters() does.
    void noteChange() { wakeWaiters(); }

    UsbOpenFailure m_openFailure;

private:
    std::mutex m_waitLock;
    std::condition_variable m_waitEnded;
    quint64 m_changes = 0; // under m_waitLock: how many times a wait was ended
};

// The message for a failed open: "USB设备打开失败：" and the reason; for a refused permission
// it says how to install the telephone's udev rule.
QString usbOpenFailureText(const UsbOpenFailure &failure);

// The telephone's USB ids when SysConf.ini names none: the USB bridge chip's own default pair.
constexpr quint16 kDefaultVendorId = 0x10C4;
constexpr quint16 kDefaultProductId = 0xEA61;

struct UsbIds
{
    quint16 vendorId = kDefaultVendorId;
    quint16 productId = kDefaultProductId;
    // One message for each value of the file that is not a hexadecimal 16-bit id and was
    // replaced by its default.
    QStringList refused;
};

// The telephone's ids from SysConf.ini (section Device, keys VendorId and ProductId, hexadecimal
// with or without "0x"); a missing value keeps its default silently, an unreadable one keeps it
// with a message in `refused`.
UsbIds readUsbIds();

// The library a run uses: the emulated telephone on `emulatorSocket` when it is not empty (a
// relative path is taken from the working folder), else libusb with the ids of SysConf.ini.
// `refused` receives the messages of readUsbIds() for values that were replaced.
std::unique_ptr<UsbLibrary> createUsbLibrary(const QString &emulatorSocket,
                                             QStringList *refused = nullptr);

// The telephone's identity, under which its password is kept in the desktop's keyring:
// "usb:VVVV:PPPP" (the ids of SysConf.ini, lower-case hexadecimal) for the real telephone,
// "emulator:" and the socket's absolute path for the emulated one.
QString telephoneIdentity(const QString &emulatorSocket);

} // namespace tovrel
