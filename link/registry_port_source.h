#pragma once

#include <array>
#include <cstdint>

#include "link/port_source.h"
#include "link/registry_reader.h"

namespace zorvex {

// Reads the ports the system configured from the registry: the Windows 9x
// Configuration Manager tree under HKEY_DYN_DATA, or the NT device and resource
// maps under HKEY_LOCAL_MACHINE. Nothing is probed; every unreadable entry is
// skipped silently.
class RegistryPortSource final : public PortSource {
  public:
    RegistryPortSource(RegistryReader& registry, bool ntPlatform)
        : registry_(registry), ntPlatform_(ntPlatform) {}
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override;
    bool IsNtPlatform() const override { return ntPlatform_; }

    static void Discover9x(RegistryReader& registry, std::array<uint16_t, 9>& table,
                           int32_t& count);
    static void DiscoverNt(RegistryReader& registry, std::array<uint16_t, 9>& table,
                           int32_t& count);

  private:
    RegistryReader& registry_;
    bool ntPlatform_;
};

}  // namespace zorvex
