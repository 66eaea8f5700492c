// Writes the seeds of hostile_card_fuzzer into DIR/hostile_card/: every entry
// point run on the simulated card of each chip over SPP and EPP, and what the
// card answered to its reads, in order (the first 4 KiB of them), behind the
// target's two option bytes. Run by hand when the protocol changes:
//   build-fuzz/fuzz/fuzz_make_card_seeds fuzz/seeds
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "saves/pack_scan.h"
#include "sim/card_config.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"

namespace {

using namespace zorvex;
namespace fs = std::filesystem;

constexpr size_t kMaxAnswers = 4096;

struct Machine {
    Machine(uint8_t chip, bool spp) : cart(*sim::FindChip(chip)), ports({0x378}) {
        port.SetCartridge(&cart);
        port.violations().ExpectViolations();  // a seed is data, not a check
        link = std::make_unique<CardLink>(port, ports, clock, warnings);
        link->SetTransferMode(spp ? TransferSpp : TransferEpp);
    }
    sim::Cartridge cart;
    sim::SimParallelPort port;
    ListPortSource ports;
    CountingClock clock;
    NullMessageSink warnings;
    std::unique_ptr<CardLink> link;
};

void Write(const std::string& dir, const std::string& name, uint8_t entry, uint8_t options,
           const std::vector<sim::PortAccess>& trace) {
    std::vector<uint8_t> bytes{entry, options};
    for (const auto& a : trace) {
        if (!a.write && bytes.size() < kMaxAnswers + 2) bytes.push_back(a.value);
    }
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/hostile_card";
    fs::create_directories(dir);
    const std::string image = (fs::temp_directory_path() / "zorvex-card-seed.gb").string();
    std::vector<uint8_t> bytes(0x8000);
    for (size_t j = 0; j < bytes.size(); ++j) bytes[j] = static_cast<uint8_t>(j * 7 + j / 251);
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const uint8_t chipBits[] = {0, 1, 2};
    const uint8_t codes[] = {4, 16, 64};
    for (int c = 0; c < 3; ++c) {
        for (bool spp : {true, false}) {
            const std::string tag = std::string(sim::ChipName(codes[c])) + (spp ? "_spp" : "_epp");
            const uint8_t mode = static_cast<uint8_t>((spp ? 1 : 2) << 5);
            const uint8_t options = static_cast<uint8_t>(chipBits[c] | (spp ? 4 : 0) | mode);
            for (uint8_t entry = 0; entry < 8; ++entry) {
                Machine m(codes[c], spp);
                if (entry >= 3 && entry != 7) m.link->DetectCard();
                m.port.StartRecording();
                std::vector<uint8_t> source(kRomBankSize, 0x5A);
                std::vector<uint8_t> sram(kSramBankSize);
                switch (entry) {
                    case 0:
                        m.link->DetectCard();
                        break;
                    case 1:
                        m.link->OpenCard();
                        break;
                    case 2:
                        m.link->SendJob(LoadSendImage(image), {});
                        break;
                    case 3:  // what the send job does after detection
                        if (m.link->card().chipSpec()->typicalChipEraseMs != 0) m.link->EraseChip();
                        for (int b = 0; b < 2; ++b)
                            m.link->WriteBank(b, bytes.data() + b * kRomBankSize);
                        break;
                    case 4:
                        m.link->VerifyBank(1, source.data());
                        break;
                    case 5:
                        m.link->ReadSramBank(1, sram.data());
                        break;
                    case 6:
                        m.link->WriteSramBank(1, sram.data());
                        break;
                    default:
                        ScanPack(*m.link);
                        break;
                }
                Write(dir, tag + "_entry" + std::to_string(entry),
                      static_cast<uint8_t>(entry | 1 << 3), options, m.port.trace());
            }
        }
    }
    fs::remove(image);
    return 0;
}
