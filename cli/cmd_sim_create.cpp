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

constexpr char kUsage[] =
    "usage: zorvex-cli sim-create DIR --chip 4M|16M|64M [--ports BASE,BASE...] [--card-port N] "
    "[--no-epp]\n";

int RunSimCreate(const std::vector<std::string>& args) {
    std::string dir, chipText, portsText, cardPortText;
    bool noEpp = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--chip" && hasValue) {
            chipText = args[++i];
        } else if (arg == "--ports" && hasValue) {
            portsText = args[++i];
        } else if (arg == "--card-port" && hasValue) {
            cardPortText = args[++i];
        } else if (arg == "--no-epp") {
            noEpp = true;
        } else if (dir.empty() && arg.rfind("--", 0) != 0) {
            dir = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    uint8_t chipCode = 0;
    if (dir.empty() || chipText.empty() || !zorvex::sim::ParseChip(chipText, chipCode) ||
        chipCode == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }

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
    {"sim-create",
     "sim-create DIR --chip 4M|16M|64M [--ports BASE,BASE...] [--card-port N] [--no-epp]   set "
     "up a simulated card",
     &RunSimCreate});

}  // namespace
