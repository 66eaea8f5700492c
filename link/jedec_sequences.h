#pragma once

#include "link/flash_commands.h"

// The unlock sequences of the JEDEC-style chips (4M and 16M), sent through
// whichever command form the chip decodes.
namespace zorvex::jedec {

struct Cycle {
    uint16_t address;
    uint8_t value;
};

inline constexpr Cycle kUnlock[] = {
    {flash_commands::kJedecUnlockAddress1, flash_commands::kJedecUnlock1},
    {flash_commands::kJedecUnlockAddress2, flash_commands::kJedecUnlock2}};
inline constexpr Cycle kEraseUnlock[] = {
    {flash_commands::kJedecUnlockAddress1, flash_commands::kJedecUnlock1},
    {flash_commands::kJedecUnlockAddress2, flash_commands::kJedecUnlock2},
    {flash_commands::kJedecCommandAddress, flash_commands::kJedecEraseSetup},
    {flash_commands::kJedecUnlockAddress1, flash_commands::kJedecUnlock1},
    {flash_commands::kJedecUnlockAddress2, flash_commands::kJedecUnlock2}};

template <typename Send>
void Unlocked(Send send, uint8_t command) {
    for (const Cycle& c : kUnlock) send(c.address, c.value);
    send(flash_commands::kJedecCommandAddress, command);
}

template <typename Send>
void EraseUnlocked(Send send, uint8_t command) {
    for (const Cycle& c : kEraseUnlock) send(c.address, c.value);
    send(flash_commands::kJedecCommandAddress, command);
}

}  // namespace zorvex::jedec
