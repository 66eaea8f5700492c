#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/message_sink.h"

namespace zorvex {

inline constexpr int kMaxEmulators = 10;
// Every text of an emulator, and the command line built from them, holds at
// most this many characters; longer ones are refused, never cut.
inline constexpr size_t kMaxEmulatorText = 511;

// One emulator of the "Set &Emulator" menu.
struct EmulatorEntry {
    std::string menuLabel;  // "&%d %s" with the entry's index and its title
    std::string program;    // executable, path and name
    std::string preParam;   // placed before the ROM path
    std::string postParam;  // placed after the ROM path
};

// The emulators defined in emu.cfg, filled from index 0 without gaps.
//
// An emulator i (1..10) is defined by the keys "emu%dtitle=", "emu%dname=",
// "emu%dpreparam=" and "emu%dpostparam=". A key counts at its first occurrence
// anywhere in the text (exact case); its value runs to the next carriage return
// or the end of the file, untrimmed, so a bare line feed does not end it. Only
// emulators with all four keys are taken, in the order of their numbers.
class EmulatorTable {
  public:
    // Reads the file whole (its failures are reported by ReadWholeFile) and
    // fills the table; false, with no emulators, when it cannot be read.
    bool Load(const std::string& path, MessageSink& sink);
    // Fills the table from the file's text; source names the file in messages.
    void Parse(const uint8_t* text, size_t length, const std::string& source, MessageSink& sink);

    int emulatorCount() const { return count_; }
    int currentEmulator() const { return current_; }
    const EmulatorEntry& Entry(int index) const { return entries_[static_cast<size_t>(index)]; }

    // Makes emulator index current; false (and nothing changes) unless it exists.
    bool SelectEmulator(int index);

  private:
    std::array<EmulatorEntry, kMaxEmulators> entries_;
    int count_ = 0;
    int current_ = 0;
};

}  // namespace zorvex
