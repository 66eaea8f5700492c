#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvex::kernel_test {

// The calls QEMU makes on the host's parallel port device, by kind: the
// guest kernel's port accesses as QEMU forwards them (it leaves out a data or
// control write of the value the register already holds).
enum class Count : uint8_t {
    Open,
    Close,
    Claim,
    Release,
    SetMode,
    WriteData,
    ReadData,
    WriteControl,
    ReadControl,
    ReadStatus,
    DataDir,
    OtherIoctl,
    EppAddressWrites,
    EppAddressReads,
    EppDataWrites,
    EppDataReads,
    EppBytes,
    EppTimeouts,
    Kinds
};

inline constexpr const char* kCountNames[] = {
    "open",     "close",    "claim",    "release",  "setmode",  "wdata",
    "rdata",    "wcontrol", "rcontrol", "rstatus",  "datadir",  "other",
    "eppaddrw", "eppaddrr", "eppdataw", "eppdatar", "eppbytes", "epptimeouts"};
static_assert(std::size(kCountNames) == static_cast<size_t>(Count::Kinds));

// The layout of the counts file, shared between the host library and the
// reader in emulated_counts.
struct HostCounts {
    uint64_t values[static_cast<size_t>(Count::Kinds)] = {};
    // QEMU's own copy of the port, as the calls show it: the last PPSETMODE
    // (which tells address from data cycles) and the last data and control
    // values forwarded, since QEMU leaves out a write of the same value.
    int mode = 0;
    int lastData = -1;
    int lastControl = -1;
    uint64_t& at(Count kind) { return values[static_cast<size_t>(kind)]; }
};

}  // namespace zorvex::kernel_test
