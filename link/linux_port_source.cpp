#include "link/linux_port_source.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <utility>

namespace zorvex {

namespace {

// A port needs its five registers inside the 16-bit I/O space.
constexpr unsigned long kHighestBase = 0xFFFF - 4;

// "parportK" with K decimal digits only; -1 for any other directory entry.
int KernelIndex(const std::string& name) {
    const std::string prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    int index = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        index = std::min(index * 10 + (name[i] - '0'), 1000);
    }
    return index;
}

// The first number of base-addr ("888\t1912"); 0 when unreadable. The
// second, when there is one, is the base of the ECP registers.
unsigned long ReadBase(const std::filesystem::path& file, unsigned long* high = nullptr) {
    std::ifstream in(file);
    unsigned long base = 0;
    if (!(in >> base)) return 0;
    unsigned long second = 0;
    if (high && (in >> second) && second <= kHighestBase) *high = second;
    return base;
}

// "PCSPP,TRISTATE,COMPAT,EPP,ECP", framed by commas for whole-word lookups.
std::string ReadModes(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string modes;
    std::getline(in, modes);
    return "," + modes + ",";
}

bool HasMode(const std::string& modes, const char* mode) {
    return modes.find(std::string(",") + mode + ",") != std::string::npos;
}

}  // namespace

std::vector<KernelPort> LinuxPortSource::Ports() const {
    std::vector<KernelPort> ports;
    std::error_code error;
    std::filesystem::directory_iterator it(root_, error);
    if (error) return ports;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        const int index = KernelIndex(name);
        if (index < 0 || index > 7) continue;  // the table holds LPT1..LPT8
        unsigned long high = 0;
        const unsigned long base = ReadBase(entry.path() / "base-addr", &high);
        if (base == 0 || base > kHighestBase) continue;
        // Both ECP and EPP means the kernel reaches EPP through the ECP
        // chip's mode register.
        const std::string modes = ReadModes(entry.path() / "modes");
        const bool epp = HasMode(modes, "EPP");
        ports.push_back({index + 1, static_cast<uint16_t>(base), name, static_cast<uint16_t>(high),
                         epp && HasMode(modes, "ECP"), epp});
    }
    std::sort(ports.begin(), ports.end(),
              [](const KernelPort& a, const KernelPort& b) { return a.lpt < b.lpt; });
    // "parport01" and "parport1" would both claim LPT2; the kernel never names
    // ports so, but one LPT number must not be counted twice.
    ports.erase(
        std::unique(ports.begin(), ports.end(),
                    [](const KernelPort& a, const KernelPort& b) { return a.lpt == b.lpt; }),
        ports.end());
    return ports;
}

void LinuxPortSource::Discover(std::array<uint16_t, 9>& table, int32_t& count) const {
    table.fill(0);
    count = 0;
    for (const auto& port : Ports()) {
        table[static_cast<size_t>(port.lpt)] = port.base;
        ++count;
    }
}

}  // namespace zorvex
