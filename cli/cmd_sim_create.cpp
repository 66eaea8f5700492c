// zorvex-cli sim-create: sets up a simulated card directory (card.ini, erased
// flash, zeroed save RAM) for ZORVEX_SIMULATED_CARD.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "common/file_io.h"
#include "sim/card_config.h"
#include "sim/cartridge.h"

namespace {

std::string gDir, gPortsText, gCardPortText;
uint8_t gChipCode = 0;
bool gNoEpp = false;

// Values are kept as given: card.ini's own reader checks them below.
std::function<std::string(const std::string&)> Keep(std::string& text) {
    return [&text](const std::string& value) {
        text = value;
        return std::string();
    };
}

void DeclareSimCreate(zorvex::cli::Arguments& arguments) {
    arguments.Positional("DIR", gDir, "the card's directory, created if missing");
    arguments.Option(
        "--chip", "4M|16M|64M", "the flash chip, which fixes the card size",
        [](const std::string& value) -> std::string {
            if (!zorvex::sim::ParseChip(value, gChipCode) || gChipCode == 0)
                return "needs 4M, 16M or 64M, got '" + value + "'";
            return {};
        },
        true);
    arguments.Option("--ports", "BASE,BASE...", "I/O bases of LPT1, LPT2, ... (default 0x378)",
                     Keep(gPortsText));
    arguments.Option("--card-port", "N", "the LPT number holding the card; 0: none (default 1)",
                     Keep(gCardPortText));
    arguments.Flag("--no-epp", gNoEpp, "ports that answer SPP only");
}

int RunSimCreate() {
    const std::string& dir = gDir;
    const std::string& portsText = gPortsText;
    const std::string& cardPortText = gCardPortText;
    const uint8_t chipCode = gChipCode;
    const bool noEpp = gNoEpp;

    // The settings go through the card.ini reader itself, so that sim-create
    // accepts exactly what the simulated runtime will.
    std::ostringstream ini;
    ini << "[ports]\n";
    if (!portsText.empty()) ini << "bases=" << portsText << "\n";
    if (!cardPortText.empty()) ini << "cardPort=" << cardPortText << "\n";
    if (noEpp) ini << "epp=0\n";
    ini << "\n[card]\nchip=" << zorvex::sim::ChipName(chipCode) << "\n";

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "Can't create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    zorvex::cli::StderrMessages messages;
    const std::string iniPath = dir + "/" + zorvex::sim::kCardConfigFile;
    const std::string text = ini.str();
    // Checked in a scratch directory first so a bad option leaves DIR as it was.
    zorvex::sim::CardConfig config;
    std::string problem;
    {
        const std::string scratch = dir + "/.sim-create-check";
        std::filesystem::create_directories(scratch, ec);
        const bool written =
            !ec && zorvex::WriteWholeFile(scratch + "/" + zorvex::sim::kCardConfigFile, text.data(),
                                          text.size(), false, messages);
        const bool valid = written && zorvex::sim::LoadCardConfig(scratch, config, problem);
        std::filesystem::remove_all(scratch, ec);
        if (!written) return 1;
        if (!valid) {
            // Name the option, not the scratch file.
            const size_t colon = problem.find(": ");
            std::fprintf(
                stderr, "zorvex-cli sim-create: %s\n",
                colon == std::string::npos ? problem.c_str() : problem.c_str() + colon + 2);
            return 2;
        }
    }
    const std::string canonical = zorvex::sim::FormatCardConfig(config);
    if (!zorvex::WriteWholeFile(iniPath, canonical.data(), canonical.size(), false, messages))
        return 1;

    const zorvex::sim::ChipInfo* chip = zorvex::sim::FindChip(chipCode);
    auto cartridge = zorvex::sim::Cartridge::Open(*chip, dir, &problem);
    if (!cartridge) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    // Files already there from an earlier card are started afresh.
    cartridge->chip().Fill(0xFF);
    auto sram = cartridge->sram();
    std::fill(sram.begin(), sram.end(), 0);
    if (!cartridge->Flush(&problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    return 0;
}

const bool registered = zorvex::cli::Register(
    {"sim-create", "set up a simulated card in DIR", &DeclareSimCreate, &RunSimCreate});

}  // namespace
