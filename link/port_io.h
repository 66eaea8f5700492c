#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvex {

// The only way the program touches a parallel port: one byte out to an I/O
// address, one byte in from one. Real ports, the simulated card and the fault
// injector all sit behind this interface.
//
// CardLink brackets every card operation with BeginOperation/EndOperation for
// the port it drives, so a backend that has to take the port from the kernel
// knows exactly when to take it and when to give it back, instead of guessing
// from the values written. Brackets never nest for one port, and accesses to
// a port come only between its Begin and End.
class PortIo {
  public:
    virtual ~PortIo() = default;
    virtual void Out(uint16_t address, uint8_t value) = 0;
    virtual uint8_t In(uint16_t address) = 0;

    // A run of `count` accesses to one address in one direction, in order:
    // what the protocol streams through the EPP data register (a page read
    // back, a buffer written). The run is exactly the accesses Out/In would
    // make one by one, so a backend whose accesses cost nothing extra keeps
    // these loops; one that pays for each call into the kernel passes the
    // run in one call.
    virtual void OutBlock(uint16_t address, const uint8_t* values, size_t count) {
        for (size_t i = 0; i < count; ++i) Out(address, values[i]);
    }
    virtual void InBlock(uint16_t address, uint8_t* values, size_t count) {
        for (size_t i = 0; i < count; ++i) values[i] = In(address);
    }
    // A read run compared as it goes: stops after the first value that
    // differs from `expected` and returns its index, or `count` when all
    // matched. A backend that cannot stop a run part-way (one kernel call
    // per run) reads the run to its end and still returns the first
    // difference.
    virtual size_t InBlockFirstDifference(uint16_t address, const uint8_t* expected, size_t count) {
        for (size_t i = 0; i < count; ++i)
            if (In(address) != expected[i]) return i;
        return count;
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

}  // namespace zorvex
