#pragma once

#include "EmulatorOptions.h"
#include "PhoneEmulator.h"
#include "PhoneMemory.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <pthread.h>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace tovrel::test {

// The telephone at the kernel's USB interface: a umockdev testbed holds one USB device with
// the telephone's ids (one interface, bulk endpoints 0x01 OUT and 0x81 IN, 64-byte packets) and
// answers libusb's usbdevfs ioctls from the emulator's telephone model, so the unchanged libusb
// backend finds, opens and talks to it. The program must run under umockdev's preload
// (umockdev-wrapper), and the fixture must exist before the first libusb context.
//
// Commands written to the OUT endpoint are answered at once from the model (the same memory,
// records and password as tovrel-phone-emulator); answers go out in 64-byte packets, the last
// one short. An IN transfer ends when it is full or a short packet arrives; a packet that does
// not fit what is left of it ends it with an overflow. Faults are set per command, counted from
// 0 in the order the commands arrive.
//
// umockdev's device node is a plain file, which poll() always reports ready; the fixture
// replaces it with a FIFO that it keeps full (not writable) while no URB can be reaped and
// empty (writable) while one can, so libusb's event loop sleeps until there is work.
//
// The ioctls are answered on umockdev's own thread; every member the handler touches is held
// under one pthread mutex.
class UmockdevPhone
{
public:
    static constexpr quint16 kVendorId = 0x10C4;
    static constexpr quint16 kProductId = 0xEA61;

    explicit UmockdevPhone(const emulator::EmulatorOptions &options, quint16 vendorId = kVendorId,
                           quint16 productId = kProductId);
    ~UmockdevPhone();
    UmockdevPhone(const UmockdevPhone &) = delete;
    UmockdevPhone &operator=(const UmockdevPhone &) = delete;

    // Empty when the testbed and the device were made, else why not.
    QString error() const { return m_error; }
    const emulator::PhoneMemory &memory() const { return *m_memory; }

    // Attaches the device (again, after unplug()).
    bool plug();
    // Detaches it as the kernel would: a remove event, the device gone from /sys and /dev,
    // waiting transfers ended with "no device", every later ioctl refused.
    void unplug();
    // While unplugged: the telephone holds what `options` make of it from now on.
    bool load(const emulator::EmulatorOptions &options);

    // Command `n` gets no answer at all.
    void silence(int n);
    // The answer to command `n` arrives only after the host has given up waiting for it (its
    // transfer was discarded at the time-out); the next transfer finds it.
    void answerLate(int n);
    // The answer to command `n` carries `extra` more bytes than the model's.
    void answerLong(int n, int extra);
    // The telephone is pulled out when command `n` arrives: its answer never comes and the
    // waiting read ends with "no device". Call unplug() afterwards to take it out of /sys.
    void vanishAt(int n);
    // `endpoint` (0x01 or 0x81) halts at command `n`, as a telephone signals a protocol error:
    // the command or its answer is lost, and every transfer on that endpoint ends with a stall
    // until the host clears the halt.
    void stallAt(int n, int endpoint);

    int commandCount() const;
    QList<QByteArray> commands() const;
    // Every ioctl the device node received, and those of one request.
    int ioctlCount() const;
    int ioctlCount(unsigned long request) const;

private:
    struct Urb
    {
        quint64 address = 0;
        bool in = false;
        int length = 0;
        int status = 0;
        QByteArray data;
    };

    static int onIoctl(UMockdevIoctlBase *handler, UMockdevIoctlClient *client, void *self);
    bool handle(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client);
    void reap(UMockdevIoctlClient *client);
    void discard(UMockdevIoctlClient *client);
    void command(const QByteArray &bytes);
    void queueAnswer(const QByteArray &answer);
    void serveIn();
    void endAllWaiting(int status);
    void updateReadiness();
    bool makeFifo();

    class Lock;

    QString m_error;
    std::unique_ptr<emulator::PhoneMemory> m_memory;
    std::unique_ptr<emulator::PhoneEmulator> m_model;
    quint16 m_vendorId;
    quint16 m_productId;
    UMockdevTestbed *m_testbed = nullptr;
    UMockdevIoctlBase *m_handler = nullptr;
    QByteArray m_root;
    QByteArray m_sysPath;
    int m_fifo = -1;

    mutable pthread_mutex_t m_mutex = PTHREAD_MUTEX_INITIALIZER;
    bool m_inSys = false;   // the device is in /sys and /dev
    bool m_present = false; // it answers ioctls
    std::deque<QByteArray> m_packets;
    QList<Urb> m_waiting; // submitted IN transfers not yet ended, oldest first
    std::deque<Urb> m_done;
    QByteArray m_lateAnswer;
    QList<QByteArray> m_commands;
    QList<unsigned long> m_ioctls;
    QList<int> m_silent;
    QList<int> m_late;
    QList<QPair<int, int>> m_long;
    int m_vanishAt = -1;
    QList<QPair<int, int>> m_stalls; // command, endpoint
    QList<int> m_halted;             // endpoints halted until cleared
};

} // namespace tovrel::test
