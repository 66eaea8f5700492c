#pragma once

#ifdef _WIN32

#include <memory>

#include "link/port_source.h"
#include "link/registry_reader.h"

namespace zorvex {

// The real registry of a Windows machine.
class Win32RegistryReader final : public RegistryReader {
  public:
    bool Open(Root root, const std::string& path, Key& key) override;
    void Close(Key key) override;
    bool EnumKey(Key key, uint32_t index, std::string& name) override;
    bool EnumValue(Key key, uint32_t index, std::string& name) override;
    bool QueryValue(Key key, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override;
};

// True when the system reports the NT platform family.
bool RunningOnNtPlatform();

// The machine's ports from its registry, by the method of its platform family.
std::unique_ptr<PortSource> MakeWindowsPortSource();

}  // namespace zorvex

#endif  // _WIN32
