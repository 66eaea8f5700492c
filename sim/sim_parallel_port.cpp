#include "sim/sim_parallel_port.h"

#include <utility>

namespace zorvex::sim {

namespace {

constexpr uint16_t kPortSpan = 5;  // data, status, control, EPP address, EPP data
constexpr uint8_t kOpenBus = 0xFF;
constexpr uint16_t kEcrAddress = 0x402;  // high base (base + 0x400) + 2
constexpr uint8_t kEcrModeMask = 0xE0;
constexpr uint8_t kEcrModeEpp = 0x80;
constexpr uint8_t kDirection = 0x20;  // control bit 5: data lines handed to the card
constexpr uint8_t kTimeout = 0x01;    // status bit 0
constexpr uint8_t kLines = 0x0F;      // control bits that are lines

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
        if (port.base == 0) continue;
        if (address >= port.base && address - port.base < kPortSpan) {
            offset = static_cast<uint16_t>(address - port.base);
            return &port;
        }
        if (setup_.ecr && address == port.base + kEcrAddress) {
            offset = kEcrAddress;
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
            port->timeout = false;
            break;
        case 2:
            WriteControl(*port, value);
            break;
        case 3:
        case 4:
            EppAccess(*port, offset == 3 ? EppCycle::AddressWrite : EppCycle::DataWrite, value);
            break;
        case kEcrAddress:
            port->ecr = value;
            break;
        default:
            break;
    }
    Publish(*port);
}

void SimParallelPort::EppAccess(PortState& port, EppCycle cycle, uint8_t& value) {
    // An ECP chip outside EPP mode has no EPP registers: no cycle at all.
    if (setup_.ecr && (port.ecr & kEcrModeMask) != kEcrModeEpp) return;
    // On a chip with EPP registers the cycle runs whether or not anything
    // answers; without an answer (no card, or a card that does not take EPP
    // on an ECP chip) it ends in the time-out flag.
    const bool answered = setup_.epp && port.hasCard;
    if (answered) {
        switch (cycle) {
            case EppCycle::AddressWrite:
                card_.Select(value);
                break;
            case EppCycle::DataWrite:
                card_.Write(value);
                break;
            case EppCycle::DataRead:
                value = card_.Read();
                break;
            case EppCycle::AddressRead:
                value = card_.selected();
                break;
        }
    } else if (setup_.epp || setup_.ecr) {
        port.timeout = true;
        if (cycle == EppCycle::DataRead || cycle == EppCycle::AddressRead) value = kOpenBus;
    } else {
        return;  // an SPP-only chip has no EPP registers
    }
    if (observer_) observer_->Cycle(port.base, cycle, value, answered);
}

WireLevels SimParallelPort::levels(uint16_t base) const {
    for (const auto& port : ports_)
        if (port.base == base) return port.wire;
    return {};
}

void SimParallelPort::Publish(PortState& port) {
    WireLevels now;
    now.dataDriven = (port.control & kDirection) == 0;
    now.data = now.dataDriven ? port.data : 0;
    now.control = static_cast<uint8_t>(port.control & kLines);
    if (now == port.wire) return;
    port.wire = now;
    if (observer_) observer_->LinesChanged(port.base, now);
}

void SimParallelPort::WriteControl(PortState& port, uint8_t value) {
    const uint8_t before = port.control;
    port.control = value;
    if (!port.hasCard) return;
    // Lines handed over to the card float high; a strobe then latches 0xFF.
    const uint8_t lines = (value & kDirection) ? kOpenBus : port.data;
    if (AddressStrobe(value) && !AddressStrobe(before)) card_.Select(lines);
    if (DataWriteStrobe(value) && !DataWriteStrobe(before)) card_.Write(lines);
    if (ReadStrobe(value) && !ReadStrobe(before)) port.readLatch = card_.Read();
}

uint8_t SimParallelPort::ReadStatus(const PortState& port) const {
    // Busy and bits 1..2 carry no data; they are set so that a reader that
    // forgets to mask them gets a wrong byte. Bit 0 is the EPP time-out flag.
    uint8_t status = static_cast<uint8_t>(0x86 | (port.timeout ? kTimeout : 0));
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
                // The output latch reads back; lines handed to the card show
                // what a running read strobe makes it drive, else float high.
                if (port->control & kDirection)
                    value = ReadStrobe(port->control) ? port->readLatch : kOpenBus;
                else
                    value = port->data;
                break;
            case 1:
                value = ReadStatus(*port);
                break;
            case 2:
                value = static_cast<uint8_t>(port->control | 0xC0);
                break;
            case 3:
            case 4:
                EppAccess(*port, offset == 3 ? EppCycle::AddressRead : EppCycle::DataRead, value);
                break;
            case kEcrAddress:
                value = port->ecr;
                break;
            default:
                break;
        }
    }
    Record(address, value, false);
    return value;
}

}  // namespace zorvex::sim
