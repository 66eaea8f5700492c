#include "sim/sim_parallel_port.h"

#include <cstdio>
#include <utility>

#include "link/link_clock.h"

namespace zorvex::sim {

namespace {

constexpr uint16_t kPortSpan = 5;  // data, status, control, EPP address, EPP data
constexpr uint8_t kOpenBus = 0xFF;
constexpr uint64_t kAccessMicros = 1;

// Control values of the protocol and the steps between them.
constexpr uint8_t kIdle = 0x00;
constexpr uint8_t kWrite = 0x01;
constexpr uint8_t kAddressStrobe = 0x09;
constexpr uint8_t kDataStrobe = 0x03;
constexpr uint8_t kReadLow = 0x02;
constexpr uint8_t kReadHigh = 0x06;
constexpr uint8_t kReleased = 0x04;

// True when `after` may follow `before` in the protocol's sequences.
bool Allowed(uint8_t before, uint8_t after) {
    if (before == after || after == kReleased) return true;
    switch (after) {
        case kWrite:
            return before == kIdle || before == kAddressStrobe || before == kDataStrobe ||
                   before == kReleased;
        case kAddressStrobe:
        case kDataStrobe:
            return before == kWrite;
        case kIdle:
            return before == kWrite || before == kReadHigh || before == kReleased;
        case kReadLow:
            return before == kIdle;
        case kReadHigh:
            return before == kReadLow;
        default:
            return false;
    }
}

}  // namespace

SimParallelPort::SimParallelPort(SimPortSetup setup) : setup_(std::move(setup)) {
    for (size_t i = 0; i < setup_.bases.size(); ++i) {
        PortState port;
        port.base = setup_.bases[i];
        port.hasCard = port.base != 0 && static_cast<int>(i) + 1 == setup_.cardPort;
        if (port.hasCard) cardBase_ = port.base;
        ports_.push_back(port);
    }
}

SimParallelPort::PortState* SimParallelPort::Find(uint16_t address, uint16_t& offset) {
    for (auto& port : ports_) {
        if (port.base != 0 && address >= port.base && address - port.base < kPortSpan) {
            offset = static_cast<uint16_t>(address - port.base);
            return &port;
        }
    }
    return nullptr;
}

void SimParallelPort::Record(uint16_t address, uint8_t value, bool write) {
    if (recording_) trace_.push_back({address, value, write});
}

void SimParallelPort::Violation(const char* format, unsigned a, unsigned b) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    card_.violations().Record(text);
}

void SimParallelPort::Out(uint16_t address, uint8_t value) {
    ++writeCount_;
    SimulatedTime::Advance(kAccessMicros);
    Record(address, value, true);
    uint16_t offset = 0;
    PortState* port = Find(address, offset);
    if (!port) return;
    switch (offset) {
        case 0:
            port->data = value;
            break;
        case 1:
            // Clears the EPP time-out flag on real ports; no simulated cycle times out.
            break;
        case 2:
            WriteControl(*port, value);
            break;
        case 3:
        case 4:
            if (!setup_.epp || !port->hasCard) break;
            port->data = value;
            if (!(port->control & kWrite)) {
                // nWrite released: the card drives a read cycle and the byte is lost.
                Violation(offset == 3 ? "EPP address write of 0x%02X with nWrite released"
                                      : "EPP data write of 0x%02X with nWrite released",
                          value);
                if (offset == 4) card_.Read();
                break;
            }
            if (offset == 3) {
                card_.Select(value);
            } else {
                card_.Write(value);
            }
            break;
        default:
            break;
    }
}

void SimParallelPort::WriteControl(PortState& port, uint8_t value) {
    const uint8_t before = port.control;
    port.control = value;
    if (!port.hasCard || before == value) return;
    if (!Allowed(before, value)) {
        Violation("control 0x%02X after 0x%02X", value, before);
        port.strobe = 0;
        port.nibbleState = 0;
        return;
    }
    switch (value) {
        case kAddressStrobe:
        case kDataStrobe:
            port.strobe = value;
            break;
        case kWrite:
            // The card latches on the release of a strobe it saw set up.
            if (port.strobe == kAddressStrobe) card_.Select(port.data);
            if (port.strobe == kDataStrobe) card_.Write(port.data);
            port.strobe = 0;
            break;
        case kReadLow:
            port.readLatch = card_.Read();
            port.nibbleState = kReadLow;
            break;
        case kReadHigh:
            port.nibbleState = port.nibbleState == kReadLow ? kReadHigh : 0;
            break;
        default:
            port.strobe = 0;
            port.nibbleState = 0;
            break;
    }
}

uint8_t SimParallelPort::ReadStatus(PortState& port) {
    if (port.nibbleState == 0 || port.nibbleState != port.control) {
        Violation("status read with control 0x%02X, outside a nibble read", port.control);
        return kOpenBus;
    }
    // Busy and bits 0..2 carry no data; they are set so that a reader that
    // forgets to mask them gets a wrong byte.
    const uint8_t nibble =
        port.nibbleState == kReadHigh ? port.readLatch >> 4 : port.readLatch & 0x0F;
    return static_cast<uint8_t>(0x87 | nibble << 3);
}

uint8_t SimParallelPort::In(uint16_t address) {
    ++readCount_;
    SimulatedTime::Advance(kAccessMicros);
    uint16_t offset = 0;
    PortState* port = Find(address, offset);
    uint8_t value = kOpenBus;
    if (port && port->hasCard) {
        switch (offset) {
            case 0:
                value = port->data;  // the output latch reads back
                break;
            case 1:
                value = ReadStatus(*port);
                break;
            case 2:
                value = static_cast<uint8_t>(port->control | 0xC0);
                break;
            case 4:
                if (!setup_.epp) break;
                if (port->control & kWrite) {
                    // nWrite asserted: the card takes a write of the floating bus.
                    Violation("EPP data read with nWrite asserted (control 0x%02X)", port->control);
                    card_.Write(kOpenBus);
                    break;
                }
                value = card_.Read();
                break;
            default:
                break;
        }
    }
    Record(address, value, false);
    return value;
}

}  // namespace zorvex::sim
