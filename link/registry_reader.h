#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorvex {

// Value types as the registry stores them.
enum RegistryType : uint32_t {
    RegNone = 0,
    RegSz = 1,
    RegBinary = 3,
    RegResourceList = 8,
};

// The few read-only registry calls that port discovery needs. The Windows
// build reads the real registry; every other build, and the tests, use a
// prepared tree, so the discovery methods are the same code everywhere.
class RegistryReader {
  public:
    enum Root { DynData, LocalMachine };
    using Key = uintptr_t;

    virtual ~RegistryReader() = default;
    // Opens root\path for query-value and enumerate-subkeys access.
    virtual bool Open(Root root, const std::string& path, Key& key) = 0;
    virtual void Close(Key key) = 0;
    // Name of subkey / value number `index`; false when there are no more.
    virtual bool EnumKey(Key key, uint32_t index, std::string& name) = 0;
    virtual bool EnumValue(Key key, uint32_t index, std::string& name) = 0;
    // Type and complete data of a value; false when it is missing or unreadable.
    virtual bool QueryValue(Key key, const std::string& name, uint32_t& type,
                            std::vector<uint8_t>& data) = 0;
};

}  // namespace zorvex
