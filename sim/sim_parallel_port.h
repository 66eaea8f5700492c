#pragma once

#include <cstdint>
#include <vector>

#include "link/port_io.h"
#include "sim/card_registers.h"

namespace zorvex::sim {

// How the simulated machine's parallel ports are set up.
struct SimPortSetup {
    std::vector<uint16_t> bases{0x378};  // I/O base of LPT1, LPT2, ...
    int cardPort = 1;                    // LPT number holding the card; 0 = no card anywhere
    bool epp = true;                     // the ports answer EPP cycles
    // The ports are ECP chips: EPP cycles happen only while their extended
    // control register (high base + 2, the high base being base + 0x400)
    // selects EPP mode.
    bool ecr = false;
};

// The lines between the PC and the card, as the PC drives them.
struct WireLevels {
    uint8_t data = 0;        // the data lines, when the PC drives them
    bool dataDriven = true;  // false while the port's direction bit hands them over
    uint8_t control = 0;     // nStrobe, nAutoFd, nInit, nSelectIn: control bits 0..3
    bool operator==(const WireLevels&) const = default;
};

// One EPP cycle the port's EPP hardware ran on the wire.
enum class EppCycle : uint8_t { AddressWrite, DataWrite, DataRead, AddressRead };

// Sees every change of the lines and every EPP cycle of one machine.
class WireObserver {
  public:
    virtual ~WireObserver() = default;
    virtual void LinesChanged(uint16_t base, const WireLevels& levels) = 0;
    virtual void Cycle(uint16_t base, EppCycle cycle, uint8_t value, bool answered) = 0;
};

// One raw port access as the program issued it.
struct PortAccess {
    uint16_t address = 0;
    uint8_t value = 0;  // written, or returned by the read
    bool write = false;
    bool operator==(const PortAccess&) const = default;
};

// PC parallel ports with the card plugged into one of them. Everything the card
// sees is decoded from the raw accesses alone, as strictly as the card's own
// logic takes them (control values below are the line bits, control & 0x0F):
//   SPP: from the write state 0x01 (nStrobe), control 0x09 (+ nSelectIn)
//        strobes the data byte as an address cycle and 0x03 (+ nAutoFd) as a
//        data write; the card latches when the strobe is released to 0x01.
//        From the idle state 0x00, 0x02 starts a data read and shows its low
//        nibble on status bits 3..6; 0x06 then shows the high nibble, and 0x00
//        ends the read. A nibble shows only in its own state.
//   EPP: a write at base+3 is an address cycle, base+4 a data write or read.
//        The card takes the direction from nWrite: the EPP hardware asserts it
//        for its write cycles, but only control bit 0 can assert it during a
//        read, so a read while bit 0 is set is a write of the floating bus to
//        the card and reads open bus.
//   Status bit 0 is the EPP time-out flag: set by an EPP cycle nobody answers,
//   cleared by any write to the status address. Control bit 5 hands the data
//   lines to the card; reads of the data register then see what a running
//   read makes the card drive.
// A step between two of the protocol's control values that its sequences
// never take (a strobe not set up, a nibble out of order), and a read against
// nWrite, are recorded in violations(), and the card reacts as the hardware
// would. Control values outside the protocol (the kernel's own handshakes)
// engage nothing. Rewriting the same control value starts nothing. A port
// without the card reads as an open bus (0xFF) and ignores every cycle; ports
// set up without EPP ignore EPP cycles and read 0xFF at the EPP data address.
//
// Each access takes one microsecond of simulated time (an ISA I/O cycle), the
// clock against which the flash chips' busy times run.
class SimParallelPort final : public PortIo {
  public:
    explicit SimParallelPort(SimPortSetup setup = {});
    SimParallelPort(const SimParallelPort&) = delete;
    SimParallelPort& operator=(const SimParallelPort&) = delete;

    void Out(uint16_t address, uint8_t value) override;
    uint8_t In(uint16_t address) override;

    const SimPortSetup& setup() const { return setup_; }
    // Base of the port holding the card, 0 when there is none.
    uint16_t cardBase() const { return cardBase_; }
    CardRegisters& card() { return card_; }
    // Protocol steps the card would not take as meant; empty after a correct run.
    ViolationLog& violations() { return card_.violations(); }
    // Plugs a cartridge into the card (nullptr = empty slot). Not owned.
    void SetCartridge(CartridgeBus* bus) { card_.SetBus(bus); }

    // Every access is counted; recording the accesses themselves is switched on
    // by tests that check exact cycle sequences.
    uint64_t accessCount() const { return writeCount_ + readCount_; }
    uint64_t writeCount() const { return writeCount_; }
    uint64_t readCount() const { return readCount_; }
    void ResetCounts() { writeCount_ = readCount_ = 0; }
    void StartRecording() { recording_ = true; }
    void StopRecording() { recording_ = false; }
    bool recording() const { return recording_; }
    const std::vector<PortAccess>& trace() const { return trace_; }
    void ClearTrace() { trace_.clear(); }
    // Receives every change of the lines from now on (nullptr: nobody). Not owned.
    void SetWireObserver(WireObserver* observer) { observer_ = observer; }
    WireLevels levels(uint16_t base) const;

  private:
    struct PortState {
        uint16_t base = 0;
        bool hasCard = false;
        uint8_t data = 0;
        uint8_t control = 0;
        uint8_t readLatch = 0xFF;  // the byte a running SPP read presents
        uint8_t strobe = 0;        // SPP write strobe set up and not yet released
        uint8_t nibbleState = 0;   // control value whose nibble a running read shows
        bool offProtocol = false;  // lines left by a handshake that is not the card's
        uint8_t ecr = 0x01;        // SPP mode, FIFO empty
        bool timeout = false;
        WireLevels wire;
    };
    void EppAccess(PortState& port, EppCycle cycle, uint8_t& value);
    void Publish(PortState& port);
    PortState* Find(uint16_t address, uint16_t& offset);
    void WriteControl(PortState& port, uint8_t value);
    uint8_t ReadStatus(const PortState& port) const;
    void Violation(const char* format, unsigned a, unsigned b = 0);
    void Record(uint16_t address, uint8_t value, bool write);

    SimPortSetup setup_;
    std::vector<PortState> ports_;
    uint16_t cardBase_ = 0;
    CardRegisters card_;
    uint64_t writeCount_ = 0;
    uint64_t readCount_ = 0;
    bool recording_ = false;
    std::vector<PortAccess> trace_;
    WireObserver* observer_ = nullptr;
};

}  // namespace zorvex::sim
