#pragma once

#include <array>
#include <cstdint>

namespace zorvex {

// Where DiscoverPorts gets the machine's parallel ports from. Every platform
// gives the same result: table[n] is the I/O base of LPTn (n = 1..8, entry 0
// unused, 0 = no port) and count is the number of ports stored.
class PortSource {
  public:
    virtual ~PortSource() = default;
    virtual void Discover(std::array<uint16_t, 9>& table, int32_t& count) const = 0;
    // True on the Windows NT family (the registry method differs there).
    virtual bool IsNtPlatform() const { return false; }
};

}  // namespace zorvex
