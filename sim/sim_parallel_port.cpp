#include "sim/sim_parallel_port.h"

#include <cstdio>
#include <utility>

#include "link/link_clock.h"

namespace zorvex::sim {

namespace {

constexpr uint16_t kPortSpan = 5;  // data, status, control, EPP address, EPP data
constexpr uint8_t kOpenBus = 0xFF;
constexpr uint64_t kAccessMicros = 1;
constexpr uint16_t kEcrAddress = 0x402;  // high base (base + 0x400) + 2
constexpr uint8_t kEcrModeMask = 0xE0;
constexpr uint8_t kEcrModeEpp = 0x80;
constexpr uint8_t kDirection = 0x20;  // control bit 5: data lines handed to the card
constexpr uint8_t kTimeout = 0x01;    // status bit 0
constexpr uint8_t kLines = 0x0F;      // control bits that are lines
constexpr uint8_t kNWrite = 0x01;     // control bit 0: nStrobe, the card's nWrite

// Control values of the protocol and the steps between them.
constexpr uint8_t kIdle = 0x00;
constexpr uint8_t kWrite = 0x01;
constexpr uint8_t kAddressStrobe = 0x09;
constexpr uint8_t kDataStrobe = 0x03;
constexpr uint8_t kReadLow = 0x02;
constexpr uint8_t kReadHigh = 0x06;
constexpr uint8_t kReleased = 0x04;

bool ProtocolValue(uint8_t c) {
    return c == kIdle || c == kWrite || c == kAddressStrobe || c == kDataStrobe || c == kReadLow ||
           c == kReadHigh || c == kReleased;
}

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
    const bool read = cycle == EppCycle::DataRead || cycle == EppCycle::AddressRead;
    if (answered && read && (port.control & kNWrite)) {
        // nWrite asserted through the whole read: the card takes a write of
        // the floating bus and drives nothing.
        Violation(cycle == EppCycle::DataRead
                      ? "EPP data read with nWrite asserted (control 0x%02X)"
                      : "EPP address read with nWrite asserted (control 0x%02X)",
                  port.control);
        if (cycle == EppCycle::DataRead)
            card_.Write(kOpenBus);
        else
            card_.Select(kOpenBus);
        value = kOpenBus;
    } else if (answered) {
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
        if (read) value = kOpenBus;
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
    if (!port.hasCard || before == value) return;
    // The direction bit is no line; with the data lines handed over, a strobe
    // would latch the floating bus, which the protocol never asks for.
    const uint8_t lines = (value & kDirection) ? kOpenBus : static_cast<uint8_t>(value & kLines);
    const uint8_t lastLines =
        (before & kDirection) ? kOpenBus : static_cast<uint8_t>(before & kLines);
    if (lines == lastLines) return;
    if (!ProtocolValue(lines) || !ProtocolValue(lastLines)) {
        // The kernel's own handshakes (negotiation, software EPP) are no step
        // of the card's protocol: they engage nothing, and the card waits for
        // a state a sequence starts from before it judges steps again.
        port.strobe = 0;
        port.nibbleState = 0;
        port.offProtocol = true;
        return;
    }
    if (port.offProtocol) {
        port.offProtocol = lines != kIdle && lines != kWrite && lines != kReleased;
        port.strobe = 0;
        port.nibbleState = 0;
        return;
    }
    if (!Allowed(lastLines, lines)) {
        Violation("control 0x%02X after 0x%02X", lines, lastLines);
        port.strobe = 0;
        port.nibbleState = 0;
        return;
    }
    switch (lines) {
        case kAddressStrobe:
        case kDataStrobe:
            port.strobe = lines;
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

uint8_t SimParallelPort::ReadStatus(const PortState& port) const {
    // Busy and bits 1..2 carry no data; they are set so that a reader that
    // forgets to mask them gets a wrong byte. Bit 0 is the EPP time-out flag.
    uint8_t status = static_cast<uint8_t>(0x86 | (port.timeout ? kTimeout : 0));
    // A nibble shows only in its own step of a read; elsewhere bits 3..6 float
    // high, so a nibble read out of its state reads a wrong byte.
    const uint8_t lines = static_cast<uint8_t>(port.control & (kLines | kDirection));
    uint8_t nibble = 0x0F;
    if (port.nibbleState == kReadLow && lines == kReadLow) nibble = port.readLatch & 0x0F;
    if (port.nibbleState == kReadHigh && lines == kReadHigh) nibble = port.readLatch >> 4;
    return static_cast<uint8_t>(status | nibble << 3);
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
                // The output latch reads back; lines handed to the card float
                // high, since the card drives data only for a nibble read.
                value = (port->control & kDirection) ? kOpenBus : port->data;
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
