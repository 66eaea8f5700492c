#include "sim/link_factory.h"

#include <cstdlib>
#include <filesystem>

#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/real_time_pacer.h"

#ifndef _WIN32
#include "link/ieee1284_port_io.h"
#include "link/linux_port_source.h"
#endif

namespace zorvex {

namespace {

// Reads 0xFF everywhere and ignores writes: the port layer of a platform whose
// direct port access is not built in.
class AbsentPortIo final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
};

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

std::unique_ptr<LinkRuntime> CreateSimulatedLinkRuntime(const std::string& directory,
                                                        MessageSink& warnings) {
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

    runtime->simPort = port.get();
    runtime->portIo = std::move(port);
    if (runtime->cardConfig.realTime) {
        auto pacer = std::make_shared<sim::RealTimePacer>();
        runtime->clock = std::make_unique<sim::PacedClock>(pacer);
        runtime->portIo = std::make_unique<sim::PacedPortIo>(std::move(runtime->portIo), pacer);
    }
    runtime->link = std::make_unique<CardLink>(*runtime->portIo, *runtime->portSource,
                                               *runtime->clock, warnings);
    return runtime;
}

std::unique_ptr<LinkRuntime> CreateSystemLinkRuntime(MessageSink& warnings) {
    auto runtime = std::make_unique<LinkRuntime>();
    runtime->clock = std::make_unique<SystemClock>();
#ifdef _WIN32
    runtime->portSource = MakeSystemPortSource();
    runtime->portIo = std::make_unique<AbsentPortIo>();
#else
    auto kernel = std::make_unique<LinuxPortSource>();
    auto ports = kernel->Ports();
    // The library is not touched at all on a machine without ports.
    if (ports.empty()) {
        runtime->portIo = std::make_unique<AbsentPortIo>();
    } else {
        runtime->portIo = std::make_unique<Ieee1284PortIo>(std::move(ports));
    }
    runtime->portSource = std::move(kernel);
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
