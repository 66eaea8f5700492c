#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/message_sink.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_io.h"
#include "link/port_source.h"
#include "ports/direct_port_io.h"
#include "sim/card_config.h"
#include "sim/cartridge_bus.h"
#include "sim/real_time_pacer.h"
#include "sim/sim_parallel_port.h"

namespace zorvex {

// Names a directory holding a simulated card (DIR/card.ini); when set, the run
// uses the simulated parallel port instead of the machine's ports.
inline constexpr char kSimulatedCardVariable[] = "ZORVEX_SIMULATED_CARD";
// "direct" or "ppdev" forces how real ports are driven; unset or empty picks
// direct port I/O when the process may use it, else ppdev.
inline constexpr char kPortAccessVariable[] = "ZORVEX_PORT_ACCESS";

// How the run reaches its ports.
enum class PortAccessMethod { None, Simulated, Direct, Ppdev };
const char* PortAccessName(PortAccessMethod method);  // "direct I/O", "ppdev", ...

// The platform pieces of one run and the one CardLink built on them. The
// desktop program and zorvex-cli both hold exactly one. Members are destroyed
// in reverse order, so the link goes first and the cartridge outlives the port
// that points at it.
struct LinkRuntime {
    LinkRuntime() = default;
    LinkRuntime(const LinkRuntime&) = delete;
    LinkRuntime& operator=(const LinkRuntime&) = delete;

    bool simulated = false;
    std::string simDirectory;  // the simulated card's directory, when simulated
    sim::CardConfig cardConfig;
    // A problem found while setting up (unusable card.ini, variable not naming
    // a directory), for the caller to show; the run then has no ports at all.
    std::string messageText;
    PortAccessMethod access = PortAccessMethod::None;
    // Why the access method is what it is, when that is worth saying (direct
    // I/O not permitted, a forced method); empty otherwise.
    std::string accessNote;
    // Set on a platform where real ports cannot be driven at all; shown once
    // at start-up and by "zorvex-cli ports".
    std::string platformNote;

    std::unique_ptr<PortSource> portSource;
    std::unique_ptr<LinkClock> clock;
    std::unique_ptr<sim::CartridgeBus> cartridge;  // the simulated card's cartridge, if any
    std::unique_ptr<PortCycles> portIo;
    // The simulated port when simulated (portIo itself, or what a real-time
    // portIo passes the accesses to), else nullptr.
    sim::SimParallelPort* simPort = nullptr;
    std::unique_ptr<CardLink> link;
};

// What the choice of how to drive the machine's ports looks at: the kernel's
// port list, whether direct port I/O is granted, and kPortAccessVariable.
// The defaults are this machine's; tests give one of their own.
struct MachinePorts {
    std::string parportDirectory = "/proc/sys/dev/parport";
    std::string deviceDirectory = "/dev";
    // inb/outb, or nullptr where the processor has none.
    IoInstructions* instructions = MachineIoInstructions();
    // Asks the kernel for one port's I/O range: false with the reason.
    std::function<bool(uint16_t base, uint16_t ecrBase, std::string& problem)> requestDirectAccess =
        RequestDirectPortAccess;
    SystemCalls* calls = &KernelSystemCalls();
    // The variable's value; nullopt reads the environment.
    std::optional<std::string> accessChoice;
};

// Simulated when kSimulatedCardVariable is set and not empty, else the
// machine's own ports (kernel list, direct I/O or ppdev, real sleeps).
std::unique_ptr<LinkRuntime> CreateLinkRuntime(MessageSink& warnings);
// The simulated machine of `directory`; its waits are only counted, unless its
// card.ini asks for real time ([card] realtime=1): then they are kept in step
// with `wall` (the steady clock when null).
std::unique_ptr<LinkRuntime> CreateSimulatedLinkRuntime(
    const std::string& directory, MessageSink& warnings,
    std::shared_ptr<sim::WallClock> wall = nullptr);
// With no kernel ports the run says so at detection, and what to load.
std::unique_ptr<LinkRuntime> CreateSystemLinkRuntime(MessageSink& warnings,
                                                     const MachinePorts& machine = {});

}  // namespace zorvex
