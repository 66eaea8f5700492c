#include "ports/link_factory.h"

#include <cstdlib>
#include <filesystem>

#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/real_time_pacer.h"

#include "link/linux_port_source.h"
#include "ports/direct_port_io.h"
#include "ports/ppdev_port_io.h"

namespace zorvex {

namespace {

// Reads 0xFF everywhere and ignores writes: the port layer of a run whose
// ports cannot be driven, saying why at every operation.
class AbsentPortIo final : public PortIo {
  public:
    explicit AbsentPortIo(std::string reason = {}) : reason_(std::move(reason)) {}
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
    bool BeginOperation(uint16_t) override { return reason_.empty(); }
    std::string AccessProblem(uint16_t) const override { return reason_; }

  private:
    std::string reason_;
};

constexpr char kNoPortBackend[] =
    "Zorvex cannot drive parallel ports on this platform yet; only the simulated card "
    "(ZORVEX_SIMULATED_CARD) can be used";

#ifndef _WIN32
// Said at detection when the kernel lists no port at all; parport_pc is what
// makes the kernel find the ports.
constexpr char kNoKernelPort[] =
    "load the modules parport_pc and ppdev (sudo modprobe parport_pc ppdev); without parport_pc "
    "the kernel lists no parallel port";

// Direct I/O when every port's I/O range is granted; the first refusal
// otherwise, in `problem`.
bool DirectAccessGranted(const MachinePorts& machine, const std::vector<KernelPort>& ports,
                         std::string& problem) {
    if (!machine.instructions) {
        problem = "direct port I/O is not available on this processor";
        return false;
    }
    for (const auto& port : ports)
        if (!machine.requestDirectAccess(port.base, port.ecrBase, problem)) return false;
    return true;
}

// The port layer for the kernel's ports, as kPortAccessVariable asks. False
// when the variable holds a value that means neither, with the reason in
// runtime.messageText: the run then drives no port.
bool ChooseRealPorts(LinkRuntime& runtime, const MachinePorts& machine,
                     std::vector<KernelPort> ports) {
    std::string choice;
    if (machine.accessChoice) {
        choice = *machine.accessChoice;
    } else if (const char* forced = std::getenv(kPortAccessVariable)) {
        choice = forced;
    }
    if (!choice.empty() && choice != "direct" && choice != "ppdev") {
        runtime.messageText = std::string(kPortAccessVariable) + ": \"" + choice +
                              "\" is neither direct nor ppdev; unset it, or set it to one of them";
        runtime.portIo = std::make_unique<AbsentPortIo>(runtime.messageText);
        return false;
    }
    std::string problem;
    if (choice != "ppdev" && DirectAccessGranted(machine, ports, problem)) {
        runtime.access = PortAccessMethod::Direct;
        runtime.portIo = std::make_unique<DirectPortIo>(std::move(ports), *machine.instructions,
                                                        *machine.calls, machine.deviceDirectory);
        return true;
    }
    if (choice == "direct") {
        // Forced but refused: never fall back quietly, and never execute an
        // instruction the kernel would kill the process for.
        runtime.access = PortAccessMethod::None;
        runtime.accessNote = problem;
        runtime.portIo = std::make_unique<AbsentPortIo>(problem);
        return true;
    }
    runtime.access = PortAccessMethod::Ppdev;
    if (choice.empty()) runtime.accessNote = problem + "; using ppdev";
    runtime.portIo =
        std::make_unique<PpdevPortIo>(std::move(ports), *machine.calls, machine.deviceDirectory);
    return true;
}
#endif

// A run with no ports at all, after a setup problem: nothing is ever accessed.
std::unique_ptr<LinkRuntime> PortlessRuntime(std::unique_ptr<LinkRuntime> runtime,
                                             MessageSink& warnings) {
    runtime->cardConfig.ports.bases.clear();
    runtime->cardConfig.ports.cardPort = 0;
    runtime->portSource = std::make_unique<ListPortSource>(std::vector<uint16_t>{});
    runtime->clock = std::make_unique<CountingClock>();
    runtime->cartridge.reset();
    auto port = std::make_unique<sim::SimParallelPort>(runtime->cardConfig.ports);
    runtime->simPort = runtime->simulated ? port.get() : nullptr;
    runtime->portIo = std::move(port);
    runtime->link = std::make_unique<CardLink>(*runtime->portIo, *runtime->portSource,
                                               *runtime->clock, warnings);
    return runtime;
}

}  // namespace

const char* PortAccessName(PortAccessMethod method) {
    switch (method) {
        case PortAccessMethod::Simulated:
            return "simulated";
        case PortAccessMethod::Direct:
            return "direct I/O";
        case PortAccessMethod::Ppdev:
            return "ppdev";
        default:
            return "none";
    }
}

std::unique_ptr<LinkRuntime> CreateSimulatedLinkRuntime(const std::string& directory,
                                                        MessageSink& warnings,
                                                        std::shared_ptr<sim::WallClock> wall) {
    auto runtime = std::make_unique<LinkRuntime>();
    runtime->simulated = true;
    runtime->simDirectory = directory;
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        runtime->messageText =
            std::string(kSimulatedCardVariable) + ": \"" + directory + "\" is not a directory";
        return PortlessRuntime(std::move(runtime), warnings);
    }
    if (!sim::LoadCardConfig(directory, runtime->cardConfig, runtime->messageText)) {
        return PortlessRuntime(std::move(runtime), warnings);
    }

    runtime->portSource = std::make_unique<ListPortSource>(runtime->cardConfig.ports.bases);
    runtime->clock = std::make_unique<CountingClock>();
    auto port = std::make_unique<sim::SimParallelPort>(runtime->cardConfig.ports);

    // The cartridge of [card] chip=, its flash and save RAM kept in the
    // directory; chip=none leaves the slot empty. Plugged in before the
    // CardLink below probes the port.
    if (const sim::ChipInfo* chip = sim::FindChip(runtime->cardConfig.chip)) {
        auto cartridge = sim::Cartridge::Open(*chip, directory, &runtime->messageText);
        if (!cartridge) return PortlessRuntime(std::move(runtime), warnings);
        port->SetCartridge(cartridge.get());
        runtime->cartridge = std::move(cartridge);
    }

    runtime->access = PortAccessMethod::Simulated;
    runtime->simPort = port.get();
    if (runtime->cardConfig.realTime) {
        if (!wall) wall = std::make_shared<sim::SteadyWallClock>();
        auto pacer = std::make_shared<sim::RealTimePacer>(std::move(wall));
        runtime->clock = std::make_unique<sim::PacedClock>(pacer);
        runtime->portIo = std::make_unique<sim::PacedPortIo>(std::move(port), pacer);
    } else {
        runtime->portIo = std::move(port);
    }
    runtime->link = std::make_unique<CardLink>(*runtime->portIo, *runtime->portSource,
                                               *runtime->clock, warnings);
    return runtime;
}

std::unique_ptr<LinkRuntime> CreateSystemLinkRuntime(MessageSink& warnings,
                                                     const MachinePorts& machine) {
    auto runtime = std::make_unique<LinkRuntime>();
    runtime->clock = std::make_unique<SystemClock>();
#ifdef _WIN32
    (void)machine;
    runtime->portSource = MakeSystemPortSource();
    runtime->platformNote = kNoPortBackend;
    runtime->portIo = std::make_unique<AbsentPortIo>(kNoPortBackend);
#else
    auto kernel = std::make_unique<LinuxPortSource>(machine.parportDirectory);
    auto ports = kernel->Ports();
    // Nothing is asked of the kernel on a machine without ports.
    if (ports.empty()) {
        runtime->portIo = std::make_unique<AbsentPortIo>(kNoKernelPort);
        runtime->portSource = std::move(kernel);
    } else if (ChooseRealPorts(*runtime, machine, std::move(ports))) {
        runtime->portSource = std::move(kernel);
    } else {
        runtime->portSource = std::make_unique<ListPortSource>(std::vector<uint16_t>{});
    }
#endif
    runtime->link = std::make_unique<CardLink>(*runtime->portIo, *runtime->portSource,
                                               *runtime->clock, warnings);
    return runtime;
}

std::unique_ptr<LinkRuntime> CreateLinkRuntime(MessageSink& warnings) {
    const char* directory = std::getenv(kSimulatedCardVariable);
    if (directory && *directory) return CreateSimulatedLinkRuntime(directory, warnings);
    return CreateSystemLinkRuntime(warnings);
}

}  // namespace zorvex
