#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/message_sink.h"
#include "link/card_bus.h"
#include "link/flash_chips.h"
#include "link/job_monitor.h"

namespace zorvex {

inline constexpr int kRomBankSize = 0x4000;

// The bytes an identification read back, for diagnostics: the id bytes of a
// JEDEC chip (the second is read only when the first matched), or the start
// of the 64M chip's CFI query.
struct IdReads {
    int count = 0;
    std::array<uint8_t, 64> bytes{};
};

// What a programmer works with: the wire, where the protocol's "Warning"
// boxes go, and the job's monitor for the time a long erase has waited (may
// be null).
struct FlashSession {
    CardBus& bus;
    MessageSink& warnings;
    JobMonitor* monitor = nullptr;

    void Warn(const std::string& text) { warnings.ShowMessage(text, "Warning"); }
};

// How a bank is written when the send leaves out what the card already
// holds. The defaults are the plain send: every erase the chip needs, every
// program unit.
struct BankWrite {
    bool eraseBlock = true;  // erase the bank's block when the bank starts one (64M)
    // Leave out the pages or buffers that are all 0xFF in the image: the
    // flash under them was just erased, or reads 0xFF already.
    bool skipBlankUnits = false;
    // The bank as the card holds it (4M, whose pages are erased as they are
    // programmed): pages that already match are left alone. Null: every page.
    const uint8_t* onCard = nullptr;
};

// The operations one family of flash chips needs, in its own command set.
// Each chip row of the table (link/flash_chips.h) names its programmer; the
// jobs never ask which chip it is.
class ChipProgrammer {
  public:
    virtual ~ChipProgrammer() = default;
    // Asks the chip for its ids; true when they are this chip's, and the chip
    // is then back in read-array mode. The identification of the rows is
    // tried in table order, each on what the previous one left.
    virtual bool Identify(FlashSession& session, IdReads& reads) const = 0;
    // The erase a send starts with: the whole chip, or nothing for a chip
    // that erases as it programs or block by block. 0 or 0xFF.
    virtual uint8_t EraseChip(FlashSession& session) const = 0;
    // Programs one 16 KiB bank from `bytes`; 0 or 0xFF.
    virtual uint8_t WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                              const BankWrite& how = {}) const = 0;
};

// True when all `count` bytes are 0xFF, what erased flash reads.
bool AllErased(const uint8_t* bytes, int count);

// Reads the byte at bus `address` in id mode and notes it in `reads`.
uint8_t ReadIdByte(CardBus& bus, IdReads& reads, uint16_t address);

// Reads `count` bytes in block mode from `start`, already in registers 0/1,
// and compares them with `expected`, stopping at the first difference: its
// index, or -1.
int CompareBlock(CardBus& bus, RunStart start, const uint8_t* expected, int count);

// Reads bank `bank` back and compares it with `bytes`: 0, or 0xFF with
// "error at %lx!" (the flash address of the first difference) in `error`.
uint8_t VerifyBank(CardBus& bus, int bank, const uint8_t* bytes, std::string* error = nullptr);

// The polls and steps of the families, on their own for the tests that
// drive them one by one.
int TogglePoll(CardBus& bus);  // 4M: 0 done, 1 timed out
uint8_t StatusPoll16M(
    FlashSession& session);  // 0 ready; 0xFF erase, 0xFE program failure; 0xFD no answer
void Reset16M(CardBus& bus);
uint8_t ReadStatus64M(CardBus& bus);
uint8_t WaitReady64M(CardBus& bus);  // 0 or 0xFF
uint8_t EraseBlock64M(CardBus& bus, uint32_t linear);

}  // namespace zorvex
