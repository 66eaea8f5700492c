#include <algorithm>
#include <array>
#include <cstdio>

#include "link/card_link.h"
#include "link/card_registers.h"
#include "link/flash_commands.h"

namespace zorvex {

using namespace card_registers;
using namespace flash_commands;

namespace {

constexpr FlashChipSpec kChip4M = ChipSpec(Flash4M);
constexpr FlashChipSpec kChip16M = ChipSpec(Flash16M);
constexpr FlashChipSpec kChip64M = ChipSpec(Flash64M);
constexpr int kPageSize4M = kChip4M.programUnit;
constexpr int kPageSize16M = kChip16M.programUnit;
constexpr int kBuffer64M = kChip64M.programUnit;
constexpr int kBanksPerBlock64M = kChip64M.eraseBlock / kRomBankSize;
constexpr uint32_t kBufferBusyReads = 0x80000;

}  // namespace

// Reads `count` bytes in block mode from the address already in registers 0/1
// and compares them with `expected`, stopping at the first difference.
// Returns the index of the difference or -1.
static int CompareBlock(CardLink& link, const uint8_t* expected, int count) {
    link.WriteRegister(kRegMode, kModeBlock);
    link.SelectRegister(kRegData);
    link.SetControl(kControlRead);
    return link.CompareDataRun(expected, count);
}

uint8_t CardLink::WriteBank(int bank) {
    const uint8_t bankLow = static_cast<uint8_t>(bank & 0xFF);
    switch (flashType) {
        case Flash4M: {
            for (int p = 0; p < kRomBankSize / kPageSize4M; ++p) {
                const uint8_t* page = bankSource + p * kPageSize4M;
                for (int attempt = 1;; ++attempt) {
                    BankedCommand(kJedecUnlockAddress1, kJedecUnlock1);
                    BankedCommand(kJedecUnlockAddress2, kJedecUnlock2);
                    BankedCommand(kJedecCommandAddress, kJedecProgram);
                    BusWrite(kBusRomBankLow, bankLow);
                    WriteRegister(kRegAddressHigh, PageHigh(bank, p));
                    WriteRegister(kRegAddressLow, 0x00);
                    WriteRegister(kRegMode, kModeBlockFlashWrite);
                    SelectRegister(kRegData);
                    WriteDataRun(page, kPageSize4M);
                    WriteRegister(kRegMode, kModeSingle);
                    // The card keeps register 1 across the page, so only the low
                    // byte moves to the page's last byte for the toggle poll.
                    WriteRegister(kRegAddressLow, 0xFF);
                    TogglePoll();  // the read-back decides, not the time-out
                    WriteRegister(kRegAddressLow, 0x00);
                    if (CompareBlock(*this, page, kPageSize4M) < 0) break;
                    if (attempt == kChip4M.programAttempts) return 0xFF;
                }
            }
            return 0;
        }
        case Flash16M: {
            for (int h = 0; h < kRomBankSize / 256; ++h) {
                for (int half = 0; half < 2; ++half) {
                    const uint8_t lo = static_cast<uint8_t>(half * kPageSize16M);
                    const uint8_t* page = bankSource + h * 256 + lo;
                    for (int attempt = 1;; ++attempt) {
                        DoubledCommand(kJedecUnlockAddress1, kJedecUnlock1);
                        DoubledCommand(kJedecUnlockAddress2, kJedecUnlock2);
                        DoubledCommand(kJedecCommandAddress, kJedecProgram);
                        BusWrite(kBusRomBankLow, bankLow);
                        WriteRegister(kRegAddressHigh, PageHigh(bank, h));
                        WriteRegister(kRegAddressLow, lo);
                        WriteRegister(kRegMode, kModeBlockFlashWrite);
                        SelectRegister(kRegData);
                        WriteDataRun(page, kPageSize16M);
                        WriteRegister(kRegMode, kModeSingle);
                        clock().Sleep(1);
                        // A status failure has shown its box; the page is not retried.
                        if (StatusPoll16M() != 0) return 0xFF;
                        Reset16M();
                        BusWrite(kBusRomBankLow, bankLow);
                        WriteRegister(kRegAddressHigh, PageHigh(bank, h));
                        WriteRegister(kRegAddressLow, lo);
                        if (CompareBlock(*this, page, kPageSize16M) < 0) break;
                        if (attempt == kChip16M.programAttempts) return 0xFF;
                    }
                }
            }
            Reset16M();
            return 0;
        }
        case Flash64M: {
            const uint32_t base = static_cast<uint32_t>(bank) * kRomBankSize;
            if (bank % kBanksPerBlock64M == 0 && EraseBlock64M(base) != 0) return 0xFF;
            for (int off = 0; off < kRomBankSize; off += kBuffer64M) {
                LinearCommand(base + static_cast<uint32_t>(off), kIntelWriteToBuffer);
                WriteRegister(kRegMode, kModeFlashWrite);
                SelectRegister(kRegData);
                SetControl(kControlRead);
                uint8_t s = ReadData();  // extended status: bit 7 = buffer free
                for (uint32_t busyReads = 1; !(s & kIntelStatusReady); ++busyReads) {
                    if (busyReads >= kBufferBusyReads) return 0xFF;
                    SetControl(kControlWrite);
                    WriteData(kIntelWriteToBuffer);
                    SetControl(kControlRead);
                    s = ReadData();
                }
                // The status reads leave the control register in the read
                // state; over SPP the count's strobe latches only when set up
                // from the write state, or the chip would take the first data
                // byte as the count.
                SetControl(kControlWrite);
                WriteData(kBuffer64M - 1);
                WriteRegister(kRegMode, kModeBlockFlashWrite);
                SelectRegister(kRegData);
                // The buffer and its confirm go out as one run; the next
                // buffer waits for the chip.
                std::array<uint8_t, kBuffer64M + 1> run{};
                std::copy_n(bankSource + off, kBuffer64M, run.begin());
                run[kBuffer64M] = kIntelConfirm;
                WriteDataRun(run.data(), static_cast<int>(run.size()));
            }
            if (WaitReady64M() != 0) return 0xFF;
            if (ReadStatus64M() != kIntelStatusReady) return 0xFF;
            LinearCommand(0, kIntelReadArray);
            SetControl(kControlRead);
            return VerifyBank(bank);
        }
        default:
            return 0xFF;
    }
}

uint8_t CardLink::VerifyBank(int bank) {
    BusWrite(kBusRomBankHigh, static_cast<uint8_t>(bank >> 8));
    BusWrite(kBusRomBankLow, static_cast<uint8_t>(bank & 0xFF));
    for (int k = 0; k < kRomBankSize / 256; ++k) {
        WriteRegister(kRegAddressHigh, PageHigh(bank, k));
        WriteRegister(kRegAddressLow, 0x00);
        const int diff = CompareBlock(*this, bankSource + k * 256, 256);
        if (diff >= 0) {
            char text[64];
            std::snprintf(text, sizeof text, "error at %lx!",
                          static_cast<unsigned long>(bank) * kRomBankSize + k * 0x100ul +
                              static_cast<unsigned long>(diff));
            messageText = text;
            return 0xFF;
        }
    }
    return 0;
}

}  // namespace zorvex
