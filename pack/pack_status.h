#pragma once

#include <string>

#include "library/rom_list_model.h"

namespace zorvex {

// The card a pack needs, or why it cannot be sent.
enum class PackVerdict {
    Empty,
    TooManyBanks,  // more save banks than any card holds
    Card512K,
    Card2M,
    Card8M,
    TooBig,  // larger than the largest card
};

// Everything the main window shows about the DIZavo list: the group box
// caption and the states of "&Send DIZavo", "&Clear DIZavo" and "Sa&ve DIZavo".
struct PackStatus {
    std::string caption;
    int rowCount = 0;
    int packKiB = 0;    // members plus the 32 KiB menu program
    int packBanks = 0;  // 8 KiB save-RAM banks the members need
    PackVerdict verdict = PackVerdict::Empty;
    bool sendEnabled = false;
    bool clearEnabled = false;
    bool saveEnabled = false;
};

inline constexpr int kMenuProgramKiB = 32;
inline constexpr int kMaxPackBanks = 16;

// Sizes the pack from the rows' Attributes (byte 4: used size code, byte 5:
// header RAM size code) and decides the verdict and the command states.
PackStatus UpdatePackStatus(const RomListModel& pack);

}  // namespace zorvex
