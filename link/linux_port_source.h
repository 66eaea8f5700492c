#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/port_source.h"

namespace zorvex {

// One parallel port the Linux kernel knows.
struct KernelPort {
    int lpt = 0;           // kernel port parportK is LPT K+1
    uint16_t base = 0;     // I/O base address
    std::string device;    // "parportK"
    uint16_t ecrBase = 0;  // second base of an ECP port (ECR at ecrBase+2), else 0
    bool ecpEpp = false;   // the kernel drives EPP through the ECP chip's EPP mode
    // The kernel runs EPP cycles on the chip's own EPP registers (its modes
    // list EPP). False: it runs them as a handshake on the control lines, or
    // nothing is known, and every EPP transfer may leave the lines changed.
    bool eppChip = false;
};

// The ports of the Linux kernel's parport layer, from
// <root>/parportK/base-addr. Only ports the kernel lists are reported; the
// ieee1284 library's own list is not used because it invents the three legacy
// bases on a machine that has none.
class LinuxPortSource final : public PortSource {
  public:
    explicit LinuxPortSource(std::string root = "/proc/sys/dev/parport") : root_(std::move(root)) {}
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override;

    // The ports that fit the table (LPT1..LPT8 with a usable base), by LPT number.
    std::vector<KernelPort> Ports() const;

  private:
    std::string root_;
};

}  // namespace zorvex
