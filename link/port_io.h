#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvex {

// The five registers of a PC parallel port, at these offsets from its base.
enum class PortRegister : uint8_t {
    Data = 0,
    Status = 1,
    Control = 2,
    EppAddress = 3,
    EppData = 4
};

constexpr uint16_t RegisterAddress(uint16_t base, PortRegister reg) {
    return static_cast<uint16_t>(base + static_cast<uint16_t>(reg));
}

// What the card's bus asks of a parallel port: one cycle on one of its
// registers, or a run of EPP data cycles. The bus names the kind of cycle, so
// a backend that reaches the port through the kernel (ppdev, where EPP address
// and data cycles are modes, not addresses) never has to decode an address.
//
// The bus brackets every card operation with BeginOperation/EndOperation for
// the port it drives, so a backend that has to take the port from the kernel
// knows exactly when to take it and when to give it back, instead of guessing
// from the values written. Brackets never nest for one port, and accesses to
// a port come only between its Begin and End.
class PortCycles {
  public:
    virtual ~PortCycles() = default;
    virtual void Write(uint16_t base, PortRegister reg, uint8_t value) = 0;
    virtual uint8_t Read(uint16_t base, PortRegister reg) = 0;

    // A run of `count` EPP data cycles in one direction, in order: a page
    // read back, a buffer written. The run is exactly the cycles Write/Read
    // would make one by one, so a backend whose accesses cost nothing extra
    // keeps these loops; one that pays for each call into the kernel passes
    // the run in one call.
    virtual void WriteEppData(uint16_t base, const uint8_t* values, size_t count) {
        for (size_t i = 0; i < count; ++i) Write(base, PortRegister::EppData, values[i]);
    }
    virtual void ReadEppData(uint16_t base, uint8_t* values, size_t count) {
        for (size_t i = 0; i < count; ++i) values[i] = Read(base, PortRegister::EppData);
    }
    // A read run compared as it goes: stops after the first value that
    // differs from `expected` and returns its index, or `count` when all
    // matched. A backend that cannot stop a run part-way (one kernel call
    // per run) reads the run to its end and still returns the first
    // difference.
    virtual size_t ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                              size_t count) {
        for (size_t i = 0; i < count; ++i)
            if (Read(base, PortRegister::EppData) != expected[i]) return i;
        return count;
    }

    // The same runs in a fast mode, for a backend whose byte-by-byte mode
    // costs a second bus access per byte: ppdev's EPP read loop reads the
    // status register after every byte to look for a time-out, while its
    // fast mode (PP_FASTREAD) reads the run and looks once, at the end.
    //
    // True: the run is exactly what ReadEppData (ReadEppDataFirstDifference,
    // whose result is then in `firstDifference`) would have given, on the
    // same wire. False: a cycle of the run went unanswered, and the fast mode
    // cannot say which; nothing of the run is trustworthy, and the card's
    // block address has run on by an unknown number of cycles. The caller
    // then addresses the run again, with the same cycles that set it up the
    // first time, and reads it with ReadEppData or ReadEppDataFirstDifference,
    // whose bytes and failure point are exact. Only reads have this mode: a
    // write run (a flash buffer) cannot be sent twice.
    //
    // A backend without such a mode reads byte by byte and returns true.
    virtual bool ReadEppDataFast(uint16_t base, uint8_t* values, size_t count) {
        ReadEppData(base, values, count);
        return true;
    }
    virtual bool ReadEppDataFirstDifferenceFast(uint16_t base, const uint8_t* expected,
                                                size_t count, size_t& firstDifference) {
        firstDifference = ReadEppDataFirstDifference(base, expected, count);
        return true;
    }

    // False when the port at `base` cannot be used for this operation (the
    // device could not be opened or claimed); AccessProblem then says why.
    // Accesses inside a failed bracket read as an open bus and go nowhere.
    virtual bool BeginOperation(uint16_t base) {
        (void)base;
        return true;
    }
    virtual void EndOperation(uint16_t base) { (void)base; }
    // Why the last BeginOperation on `base` failed, with what the owner can
    // do about it; empty when it did not fail.
    virtual std::string AccessProblem(uint16_t base) const {
        (void)base;
        return {};
    }
};

// A port reached by I/O address, one byte out or in at a time: the machine's
// own port instructions, the simulated card, the fault injector and the trace
// recorders all sit here, so every cycle the bus makes is one Out or In at
// base + the register's offset.
class PortIo : public PortCycles {
  public:
    virtual void Out(uint16_t address, uint8_t value) = 0;
    virtual uint8_t In(uint16_t address) = 0;

    void Write(uint16_t base, PortRegister reg, uint8_t value) final {
        Out(RegisterAddress(base, reg), value);
    }
    uint8_t Read(uint16_t base, PortRegister reg) final { return In(RegisterAddress(base, reg)); }
};

}  // namespace zorvex
