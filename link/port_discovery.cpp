#include "link/port_discovery.h"

#ifdef _WIN32
#include "link/registry_reader_win32.h"
#else
#include "link/linux_port_source.h"
#endif

namespace zorvex {

void ListPortSource::Discover(std::array<uint16_t, 9>& table, int32_t& count) const {
    table.fill(0);
    count = 0;
    for (size_t i = 0; i < bases_.size() && i + 1 < table.size(); ++i) {
        if (bases_[i] == 0) continue;
        table[i + 1] = bases_[i];
        ++count;
    }
}

std::unique_ptr<PortSource> MakeSystemPortSource() {
#ifdef _WIN32
    return MakeWindowsPortSource();
#else
    return std::make_unique<LinuxPortSource>();
#endif
}

}  // namespace zorvex
