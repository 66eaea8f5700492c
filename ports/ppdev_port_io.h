#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/linux_port_source.h"
#include "link/port_io.h"
#include "ports/ppdev_device.h"
#include "ports/system_calls.h"

namespace zorvex {

// Real parallel ports on Linux through the kernel's ppdev interface, which a
// normal user in group lp may use (/dev/parportN) without root.
//
// Each port's device is opened once per run, at the first operation on it,
// and claimed exclusively for the length of each card operation as CardLink
// brackets it; between operations the kernel holds the port's state, so the
// claim of the next operation puts back exactly the lines the last one left.
// Only the program's own values reach the control lines in between: the
// backend writes nothing of its own after a claim.
//
// Data lines: after an EPP read the kernel may leave the port's data lines
// reversed (an ECP+EPP port's data_reverse is never undone), so the next
// data write over SPP first sets the direction forward explicitly.
//
// Fast reads: a fast read run uses the kernel's PP_FASTREAD, one bus access
// per byte instead of two (see PortCycles::ReadEppDataFast); the flag is
// set on the open device only when it changes, so a run of fast reads costs
// no call for it, and the byte-by-byte reads clear it again.
//
// System calls: the device is opened non-blocking once, the EPP address or
// data mode is set only when it changes, a run of EPP data cycles is one
// read or write, and a control or data write of the value the register
// already holds within the claim is left out: it moves no line. What the
// kernel itself may write to a register (a claim restoring its saved state,
// EPP transfers on an ECP chip or without EPP hardware, PPDATADIR) makes the
// value unknown again.
class PpdevPortIo final : public PortCycles {
  public:
    explicit PpdevPortIo(std::vector<KernelPort> ports, SystemCalls& calls = KernelSystemCalls(),
                         std::string deviceDirectory = "/dev");
    ~PpdevPortIo() override;
    PpdevPortIo(const PpdevPortIo&) = delete;
    PpdevPortIo& operator=(const PpdevPortIo&) = delete;

    void Write(uint16_t base, PortRegister reg, uint8_t value) override;
    uint8_t Read(uint16_t base, PortRegister reg) override;
    void WriteEppData(uint16_t base, const uint8_t* values, size_t count) override;
    void ReadEppData(uint16_t base, uint8_t* values, size_t count) override;
    size_t ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                      size_t count) override;
    bool ReadEppDataFast(uint16_t base, uint8_t* values, size_t count) override;
    bool ReadEppDataFirstDifferenceFast(uint16_t base, const uint8_t* expected, size_t count,
                                        size_t& firstDifference) override;
    bool BeginOperation(uint16_t base) override;
    void EndOperation(uint16_t base) override;
    std::string AccessProblem(uint16_t base) const override;

    // Off: every control and data write reaches the kernel, for comparing
    // the wire with and without the writes left out.
    void SetWriteElision(bool on) { elide_ = on; }

  private:
    struct Slot {
        KernelPort kernel;
        std::unique_ptr<PpdevDevice> device;
        bool reversed = false;  // the data lines may be left to the peripheral
        bool failed = false;    // the claim of this operation failed
        int control = -1;       // the value the register holds within the claim; -1 unknown
        int data = -1;
    };
    bool ReadRun(uint16_t base, uint8_t* values, size_t count, bool fast);
    bool CompareRun(uint16_t base, const uint8_t* expected, size_t count, bool fast,
                    size_t& firstDifference);
    void Forget(Slot& slot);
    void AfterEpp(Slot& slot);
    Slot* Claimed(uint16_t base);
    Slot* SlotOf(uint16_t base);
    const Slot* SlotOf(uint16_t base) const;

    std::vector<Slot> slots_;
    bool elide_ = true;
};

}  // namespace zorvex
