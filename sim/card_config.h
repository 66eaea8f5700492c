#pragma once

#include <cstdint>
#include <string>

#include "sim/sim_parallel_port.h"

namespace zorvex::sim {

inline constexpr char kCardConfigFile[] = "card.ini";

// A simulated machine and card, as DIR/card.ini describes them:
//   [ports]
//   bases=0x378,0x278   I/O bases, LPT1 first (hex, "0x" optional)
//   cardPort=1          LPT number holding the card; 0 = no card
//   epp=1               the ports answer EPP cycles
//   [card]
//   chip=16M            flash chip on the card: 4M, 16M, 64M or none
//   realtime=0          1: take the time real hardware would (RealTimePacer)
struct CardConfig {
    SimPortSetup ports;
    uint8_t chip = 16;  // chip size in Mbit: 0 none, 4, 16 or 64
    bool realTime = false;
};

// Reads DIR/card.ini. A missing file, section or key keeps its default.
// Returns false with the reason in messageText when a value cannot be used;
// config is then left at the defaults.
bool LoadCardConfig(const std::string& directory, CardConfig& config, std::string& messageText);

// The text of a card.ini describing config.
std::string FormatCardConfig(const CardConfig& config);

// "4M", "16M", "64M" or "none"; false for anything else.
bool ParseChip(const std::string& text, uint8_t& chip);
const char* ChipName(uint8_t chip);

}  // namespace zorvex::sim
