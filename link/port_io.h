#pragma once

#include <cstdint>

namespace zorvex {

// The only way the program touches a parallel port: one byte out to an I/O
// address, one byte in from one. Real ports, the simulated card and the fault
// injector all sit behind this interface.
class PortIo {
  public:
    virtual ~PortIo() = default;
    virtual void Out(uint16_t address, uint8_t value) = 0;
    virtual uint8_t In(uint16_t address) = 0;
};

}  // namespace zorvex
