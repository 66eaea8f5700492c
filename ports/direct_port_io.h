#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/linux_port_source.h"
#include "link/port_io.h"
#include "ports/ppdev_device.h"
#include "ports/system_calls.h"

namespace zorvex {

// The two machine instructions of direct port I/O. Tests put the simulated
// port behind them; nothing but MachineIoInstructions ever executes them.
class IoInstructions {
  public:
    virtual ~IoInstructions() = default;
    virtual void Out(uint16_t port, uint8_t value) = 0;
    virtual uint8_t In(uint16_t port) = 0;
};

// inb/outb on x86 Linux; nullptr where the program cannot execute them.
IoInstructions* MachineIoInstructions();

// Asks the kernel for the I/O range of the port at `base` and its ECP
// control register at `ecrBase`+2 (0 = none): ioperm for addresses below
// 0x400, iopl above, as PCIe cards have. Needs CAP_SYS_RAWIO (or root).
// False with the reason when not permitted.
bool RequestDirectPortAccess(uint16_t base, uint16_t ecrBase, std::string& problem);

// Direct port I/O: every port access is one bus access, with no system call
// inside a card operation. The kernel and other programs are kept off the
// port for the length of each operation by claiming its ppdev device
// exclusively where that device exists; an operation whose claim fails (the
// printer driver holds the port) does no I/O at all.
//
// The kernel saves a released port's control register from its own copy of
// it, not from the port; so before giving the port back the backend tells
// the kernel the value the lines hold (a write of the same value, no line
// moves), or the next claim would put back what the kernel last wrote.
class DirectPortIo final : public PortIo {
  public:
    DirectPortIo(std::vector<KernelPort> ports, IoInstructions& io,
                 SystemCalls& calls = KernelSystemCalls(), std::string deviceDirectory = "/dev");
    ~DirectPortIo() override;
    DirectPortIo(const DirectPortIo&) = delete;
    DirectPortIo& operator=(const DirectPortIo&) = delete;

    void Out(uint16_t address, uint8_t value) override;
    uint8_t In(uint16_t address) override;
    void WriteEppData(uint16_t base, const uint8_t* values, size_t count) override;
    void ReadEppData(uint16_t base, uint8_t* values, size_t count) override;
    size_t ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                      size_t count) override;
    bool BeginOperation(uint16_t base) override;
    void EndOperation(uint16_t base) override;
    std::string AccessProblem(uint16_t base) const override;

  private:
    struct Slot {
        KernelPort kernel;
        std::unique_ptr<PpdevDevice> device;
        bool failed = false;
        int control = -1;  // the last control value written in this operation
    };
    Slot* SlotHolding(uint16_t address);
    Slot* SlotOf(uint16_t base);

    std::vector<Slot> slots_;
    IoInstructions& io_;
};

}  // namespace zorvex
