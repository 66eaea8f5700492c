// The 64 Mbit chip: the Intel command set in the linear form, 128 KiB erase
// blocks, 32-byte write buffers, a status register for its polls, and a CFI
// query for identification.
#include <algorithm>
#include <array>

#include "link/card_registers.h"
#include "link/chip_programmer.h"
#include "link/flash_commands.h"

namespace zorvex {

using namespace card_registers;
using namespace flash_commands;

namespace {

constexpr FlashChipSpec kChip = ChipSpec(Flash64M);
constexpr int kBuffer = kChip.programUnit;
constexpr int kBanksPerBlock = kChip.eraseBlock / kRomBankSize;
constexpr uint32_t kBufferBusyReads = 0x80000;
constexpr uint32_t kPollCountdown = 0x8000;

class Programmer64M final : public ChipProgrammer {
  public:
    bool Identify(FlashSession& session, IdReads& reads) const override;
    uint8_t EraseChip(FlashSession& session) const override;
    uint8_t WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                      const BankWrite& how = {}) const override;
};

// The CFI query table, one byte per word.
bool Programmer64M::Identify(FlashSession& session, IdReads& reads) const {
    CardBus& bus = session.bus;
    bus.EngageCard();
    bus.LinearCommand(0, kIntelCfiQuery);
    for (uint32_t j = 0; j < reads.bytes.size(); ++j) {
        bus.SetBusAddress(static_cast<uint16_t>(2 * j));
        reads.bytes[j] = bus.ReadHere();
    }
    reads.count = static_cast<int>(reads.bytes.size());
    const auto& query = reads.bytes;
    if (query[0] != kChip.manufacturerId || query[1] != kChip.deviceId ||
        !std::equal(kCfiSignature, kCfiSignature + 3, query.begin() + kCfiSignatureWord))
        return false;
    bus.LinearCommand(0, kIntelReadArray);
    return true;
}

uint8_t Programmer64M::EraseChip(FlashSession& session) const {
    for (int32_t block = 0; block < kChip.capacity; block += kChip.eraseBlock) {
        if (EraseBlock64M(session.bus, static_cast<uint32_t>(block)) != 0) {
            session.Warn("intel erase failed");
            return 0xFF;
        }
    }
    return 0;
}

// Erases the bank's block when the bank starts one, then loads the bank in
// buffers and reads it back.
uint8_t Programmer64M::WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                                 const BankWrite& how) const {
    CardBus& bus = session.bus;
    const uint32_t base = static_cast<uint32_t>(bank) * kRomBankSize;
    if (bank % kBanksPerBlock == 0 && how.eraseBlock && EraseBlock64M(bus, base) != 0) return 0xFF;
    for (int off = 0; off < kRomBankSize; off += kBuffer) {
        if (how.skipBlankUnits && AllErased(bytes + off, kBuffer)) continue;
        bus.LinearCommand(base + static_cast<uint32_t>(off), kIntelWriteToBuffer);
        bus.WriteRegister(kRegMode, kModeFlashWrite);
        bus.SelectRegister(kRegData);
        bus.SetControl(kControlRead);
        uint8_t s = bus.ReadData();  // extended status: bit 7 = buffer free
        for (uint32_t busyReads = 1; !(s & kIntelStatusReady); ++busyReads) {
            if (busyReads >= kBufferBusyReads) return 0xFF;
            bus.SetControl(kControlWrite);
            bus.WriteData(kIntelWriteToBuffer);
            bus.SetControl(kControlRead);
            s = bus.ReadData();
        }
        // The status reads leave the control register in the read state; over
        // SPP the count's strobe latches only when set up from the write
        // state, or the chip would take the first data byte as the count.
        bus.SetControl(kControlWrite);
        bus.WriteData(kBuffer - 1);
        bus.WriteRegister(kRegMode, kModeBlockFlashWrite);
        bus.SelectRegister(kRegData);
        // The buffer and its confirm go out as one run; the next buffer waits
        // for the chip.
        std::array<uint8_t, kBuffer + 1> run{};
        std::copy_n(bytes + off, kBuffer, run.begin());
        run[kBuffer] = kIntelConfirm;
        bus.WriteDataRun(run.data(), static_cast<int>(run.size()));
    }
    if (WaitReady64M(bus) != 0) return 0xFF;
    if (ReadStatus64M(bus) != kIntelStatusReady) return 0xFF;
    bus.LinearCommand(0, kIntelReadArray);
    bus.SetControl(kControlRead);
    return VerifyBank(bus, bank, bytes);
}

}  // namespace

uint8_t ReadStatus64M(CardBus& bus) {
    bus.LinearCommand(0, kIntelReadStatus);
    return bus.ReadHere();
}

uint8_t WaitReady64M(CardBus& bus) {
    uint32_t countdown = kPollCountdown;
    uint8_t s = ReadStatus64M(bus);
    while (!(s & kIntelStatusReady)) {
        if (--countdown == 0) {
            bus.LinearCommand(0, kIntelClearStatus);
            return 0xFF;
        }
        s = ReadStatus64M(bus);
    }
    return 0;
}

uint8_t EraseBlock64M(CardBus& bus, uint32_t linear) {
    uint32_t countdown = kPollCountdown;
    while (ReadStatus64M(bus) != kIntelStatusReady) {
        if (--countdown == 0) return 0xFF;
    }
    bus.LinearCommand(linear, kIntelBlockErase);
    bus.LinearCommand(linear, kIntelConfirm);
    countdown = kPollCountdown;
    while (!(ReadStatus64M(bus) & kIntelStatusReady)) {
        if (--countdown == 0) {
            bus.LinearCommand(linear, kIntelClearStatus);
            return 0xFF;
        }
    }
    if (ReadStatus64M(bus) == kIntelStatusReady) return 0;
    bus.LinearCommand(linear, kIntelClearStatus);
    bus.LinearCommand(0, kIntelReadArray);
    return 0xFF;
}

const ChipProgrammer& Intel64MProgrammer() {
    static const Programmer64M programmer;
    return programmer;
}

}  // namespace zorvex
