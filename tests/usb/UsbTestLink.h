#pragma once

#include "UmockdevPhone.h"

#include "device/LibUsbLibrary.h"
#include "device/TelephoneLink.h"

#include <memory>

namespace tovrel::test {

// A telephone link through the libusb backend to the fixture's telephone, opened, with a short
// time-out so that the fault tests stay quick.
inline std::shared_ptr<TelephoneLink> openUsbLink(int timeoutMs = 300)
{
    auto link = std::make_shared<TelephoneLink>(
        std::make_unique<LibUsbLibrary>(UmockdevPhone::kVendorId, UmockdevPhone::kProductId),
        timeoutMs);
    if (!link->openStep())
        return nullptr;
    return link;
}

inline emulator::EmulatorOptions generated(int count, qint64 payloadBytes, bool longForm)
{
    emulator::EmulatorOptions options;
    options.generate = count;
    options.payloadBytes = payloadBytes;
    options.form = longForm ? emulator::RecordForm::Long : emulator::RecordForm::Short;
    return options;
}

} // namespace tovrel::test
