#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "link/port_source.h"

namespace zorvex {

// A fixed list of ports: bases[0] is LPT1, bases[1] LPT2, and so on. Used for
// the simulated machine, whose ports come from its configuration file. A base
// of 0 leaves that LPT number empty; entries past LPT8 are dropped.
class ListPortSource final : public PortSource {
  public:
    explicit ListPortSource(std::vector<uint16_t> bases, bool ntPlatform = false)
        : bases_(std::move(bases)), ntPlatform_(ntPlatform) {}
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override;
    bool IsNtPlatform() const override { return ntPlatform_; }

  private:
    std::vector<uint16_t> bases_;
    bool ntPlatform_;
};

// The machine's own ports: the kernel's list on Linux, the registry on Windows.
std::unique_ptr<PortSource> MakeSystemPortSource();

}  // namespace zorvex
