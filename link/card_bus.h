#pragma once

#include <cstdint>
#include <string>

#include "link/link_clock.h"
#include "link/port_io.h"

namespace zorvex {

enum TransferMode : uint8_t { TransferAuto = 0, TransferSpp = 1, TransferEpp = 2 };

// Where a block read starts: the cartridge-bus address in registers 1 and 0.
struct RunStart {
    uint8_t high = 0;
    uint8_t low = 0;
};

// The wire to the card: one parallel port, the register cycles of the card's
// protocol over SPP or EPP, the command forms that reach the flash chip
// through the cartridge's mapper, and the bracket that takes the port from
// the system for one card operation and gives it back. It holds only what the
// wire needs (the port, the mode, the bracket); which chip is on the card and
// what a job is doing belong to the chip programmers and the jobs.
class CardBus {
  public:
    CardBus(PortCycles& io, LinkClock& clock) : io_(io), clock_(clock) {}
    CardBus(const CardBus&) = delete;
    CardBus& operator=(const CardBus&) = delete;

    // --- The port ------------------------------------------------------------
    // Points the cycles at the port at `base` (0: none; nothing is accessed
    // then). Inside an operation the claim moves to the new port.
    void SelectBase(uint16_t base);
    uint16_t base() const { return base_; }
    bool spp() const { return spp_; }
    void SetSpp(bool spp) { spp_ = spp; }

    // --- Register cycles -------------------------------------------------------
    void SetControl(uint8_t value);
    void SelectRegister(uint8_t reg);
    void WriteRegister(uint8_t reg, uint8_t value);
    void WriteData(uint8_t value);
    uint8_t ReadData();
    // `count` WriteData / ReadData calls in a row; over EPP one run of data
    // cycles through the port's block operations.
    void WriteDataRun(const uint8_t* values, int count);
    // A read run the caller has just addressed in block mode from `start`.
    // Over EPP the port may read it in a fast mode that cannot tell which
    // cycle went unanswered; such a run is addressed again from `start` and
    // read byte by byte, so its bytes and where it stops are exactly those of
    // the byte-by-byte read.
    void ReadDataRun(uint8_t* values, int count, RunStart start);
    // Reads up to `count` bytes, stopping at the first that differs from
    // `expected`: its index, or -1 when all matched.
    int CompareDataRun(const uint8_t* expected, int count, RunStart start);

    void EngageCard();
    void ReleaseCard();
    int ProbeLink();  // 0 the card echoed, 1 it did not
    // Settles SPP or EPP on the selected port as `mode` asks (Auto prefers
    // EPP where both work); 0 ok, 1 no card answered.
    int ChooseTransferMode(uint8_t mode);

    // --- Command forms ---------------------------------------------------------
    void SetBusAddress(uint16_t address);
    void BusWrite(uint16_t address, uint8_t value);
    void WriteHere(uint8_t value);
    uint8_t ReadHere();
    void FlashWriteCycle(uint8_t value);
    void DirectCommand(uint16_t address, uint8_t value);
    void BankedCommand(uint32_t linear, uint8_t value);
    void DoubledCommand(uint32_t word, uint8_t value);
    void LinearCommand(uint32_t linear, uint8_t value);

    // Reads `pageCount` 256-byte pages of ROM bank `bank` from its start.
    void ReadRomPages(int bank, uint8_t* buffer, int pageCount);

    // --- Operation bracket -------------------------------------------------------
    // One card operation, from taking the port to giving it back. Brackets
    // nest; the port is taken at the outermost Begin and given back at its End,
    // and a SelectBase inside an operation moves the claim to the new port.
    void BeginOperation();
    void EndOperation();
    // Why the selected port could not be used in the last operation (empty
    // when it could), for the second line of a detection failure.
    std::string PortProblem() const;
    std::string AccessProblem(uint16_t base) const { return io_.AccessProblem(base); }

    LinkClock& clock() { return clock_; }

  private:
    void Out(PortRegister reg, uint8_t value) { io_.Write(base_, reg, value); }
    uint8_t In(PortRegister reg) { return io_.Read(base_, reg); }
    void Claim();
    void Unclaim();
    // Addresses a read run again after the fast mode lost it.
    void AddressRunAgain(RunStart start);

    PortCycles& io_;
    LinkClock& clock_;
    uint16_t base_ = 0;
    bool spp_ = false;
    int operationDepth_ = 0;
    uint16_t claimedBase_ = 0;  // the port inside the current bracket, 0 = none
};

// Brackets one card operation for the lifetime of the object.
class CardOperation {
  public:
    explicit CardOperation(CardBus& bus) : bus_(bus) { bus_.BeginOperation(); }
    ~CardOperation() { bus_.EndOperation(); }
    CardOperation(const CardOperation&) = delete;
    CardOperation& operator=(const CardOperation&) = delete;

  private:
    CardBus& bus_;
};

}  // namespace zorvex
