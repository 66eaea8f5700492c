// The counting side of scripts/kernel-test.
//
//   --read FILE           the counts the host port library keeps in FILE
//   --difference A B      B - A for two --read answers: the calls of one case
//   --emulate CARD QEMU ACCESS CONTROL DATA MODE STEP...
//                         the same zorvex-cli runs made on the project's own
//                         emulation of the kernel (tests/doubles/kernel_parport) instead
//                         of the real one, counted the way QEMU forwards the
//                         guest kernel's port accesses, starting from QEMU's
//                         state as the host library last saw it
//
// STEP is one zorvex-cli run: "detect-report:MODE", "dump:SIZE:MODE",
// "sram-write:FILE" or "sram-read". QEMU is stock or epp (built without the
// EPP control test), ACCESS direct or ppdev.
#include <linux/parport.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/detect_report.h"
#include "common/message_sink.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "ports/direct_port_io.h"
#include "ports/link_factory.h"
#include "ports/ppdev_port_io.h"
#include "saves/save_ram_commands.h"
#include "sim/card_config.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/doubles/kernel_parport.h"
#include "tests/kernel/host_counts.h"
#include "tests/support/kernel_port_rig.h"

namespace {

using zorvex::kernel_test::Count;
using zorvex::kernel_test::HostCounts;
using zorvex::kernel_test::kCountNames;

constexpr uint16_t kBase = 0x378;

std::string Format(const HostCounts& counts) {
    std::string text;
    for (size_t i = 0; i < static_cast<size_t>(Count::Kinds); ++i)
        text += std::string(kCountNames[i]) + "=" + std::to_string(counts.values[i]) + " ";
    char state[64];
    std::snprintf(state, sizeof state, "@control=%d @data=%d @mode=%d", counts.lastControl,
                  counts.lastData, counts.mode);
    return text + state;
}

std::map<std::string, long long> Parse(const std::string& text) {
    std::map<std::string, long long> values;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        const auto equals = item.find('=');
        if (equals != std::string::npos)
            values[item.substr(0, equals)] = std::atoll(item.c_str() + equals + 1);
    }
    return values;
}

// Only the kinds that moved, in the order of kCountNames.
std::string Moved(const std::map<std::string, long long>& before,
                  const std::map<std::string, long long>& after) {
    std::string text;
    for (const char* name : kCountNames) {
        const auto b = before.find(name);
        const auto a = after.find(name);
        const long long difference =
            (a == after.end() ? 0 : a->second) - (b == before.end() ? 0 : b->second);
        if (difference != 0)
            text += std::string(text.empty() ? "" : " ") + name + "=" + std::to_string(difference);
    }
    return text.empty() ? "none" : text;
}

// The guest kernel's port accesses as QEMU's hw/char/parallel.c (with the
// EPP control test taken out) turns them into calls on the host device:
// a data or control write of the value it last forwarded is left out, a
// change of the direction bit is a PPDATADIR before the PPWCONTROL, the
// control register is read from QEMU's copy, a write to the status register
// only clears QEMU's time-out flag, and an EPP cycle is a read or write, after
// a PPSETMODE when the address/data mode changes. Stock QEMU runs an EPP
// cycle only while the control register holds 0x04 (0x24 for a read) and
// drops it silently otherwise.
class QemuForwarding final : public zorvex::PortIo, public zorvex::sim::WideAccessObserver {
  public:
    QemuForwarding(zorvex::PortIo& port, HostCounts& counts, bool eppGate, FILE* trace)
        : port_(port), counts_(counts), eppGate_(eppGate), trace_(trace) {}

    void Out(uint16_t address, uint8_t value) override {
        switch (address - kBase) {
            case 0:
                if (counts_.lastData != value) {
                    ++counts_.at(Count::WriteData);
                    Trace("wdata", value);
                }
                counts_.lastData = value;
                break;
            case 2: {
                const int previous = counts_.lastControl;
                if (previous == value) break;
                if (previous >= 0 && ((previous ^ value) & 0x20)) {
                    ++counts_.at(Count::DataDir);
                    Trace("datadir", (value & 0x20) ? 1 : 0, "%s %d\n");
                }
                ++counts_.at(Count::WriteControl);
                Trace("wcontrol", value);
                counts_.lastControl = value;
                break;
            }
            case 3:
                if (Gated(false)) return;
                Epp(IEEE1284_MODE_EPP | IEEE1284_ADDR, Count::EppAddressWrites, value);
                break;
            case 4:
                if (Gated(false)) return;
                Epp(IEEE1284_MODE_EPP, Count::EppDataWrites, value);
                break;
            default:
                break;
        }
        port_.Out(address, value);
    }

    uint8_t In(uint16_t address) override {
        switch (address - kBase) {
            case 0:
                ++counts_.at(Count::ReadData);
                Trace("rdata");
                break;
            case 1:
                ++counts_.at(Count::ReadStatus);
                Trace("rstatus");
                break;
            case 3:
                if (Gated(true)) return 0xFF;
                Epp(IEEE1284_MODE_EPP | IEEE1284_ADDR, Count::EppAddressReads);
                break;
            case 4:
                if (Gated(true)) return 0xFF;
                // A 32-bit read is one 4-byte EPP read (QEMU's
                // parallel_ioport_eppdata_read_hw4).
                if (wideBytes_ > 0 && wideBytes_-- % 4 != 0)
                    ++counts_.at(Count::EppBytes);
                else
                    Epp(IEEE1284_MODE_EPP, Count::EppDataReads);
                break;
            default:
                break;
        }
        return port_.In(address);
    }

    void Words(uint16_t address, size_t count) override {
        if (address == kBase + 4) wideBytes_ = count * 4;
    }

  private:
    bool Gated(bool read) const {
        return eppGate_ && (counts_.lastControl & 0x2F) != (read ? 0x24 : 0x04);
    }
    void Epp(int mode, Count kind, uint8_t value = 0) {
        if (counts_.mode != mode) {
            ++counts_.at(Count::SetMode);
            Trace("setmode", mode, "%s %d\n");
        }
        counts_.mode = mode;
        ++counts_.at(kind);
        ++counts_.at(Count::EppBytes);
        Trace(kCountNames[static_cast<size_t>(kind)], value);
    }
    // The lines of the host library's ZORVEX_HOST_TRACE, for a diff.
    void Trace(const char* name, int value = -1, const char* format = "%s %02x\n") {
        if (!trace_) return;
        if (value < 0)
            std::fprintf(trace_, "%s\n", name);
        else
            std::fprintf(trace_, format, name, value);
    }

    zorvex::PortIo& port_;
    HostCounts& counts_;
    size_t wideBytes_ = 0;  // bytes left of the kernel's last insl
    bool eppGate_;
    FILE* trace_;
};

bool SetMode(zorvex::CardLink& link, const std::string& mode) {
    if (mode == "spp") {
        link.SetTransferMode(zorvex::TransferSpp);
    } else if (mode == "epp") {
        link.SetTransferMode(zorvex::TransferEpp);
    } else if (mode != "auto") {
        return false;
    }
    return true;
}

// One zorvex-cli run: the runtime it builds (whose CardLink probes LPT1 at
// once), then the command's own card operations.
bool Run(const std::string& step, bool direct, zorvex::sim::KernelParport& kernel,
         QemuForwarding& forwarding) {
    std::vector<std::string> words;
    std::istringstream in(step);
    for (std::string word; std::getline(in, word, ':');) words.push_back(word);
    if (words.empty()) return false;

    std::vector<zorvex::KernelPort> ports{{1, kBase, "parport0", 0, false, true}};
    zorvex::test::SimInstructions instructions(forwarding);
    zorvex::LinkRuntime runtime;
    runtime.access = direct ? zorvex::PortAccessMethod::Direct : zorvex::PortAccessMethod::Ppdev;
    if (direct)
        runtime.portIo =
            std::make_unique<zorvex::DirectPortIo>(ports, instructions, kernel, "/dev");
    else
        runtime.portIo = std::make_unique<zorvex::PpdevPortIo>(ports, kernel, "/dev");
    runtime.portSource = std::make_unique<zorvex::ListPortSource>(std::vector<uint16_t>{kBase});
    runtime.clock = std::make_unique<zorvex::CountingClock>();
    zorvex::NullMessageSink messages;
    runtime.link = std::make_unique<zorvex::CardLink>(*runtime.portIo, *runtime.portSource,
                                                      *runtime.clock, messages);
    zorvex::CardLink& link = *runtime.link;
    const std::string& command = words[0];
    if (command == "detect-report" && words.size() == 2) {
        if (!SetMode(link, words[1])) return false;
        zorvex::cli::DetectReport(runtime);
        return true;
    }
    if (command == "dump" && words.size() == 3) {
        if (!SetMode(link, words[2])) return false;
        zorvex::CardOperation operation(link.bus());
        if (link.DetectCard().result != 0) return false;
        const int banks =
            (std::atoi(words[1].c_str()) + zorvex::kRomBankSize - 1) / zorvex::kRomBankSize;
        std::vector<uint8_t> flash(zorvex::kRomBankSize);
        for (int b = 0; b < banks; ++b)
            link.ReadRomPages(b, flash.data(), zorvex::kRomBankSize / 256);
        link.ReleaseCard();
        return true;
    }
    if (command == "sram-write" && words.size() == 2)
        return zorvex::WriteSaveRamFromFile(link, words[1], std::nullopt, messages, nullptr);
    if (command == "sram-read" && words.size() == 1) {
        const std::string scratch = "/tmp/zorvex-emulated-save.sav";
        const bool ok = zorvex::ReadSaveRamToFile(link, scratch, std::nullopt, messages, nullptr);
        std::remove(scratch.c_str());
        return ok;
    }
    return false;
}

int Emulate(int argc, char** argv) {
    if (argc < 9) return 2;
    const std::string directory = argv[2];
    const bool eppGate = std::string(argv[3]) == "stock";
    const bool direct = std::string(argv[4]) == "direct";
    HostCounts counts;
    counts.lastControl = std::atoi(argv[5]);
    counts.lastData = std::atoi(argv[6]);
    counts.mode = std::atoi(argv[7]);

    zorvex::sim::CardConfig config;
    std::string problem;
    if (!zorvex::sim::LoadCardConfig(directory, config, problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    // A copy of the card in memory: the emulated runs leave the folder alone.
    auto card =
        zorvex::sim::Cartridge::Open(*zorvex::sim::FindChip(config.chip), directory, &problem);
    if (!card) return 1;
    zorvex::sim::Cartridge cartridge(card->info());
    std::copy(card->chip().contents().begin(), card->chip().contents().end(),
              cartridge.chip().contents().begin());
    card.reset();
    zorvex::sim::SimParallelPort port(config.ports);
    port.SetCartridge(&cartridge);
    const char* tracePath = std::getenv("ZORVEX_HOST_TRACE");
    FILE* trace = tracePath ? std::fopen(tracePath, "w") : nullptr;
    QemuForwarding forwarding(port, counts, eppGate, trace);
    // QEMU's ISA port has IRQ 7, which the guest's parport_pc takes from ACPI.
    zorvex::sim::KernelDevice device{"/dev/parport0", kBase};
    device.irq = true;
    zorvex::sim::KernelParport kernel(forwarding, {device});
    kernel.SetWideAccessObserver(&forwarding);
    const HostCounts start = counts;
    for (int i = 8; i < argc; ++i) {
        if (!Run(argv[i], direct, kernel, forwarding)) {
            std::fprintf(stderr, "emulated step '%s' failed\n", argv[i]);
            return 1;
        }
    }
    if (trace) std::fclose(trace);
    std::printf("%s\n", Moved(Parse(Format(start)), Parse(Format(counts))).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--read" && argc == 3) {
        HostCounts counts;
        std::ifstream in(argv[2], std::ios::binary);
        in.read(reinterpret_cast<char*>(&counts), sizeof counts);
        std::printf("%s\n", Format(counts).c_str());
        return 0;
    }
    if (command == "--difference" && argc == 4) {
        std::printf("%s\n", Moved(Parse(argv[2]), Parse(argv[3])).c_str());
        return 0;
    }
    if (command == "--emulate") return Emulate(argc, argv);
    std::fprintf(stderr,
                 "usage: zorvex_emulated_counts --read FILE | --difference A B |\n"
                 "       --emulate CARD QEMU ACCESS CONTROL DATA MODE STEP...\n");
    return 2;
}
