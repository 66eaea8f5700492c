// The Windows 9x and NT registry methods of port discovery, on a prepared registry.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/registry_port_source.h"

namespace zorvex {
namespace {

// An in-memory registry: keys with ordered subkeys and values. Counts open
// handles so that a leaked key shows.
class FakeRegistry final : public RegistryReader {
  public:
    struct Value {
        std::string name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    struct KeyNode {
        std::vector<std::string> subkeys;
        std::vector<Value> values;
    };

    KeyNode& At(Root root, const std::string& path) { return keys_[Id(root, path)]; }
    void SetString(Root root, const std::string& path, const std::string& name,
                   const std::string& text, uint32_t type = RegSz) {
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        Set(root, path, name, type, data);
    }
    void Set(Root root, const std::string& path, const std::string& name, uint32_t type,
             std::vector<uint8_t> data) {
        auto& values = At(root, path).values;
        for (auto& v : values) {
            if (v.name == name) {
                v = {name, type, std::move(data)};
                return;
            }
        }
        values.push_back({name, type, std::move(data)});
    }
    void Remove(Root root, const std::string& path, const std::string& name) {
        auto& values = At(root, path).values;
        std::erase_if(values, [&](const Value& v) { return v.name == name; });
    }
    void Drop(Root root, const std::string& path) { keys_.erase(Id(root, path)); }

    bool Open(Root root, const std::string& path, Key& key) override {
        auto it = keys_.find(Id(root, path));
        if (it == keys_.end()) return false;
        key = next_++;
        handles_[key] = it->first;
        return true;
    }
    void Close(Key key) override { EXPECT_EQ(handles_.erase(key), 1u) << "closed twice"; }
    bool EnumKey(Key key, uint32_t index, std::string& name) override {
        const auto& node = keys_.at(handles_.at(key));
        if (index >= node.subkeys.size()) return false;
        name = node.subkeys[index];
        return true;
    }
    bool EnumValue(Key key, uint32_t index, std::string& name) override {
        const auto& node = keys_.at(handles_.at(key));
        if (index >= node.values.size()) return false;
        name = node.values[index].name;
        return true;
    }
    bool QueryValue(Key key, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override {
        for (const auto& v : keys_.at(handles_.at(key)).values) {
            if (v.name == name) {
                type = v.type;
                data = v.data;
                return true;
            }
        }
        return false;
    }
    size_t openHandles() const { return handles_.size(); }

  private:
    static std::string Id(Root root, const std::string& path) {
        return (root == DynData ? "DYN\\" : "HKLM\\") + path;
    }
    std::map<std::string, KeyNode> keys_;
    std::map<Key, std::string> handles_;
    Key next_ = 1;
};

constexpr auto kDyn = RegistryReader::DynData;
constexpr auto kHklm = RegistryReader::LocalMachine;
const std::string kEnum = "Config Manager\\Enum";

// Allocation data with the I/O range record (12, base) at word `at`.
std::vector<uint8_t> Allocation(uint16_t base, size_t at = 5, size_t bytes = 128) {
    std::vector<uint8_t> data(bytes, 0);
    data[2 * at] = 12;
    data[2 * at + 2] = static_cast<uint8_t>(base);
    data[2 * at + 3] = static_cast<uint8_t>(base >> 8);
    return data;
}

// One usable 9x device node named `node` whose port is `portName`.
void Add9xNode(FakeRegistry& reg, const std::string& node, const std::string& portName,
               uint16_t base) {
    reg.At(kDyn, kEnum).subkeys.push_back(node);
    const std::string path = kEnum + "\\" + node;
    reg.Set(kDyn, path, "Problem", RegBinary, {0, 0, 0, 0});
    reg.SetString(kDyn, path, "HardwareKey", "ROOT\\" + node);
    reg.Set(kDyn, path, "Allocation", RegBinary, Allocation(base));
    reg.SetString(kHklm, "Enum\\ROOT\\" + node, "PortName", portName);
}

struct Result {
    std::array<uint16_t, 9> table{};
    int32_t count = -1;
};

Result Run9x(FakeRegistry& reg) {
    Result r;
    r.table.fill(0xEEEE);  // discovery must clear what it does not fill
    RegistryPortSource source(reg, false);
    source.Discover(r.table, r.count);
    EXPECT_EQ(reg.openHandles(), 0u);
    return r;
}

Result RunNt(FakeRegistry& reg) {
    Result r;
    r.table.fill(0xEEEE);
    RegistryPortSource source(reg, true);
    source.Discover(r.table, r.count);
    EXPECT_EQ(reg.openHandles(), 0u);
    return r;
}

TEST(Discovery9x, TwoPortsFillTheirLptEntries) {
    FakeRegistry reg;
    Add9xNode(reg, "Serial", "COM1", 0x3F8);
    Add9xNode(reg, "Printer2", "LPT2", 0x278);
    Add9xNode(reg, "Printer1", "LPT1", 0x378);
    const Result r = Run9x(reg);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.table[0], 0);
    EXPECT_EQ(r.table[1], 0x378);
    EXPECT_EQ(r.table[2], 0x278);
    for (size_t n = 3; n < 9; ++n) EXPECT_EQ(r.table[n], 0) << n;
}

TEST(Discovery9x, UnusableNodesAreSkipped) {
    struct Case {
        const char* what;
        void (*spoil)(FakeRegistry&, const std::string& path);
    };
    const Case cases[] = {
        {"Problem missing",
         [](FakeRegistry& r, const std::string& p) { r.Remove(kDyn, p, "Problem"); }},
        {"Problem not binary",
         [](FakeRegistry& r, const std::string& p) {
             r.Set(kDyn, p, "Problem", 4, {0, 0, 0, 0});
         }},
        {"Problem nonzero byte",
         [](FakeRegistry& r, const std::string& p) {
             r.Set(kDyn, p, "Problem", RegBinary, {0, 0, 0, 1});
         }},
        {"HardwareKey empty",
         [](FakeRegistry& r, const std::string& p) { r.SetString(kDyn, p, "HardwareKey", ""); }},
        {"HardwareKey not a string",
         [](FakeRegistry& r, const std::string& p) {
             r.SetString(kDyn, p, "HardwareKey", "ROOT\\P", RegBinary);
         }},
        {"hardware key missing",
         [](FakeRegistry& r, const std::string&) { r.Drop(kHklm, "Enum\\ROOT\\P"); }},
        {"PortName not a string",
         [](FakeRegistry& r, const std::string&) {
             r.SetString(kHklm, "Enum\\ROOT\\P", "PortName", "LPT1", RegBinary);
         }},
        {"PortName without digits",
         [](FakeRegistry& r, const std::string&) {
             r.SetString(kHklm, "Enum\\ROOT\\P", "PortName", "LPT");
         }},
        {"PortName LPT9",
         [](FakeRegistry& r, const std::string&) {
             r.SetString(kHklm, "Enum\\ROOT\\P", "PortName", "LPT9");
         }},
        {"Allocation missing",
         [](FakeRegistry& r, const std::string& p) { r.Remove(kDyn, p, "Allocation"); }},
        {"Allocation not binary",
         [](FakeRegistry& r, const std::string& p) {
             r.Set(kDyn, p, "Allocation", RegSz, Allocation(0x378));
         }},
        {"no I/O record",
         [](FakeRegistry& r, const std::string& p) {
             r.Set(kDyn, p, "Allocation", RegBinary, std::vector<uint8_t>(128, 0));
         }},
        {"node key gone", [](FakeRegistry& r, const std::string& p) { r.Drop(kDyn, p); }},
    };
    for (const auto& c : cases) {
        FakeRegistry reg;
        Add9xNode(reg, "P", "LPT1", 0x378);
        c.spoil(reg, kEnum + "\\P");
        const Result r = Run9x(reg);
        EXPECT_EQ(r.count, 0) << c.what;
        EXPECT_EQ(r.table[1], 0) << c.what;
    }
}

TEST(Discovery9x, PortNumbersFollowTheFirstLpt) {
    struct Case {
        const char* portName;
        size_t lpt;
    };
    for (const Case c : {Case{"LPT1", 1}, Case{"ECP Printer Port (LPT3)", 3}, Case{"LPT8", 8},
                         Case{"LPT02", 2}, Case{"LPT 4", 4}}) {
        FakeRegistry reg;
        Add9xNode(reg, "P", c.portName, 0x278);
        const Result r = Run9x(reg);
        EXPECT_EQ(r.count, 1) << c.portName;
        EXPECT_EQ(r.table[c.lpt], 0x278) << c.portName;
    }
    for (const char* stored : {"LPT0", "LPT", "LPT-1", "LPT12", "COM1", "lpt1"}) {
        FakeRegistry reg;
        Add9xNode(reg, "P", stored, 0x278);
        EXPECT_EQ(Run9x(reg).count, 0) << stored;
    }
}

TEST(Discovery9x, AllocationSearchSkipsEmptyRecordsAndStopsAtTheLastPair) {
    FakeRegistry reg;
    Add9xNode(reg, "P", "LPT1", 0);
    const std::string path = kEnum + "\\P";
    auto data = Allocation(0x3BC, 5);  // (12, base) at word 5: base is word 6
    data[0] = 12;                      // (12, 0) at word 0 is passed over
    reg.Set(kDyn, path, "Allocation", RegBinary, data);
    EXPECT_EQ(Run9x(reg).table[1], 0x3BC);

    // A record whose base would be word 64 lies outside the 128 bytes read.
    std::vector<uint8_t> edge(130, 0);
    edge[126] = 12;
    edge[128] = 0x78;
    edge[129] = 0x03;
    reg.Set(kDyn, path, "Allocation", RegBinary, edge);
    EXPECT_EQ(Run9x(reg).count, 0);
    // The last pair inside the buffer, words 62 and 63, is still found.
    reg.Set(kDyn, path, "Allocation", RegBinary, Allocation(0x278, 62));
    EXPECT_EQ(Run9x(reg).table[1], 0x278);
    // A short value is read as if zero-filled, never past its end.
    reg.Set(kDyn, path, "Allocation", RegBinary, {12, 0});
    EXPECT_EQ(Run9x(reg).count, 0);
}

TEST(Discovery9x, MissingTreeGivesAnEmptyTable) {
    FakeRegistry reg;
    const Result r = Run9x(reg);
    EXPECT_EQ(r.count, 0);
    for (auto base : r.table) EXPECT_EQ(base, 0);
}

const std::string kDeviceMap = "HARDWARE\\DEVICEMAP\\PARALLEL PORTS";
const std::string kResourceMap = "HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\Parport";

// A raw resource list whose first descriptor starts at `base`.
std::vector<uint8_t> ResourceList(uint16_t base, size_t bytes = 36) {
    std::vector<uint8_t> data(bytes, 0);
    data[0] = 1;   // one full descriptor
    data[16] = 1;  // one partial descriptor
    data[20] = 1;  // CmResourceTypePort
    data[24] = static_cast<uint8_t>(base);
    data[25] = static_cast<uint8_t>(base >> 8);
    return data;
}

void AddNtPort(FakeRegistry& reg, const std::string& k, const std::string& dosName, uint16_t base) {
    reg.SetString(kHklm, kDeviceMap, "\\Device\\Parallel" + k, "\\DosDevices\\" + dosName);
    reg.Set(kHklm, kResourceMap, "\\Device\\ParallelPort" + k + ".Raw", RegResourceList,
            ResourceList(base));
}

TEST(DiscoveryNt, TwoPortsFillTheirLptEntries) {
    FakeRegistry reg;
    AddNtPort(reg, "1", "LPT2", 0xD010);
    AddNtPort(reg, "0", "LPT1", 0x378);
    const Result r = RunNt(reg);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.table[1], 0x378);
    EXPECT_EQ(r.table[2], 0xD010);
    EXPECT_EQ(r.table[3], 0);
}

TEST(DiscoveryNt, UnusableEntriesAreSkipped) {
    struct Case {
        const char* what;
        void (*spoil)(FakeRegistry&);
    };
    const Case cases[] = {
        {"zero-length resource list",
         [](FakeRegistry& r) {
             r.Set(kHklm, kResourceMap, "\\Device\\ParallelPort0.Raw", RegResourceList, {});
         }},
        {"resource list too short for a descriptor",
         [](FakeRegistry& r) {
             r.Set(kHklm, kResourceMap, "\\Device\\ParallelPort0.Raw", RegResourceList,
                   {1, 0, 0, 0});
         }},
        {"resource list of the wrong type",
         [](FakeRegistry& r) {
             r.Set(kHklm, kResourceMap, "\\Device\\ParallelPort0.Raw", RegBinary,
                   ResourceList(0x378));
         }},
        {"resource value missing",
         [](FakeRegistry& r) { r.Remove(kHklm, kResourceMap, "\\Device\\ParallelPort0.Raw"); }},
        {"resource map missing", [](FakeRegistry& r) { r.Drop(kHklm, kResourceMap); }},
        {"link not a string",
         [](FakeRegistry& r) {
             r.SetString(kHklm, kDeviceMap, "\\Device\\Parallel0", "\\DosDevices\\LPT1", RegBinary);
         }},
        {"link to a COM port",
         [](FakeRegistry& r) {
             r.SetString(kHklm, kDeviceMap, "\\Device\\Parallel0", "\\DosDevices\\COM1");
         }},
        {"LPT9",
         [](FakeRegistry& r) {
             r.SetString(kHklm, kDeviceMap, "\\Device\\Parallel0", "\\DosDevices\\LPT9");
         }},
        {"device map missing", [](FakeRegistry& r) { r.Drop(kHklm, kDeviceMap); }},
    };
    for (const auto& c : cases) {
        FakeRegistry reg;
        AddNtPort(reg, "0", "LPT1", 0x378);
        c.spoil(reg);
        const Result r = RunNt(reg);
        EXPECT_EQ(r.count, 0) << c.what;
        EXPECT_EQ(r.table[1], 0) << c.what;
    }
}

TEST(DiscoveryNt, DeviceNamesMapToTheirRawResources) {
    FakeRegistry reg;
    // A value name that is not a parallel device is skipped even with an LPT link.
    reg.SetString(kHklm, kDeviceMap, "\\Device\\Other0", "\\DosDevices\\LPT3");
    reg.Set(kHklm, kResourceMap, "\\Device\\ParallelPort0.Raw", RegResourceList,
            ResourceList(0x3BC));
    // The number after "\Device\Parallel" names the raw resource value.
    reg.SetString(kHklm, kDeviceMap, "\\Device\\Parallel12", "\\DosDevices\\LPT4");
    reg.Set(kHklm, kResourceMap, "\\Device\\ParallelPort12.Raw", RegResourceList,
            ResourceList(0xE800, 200));  // longer than the buffer: the start is used
    const Result r = RunNt(reg);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.table[4], 0xE800);
    EXPECT_EQ(r.table[3], 0);
}

}  // namespace
}  // namespace zorvex
