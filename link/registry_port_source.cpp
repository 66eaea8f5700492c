#include "link/registry_port_source.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>
#include <vector>

namespace zorvex {

namespace {

// Name and string buffers hold 260 characters including the terminator; a
// string that does not fit is unreadable, as the system call reports it.
constexpr size_t kStringBuffer = 260;
// Allocation data and resource lists are read into a buffer of this size.
constexpr size_t kResourceBuffer = 128;
constexpr uint16_t kIoRangeRecord = 12;  // type word before an allocated I/O base
// Low word of the first partial descriptor's start address in a resource list:
// list count 4, interface type 4, bus number 4, version 2, revision 2, partial
// count 4, descriptor type 1, share disposition 1, flags 2.
constexpr size_t kFirstIoBaseOffset = 24;

const char kEnumTree[] = "Config Manager\\Enum";
const char kDeviceMap[] = "HARDWARE\\DEVICEMAP\\PARALLEL PORTS";
const char kResourceMap[] = "HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\Parport";

// Closes a key on every path out of a scope.
class OpenKey {
  public:
    OpenKey(RegistryReader& registry, RegistryReader::Root root, const std::string& path)
        : registry_(registry) {
        open_ = registry_.Open(root, path, key_);
    }
    ~OpenKey() {
        if (open_) registry_.Close(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    explicit operator bool() const { return open_; }
    RegistryReader::Key key() const { return key_; }

  private:
    RegistryReader& registry_;
    RegistryReader::Key key_ = 0;
    bool open_ = false;
};

// A REG_SZ value as text; anything else, or a string too long for the buffer,
// is empty.
std::string QueryString(RegistryReader& registry, RegistryReader::Key key, const std::string& name,
                        bool* isString = nullptr) {
    uint32_t type = RegNone;
    std::vector<uint8_t> data;
    if (isString) *isString = false;
    if (!registry.QueryValue(key, name, type, data) || type != RegSz) return {};
    if (isString) *isString = true;
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    std::string text(data.begin(), end);
    if (text.size() >= kStringBuffer) return {};
    return text;
}

// atoi of the text after the first occurrence of `marker`; -1 when absent.
int NumberAfter(const std::string& text, const std::string& marker) {
    const size_t at = text.find(marker);
    if (at == std::string::npos) return -1;
    size_t i = at + marker.size();
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<long>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

uint16_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
    return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

void Store(std::array<uint16_t, 9>& table, int32_t& count, int lpt, uint16_t base) {
    if (lpt < 1 || lpt > 8) return;  // the table holds LPT1..LPT8 only
    table[static_cast<size_t>(lpt)] = base;
    ++count;
}

std::vector<std::string> SubkeyNames(RegistryReader& registry, RegistryReader::Key key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; registry.EnumKey(key, i, name); ++i) names.push_back(name);
    return names;
}

std::vector<std::string> ValueNames(RegistryReader& registry, RegistryReader::Key key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; registry.EnumValue(key, i, name); ++i) names.push_back(name);
    return names;
}

// The 9x node's hardware key when the node is usable: a binary Problem value
// of zero bytes only and a non-empty HardwareKey string; else empty.
std::string UsableHardwareKey(RegistryReader& registry, const std::string& nodePath) {
    OpenKey node(registry, RegistryReader::DynData, nodePath);
    if (!node) return {};
    uint32_t type = RegNone;
    std::vector<uint8_t> problem;
    if (!registry.QueryValue(node.key(), "Problem", type, problem) || type != RegBinary) return {};
    const bool hasProblem =
        std::any_of(problem.begin(), problem.end(), [](uint8_t b) { return b != 0; });
    bool isString = false;
    std::string hardwareKey = QueryString(registry, node.key(), "HardwareKey", &isString);
    if (!isString || hasProblem) return {};
    return hardwareKey;
}

}  // namespace

void RegistryPortSource::Discover(std::array<uint16_t, 9>& table, int32_t& count) const {
    if (ntPlatform_) {
        DiscoverNt(registry_, table, count);
    } else {
        Discover9x(registry_, table, count);
    }
}

void RegistryPortSource::Discover9x(RegistryReader& registry, std::array<uint16_t, 9>& table,
                                    int32_t& count) {
    table.fill(0);
    count = 0;
    std::vector<std::string> nodes;
    {
        OpenKey tree(registry, RegistryReader::DynData, kEnumTree);
        if (!tree) return;
        nodes = SubkeyNames(registry, tree.key());
    }
    for (const auto& node : nodes) {
        const std::string nodePath = std::string(kEnumTree) + "\\" + node;
        const std::string hardwareKey = UsableHardwareKey(registry, nodePath);
        if (hardwareKey.empty()) continue;

        int lpt = 0;
        {
            OpenKey device(registry, RegistryReader::LocalMachine, "Enum\\" + hardwareKey);
            if (!device) continue;
            lpt = NumberAfter(QueryString(registry, device.key(), "PortName"), "LPT");
            if (lpt < 0) continue;  // not a printer port
        }

        OpenKey nodeKey(registry, RegistryReader::DynData, nodePath);
        if (!nodeKey) continue;
        uint32_t type = RegNone;
        std::vector<uint8_t> allocation;
        if (!registry.QueryValue(nodeKey.key(), "Allocation", type, allocation) ||
            type != RegBinary) {
            continue;
        }
        // Only the first 128 bytes are looked at; a shorter value leaves the
        // rest of the buffer zero rather than stale.
        allocation.resize(kResourceBuffer, 0);
        // An I/O range record carries the type value 12 right before its base.
        for (size_t i = 0; i + 1 < kResourceBuffer / 2; ++i) {
            if (WordAt(allocation, 2 * i) == kIoRangeRecord && WordAt(allocation, 2 * i + 2) != 0) {
                Store(table, count, lpt, WordAt(allocation, 2 * i + 2));
                break;
            }
        }
    }
}

void RegistryPortSource::DiscoverNt(RegistryReader& registry, std::array<uint16_t, 9>& table,
                                    int32_t& count) {
    table.fill(0);
    count = 0;
    std::vector<std::string> devices;
    {
        OpenKey map(registry, RegistryReader::LocalMachine, kDeviceMap);
        if (!map) return;
        devices = ValueNames(registry, map.key());
    }
    for (const auto& device : devices) {
        std::string link;
        {
            OpenKey map(registry, RegistryReader::LocalMachine, kDeviceMap);
            if (map) link = QueryString(registry, map.key(), device);
        }
        const int lpt = NumberAfter(link, "\\DosDevices\\LPT");
        if (lpt < 0) continue;
        const std::string kernelPrefix = "\\Device\\Parallel";
        const size_t at = device.find(kernelPrefix);
        if (at == std::string::npos) continue;
        const std::string k = device.substr(at + kernelPrefix.size());

        OpenKey resources(registry, RegistryReader::LocalMachine, kResourceMap);
        if (!resources) continue;
        uint32_t type = RegNone;
        std::vector<uint8_t> list;
        if (!registry.QueryValue(resources.key(), "\\Device\\ParallelPort" + k + ".Raw", type,
                                 list) ||
            type != RegResourceList) {
            continue;
        }
        // A list too short to hold the first descriptor's start address has no
        // base to give; reading past its end would invent one.
        if (list.size() < kFirstIoBaseOffset + 2) continue;
        Store(table, count, lpt, WordAt(list, kFirstIoBaseOffset));
    }
}

}  // namespace zorvex
