#include "sim/sim_parallel_port.h"

#include <utility>

namespace zorvex::sim {

namespace {

constexpr uint16_t kPortSpan = 5;  // data, status, control, EPP address, EPP data
constexpr uint8_t kOpenBus = 0xFF;

// Strobe lines of the control register as the card decodes them.
bool AddressStrobe(uint8_t c) {
    return (c & 0x09) == 0x09;
}
bool DataWriteStrobe(uint8_t c) {
    return (c & 0x0B) == 0x03;
}
bool ReadStrobe(uint8_t c) {
    return (c & 0x03) == 0x02;
}
bool HighNibbleSelected(uint8_t c) {
    return (c & 0x04) != 0;
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

void SimParallelPort::Out(uint16_t address, uint8_t value) {
    ++writeCount_;
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
    if (!port.hasCard) return;
    if (AddressStrobe(value) && !AddressStrobe(before)) card_.Select(port.data);
    if (DataWriteStrobe(value) && !DataWriteStrobe(before)) card_.Write(port.data);
    if (ReadStrobe(value) && !ReadStrobe(before)) port.readLatch = card_.Read();
}

uint8_t SimParallelPort::ReadStatus(const PortState& port) const {
    // Busy and bits 0..2 carry no data; they are set so that a reader that
    // forgets to mask them gets a wrong byte.
    uint8_t status = 0x87;
    if (ReadStrobe(port.control)) {
        const uint8_t nibble =
            HighNibbleSelected(port.control) ? port.readLatch >> 4 : port.readLatch & 0x0F;
        status = static_cast<uint8_t>(status | nibble << 3);
    }
    return status;
}

uint8_t SimParallelPort::In(uint16_t address) {
    ++readCount_;
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
                if (setup_.epp) value = card_.Read();
                break;
            default:
                break;
        }
    }
    Record(address, value, false);
    return value;
}

}  // namespace zorvex::sim
