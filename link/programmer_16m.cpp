// The 16 Mbit chip: JEDEC commands in the doubled form (word addresses), one
// erase for the whole chip, 128-byte pages, a status register for its polls.
#include "link/card_registers.h"
#include "link/chip_programmer.h"
#include "link/jedec_sequences.h"

namespace zorvex {

using namespace card_registers;
using namespace flash_commands;

namespace {

constexpr FlashChipSpec kChip = ChipSpec(Flash16M);
constexpr int kPageSize = kChip.programUnit;

// StatusPoll16M has no natural end when the card is gone (a floating bus can
// read as "busy" for ever). The first kFastPolls reads run back to back, so a
// page program is seen done without a wait; any page program ends long before
// them on any port. Beyond them the chip is in a long operation, a chip erase,
// so each further read follows a kSlowPollWaitMs wait, and a wait never ends
// early.
//
// How long the chip erase may take: the 16M chip (ids 0xC2/0xF1) is the
// Macronix MX29F1610A; its datasheet (Macronix P/N PM0506, rev. 1.7, June
// 2001, "Features") gives 1.3 s typical for each of its 16 sectors of 128 KiB,
// so 20.8 s typical for the whole chip; the copies of it at hand state no
// maximum. kSlowPolls allows ten times that typical figure (21,000 x 10 ms =
// 210 s) for an old, worn or cold chip, and still gives a pulled card up after
// a few minutes at most.
constexpr uint32_t kFastPolls = 0x10000;
constexpr uint32_t kSlowPolls = 21000;
constexpr uint32_t kSlowPollWaitMs = 10;

class Programmer16M final : public ChipProgrammer {
  public:
    bool Identify(FlashSession& session, IdReads& reads) const override;
    uint8_t EraseChip(FlashSession& session) const override;
    uint8_t WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                      const BankWrite& how = {}) const override;
};

auto Doubled(CardBus& bus) {
    return [&bus](uint32_t a, uint8_t v) { bus.DoubledCommand(a, v); };
}

// Ids at word addresses 0 and 1. The chip leaves id mode in either case, so
// the next row's identification starts from the array.
bool Programmer16M::Identify(FlashSession& session, IdReads& reads) const {
    CardBus& bus = session.bus;
    jedec::Unlocked(Doubled(bus), kJedecIdEntry);
    const bool found = ReadIdByte(bus, reads, 0x0000) == kChip.manufacturerId &&
                       ReadIdByte(bus, reads, 0x0002) == kChip.deviceId;
    Reset16M(bus);
    return found;
}

uint8_t Programmer16M::EraseChip(FlashSession& session) const {
    CardBus& bus = session.bus;
    jedec::EraseUnlocked(Doubled(bus), kJedecChipErase);
    bus.clock().Sleep(1);
    const uint8_t poll = StatusPoll16M(session);
    Reset16M(bus);
    if (poll != 0) {
        session.Warn("erase error!!!\a\n");
        return 0xFF;
    }
    return 0;
}

uint8_t Programmer16M::WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                                 const BankWrite& how) const {
    CardBus& bus = session.bus;
    const uint8_t bankLow = static_cast<uint8_t>(bank & 0xFF);
    for (int h = 0; h < kRomBankSize / 256; ++h) {
        for (int half = 0; half < 2; ++half) {
            const uint8_t lo = static_cast<uint8_t>(half * kPageSize);
            const uint8_t* page = bytes + h * 256 + lo;
            if (how.skipBlankUnits && AllErased(page, kPageSize)) continue;
            for (int attempt = 1;; ++attempt) {
                bus.DoubledCommand(kJedecUnlockAddress1, kJedecUnlock1);
                bus.DoubledCommand(kJedecUnlockAddress2, kJedecUnlock2);
                bus.DoubledCommand(kJedecCommandAddress, kJedecProgram);
                bus.BusWrite(kBusRomBankLow, bankLow);
                bus.WriteRegister(kRegAddressHigh, PageHigh(bank, h));
                bus.WriteRegister(kRegAddressLow, lo);
                bus.WriteRegister(kRegMode, kModeBlockFlashWrite);
                bus.SelectRegister(kRegData);
                bus.WriteDataRun(page, kPageSize);
                bus.WriteRegister(kRegMode, kModeSingle);
                bus.clock().Sleep(1);
                // A status failure has shown its box; the page is not retried.
                if (StatusPoll16M(session) != 0) return 0xFF;
                Reset16M(bus);
                bus.BusWrite(kBusRomBankLow, bankLow);
                bus.WriteRegister(kRegAddressHigh, PageHigh(bank, h));
                bus.WriteRegister(kRegAddressLow, lo);
                if (CompareBlock(bus, RunStart{PageHigh(bank, h), lo}, page, kPageSize) < 0) break;
                if (attempt == kChip.programAttempts) return 0xFF;
            }
        }
    }
    Reset16M(bus);
    return 0;
}

}  // namespace

void Reset16M(CardBus& bus) {
    jedec::Unlocked(Doubled(bus), kJedecReset);
}

uint8_t StatusPoll16M(FlashSession& session) {
    CardBus& bus = session.bus;
    uint8_t s = bus.ReadHere();
    for (uint32_t polls = 0;; ++polls) {
        if ((s & kJedecStatusDoneMask) == kJedecStatusReady) return 0;
        if (s & kJedecStatusEraseFailed) {
            session.Warn("Fail in erase!!!\a\n");
            return 0xFF;
        }
        if (s & kJedecStatusProgramFailed) {
            session.Warn("Fail in program!!!\a\n");
            return 0xFE;
        }
        if (polls >= kFastPolls) {
            if (polls >= kFastPolls + kSlowPolls) {
                session.Warn("Flash chip not responding!!!\a\n");
                return 0xFD;
            }
            bus.clock().Sleep(kSlowPollWaitMs);
            if (session.monitor) session.monitor->eraseWaitedMs += kSlowPollWaitMs;
        }
        s = bus.ReadData();  // register 3 is still selected
    }
}

const ChipProgrammer& Jedec16MProgrammer() {
    static const Programmer16M programmer;
    return programmer;
}

}  // namespace zorvex
