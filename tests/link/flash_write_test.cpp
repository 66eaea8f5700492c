// WriteBank and VerifyBank on the three simulated chips, over both transports,
// with read-back and status faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "sim/flash_64m.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

using Texts = std::vector<std::string>;

bool RangeIs(std::span<const uint8_t> bytes, size_t from, size_t length, uint8_t value) {
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       bytes.begin() + static_cast<std::ptrdiff_t>(from + length),
                       [value](uint8_t b) { return b == value; });
}

struct WriteCase {
    uint8_t chip;
    TransferMode mode;
};

class WriteEachChip : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteEachChip, WritesOneBankAndVerifiesIt) {
    SimCardRig rig(GetParam().chip, Engaged(GetParam().mode));
    ASSERT_EQ(rig.Identify(), 0);
    if (GetParam().chip == 16) {
        ASSERT_EQ(rig.link->EraseChip(), 0);
    }
    const auto chipBytes = [&] { return std::as_const(rig.cart.chip()).contents(); };
    for (int bank : {0, 5}) {
        const auto data = BankPattern(bank);
        ASSERT_EQ(rig.link->WriteBank(bank, data.data()), 0) << "bank " << bank;
        const auto stored =
            chipBytes().subspan(static_cast<size_t>(bank) * kRomBankSize, kRomBankSize);
        EXPECT_TRUE(std::equal(stored.begin(), stored.end(), data.begin())) << "bank " << bank;
        EXPECT_EQ(rig.link->VerifyBank(bank, data.data()), 0);
    }
    // Nothing outside the two banks was touched.
    EXPECT_TRUE(RangeIs(chipBytes(), kRomBankSize, 4 * kRomBankSize, 0xFF));
    EXPECT_TRUE(RangeIs(chipBytes(), 6 * kRomBankSize, 2 * kRomBankSize, 0xFF));
    EXPECT_TRUE(rig.warnings.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Chips, WriteEachChip,
                         ::testing::Values(WriteCase{4, TransferSpp}, WriteCase{4, TransferEpp},
                                           WriteCase{16, TransferSpp}, WriteCase{16, TransferEpp},
                                           WriteCase{64, TransferSpp}, WriteCase{64, TransferEpp}),
                         [](const ::testing::TestParamInfo<WriteCase>& info) {
                             return std::to_string(info.param.chip) + "M_" +
                                    (info.param.mode == TransferSpp ? "Spp" : "Epp");
                         });

TEST(WriteBank, WaitsAreOneMillisecondPer16MPageAndNoneOtherwise) {
    // 16M: Sleep(1) before every page's status poll. 4M: the toggle poll's
    // Sleep(0) on its first pass, once per page. 64M: polling only.
    struct Expect {
        uint8_t chip;
        uint64_t calls, milliseconds;
    };
    for (const Expect e : {Expect{4, 64, 0}, Expect{16, 128, 128}, Expect{64, 0, 0}}) {
        SimCardRig rig(e.chip);
        ASSERT_EQ(rig.Identify(), 0);
        if (e.chip == 16) {
            ASSERT_EQ(rig.link->EraseChip(), 0);
        }
        const auto data = BankPattern(3);
        rig.clock.calls = rig.clock.totalMilliseconds = 0;
        ASSERT_EQ(rig.link->WriteBank(3, data.data()), 0);
        EXPECT_EQ(rig.clock.calls, e.calls) << int(e.chip);
        EXPECT_EQ(rig.clock.totalMilliseconds, e.milliseconds) << int(e.chip);
    }
}

TEST(WriteBank, The16MBankSequenceResetsAfterEveryPollAndOnceAtTheEnd) {
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    ASSERT_EQ(rig.link->EraseChip(), 0);
    const int bank = 3;
    const auto data = BankPattern(bank);
    rig.Record();
    ASSERT_EQ(rig.link->WriteBank(bank, data.data()), 0);

    using C = BusCycle;
    std::vector<BusCycle> expected;
    const auto doubled = [&](uint8_t command) {
        for (const BusCycle& c :
             {BusCycle{C::Write, 0x2000, 0x02}, BusCycle{C::Flash, 0x6AAA, 0xAA},
              BusCycle{C::Write, 0x2000, 0x01}, BusCycle{C::Flash, 0x5554, 0x55},
              BusCycle{C::Write, 0x2000, 0x02}, BusCycle{C::Flash, 0x6AAA, command}})
            expected.push_back(c);
    };
    for (int h = 0; h < 64; ++h) {
        for (int lo : {0x00, 0x80}) {
            doubled(0xA0);
            expected.push_back({C::Write, 0x2000, bank});
            const uint16_t page = static_cast<uint16_t>((0x40 | h) << 8 | lo);
            for (int i = 0; i < 128; ++i)
                expected.push_back(
                    {C::Flash, static_cast<uint16_t>(page + i), data[h * 256 + lo + i]});
            doubled(0xF0);  // after the status poll, before the read-back
            expected.push_back({C::Write, 0x2000, bank});
        }
    }
    doubled(0xF0);
    std::vector<BusCycle> writes;
    for (const auto& c : rig.bus.cycles)
        if (c.kind != C::Read) writes.push_back(c);
    ASSERT_EQ(writes.size(), expected.size());
    for (size_t i = 0; i < writes.size(); ++i) ASSERT_EQ(writes[i], expected[i]) << i;
}

TEST(WriteBank, The4MPageIsPolledAtItsLastByteAndReadBackFromItsStart) {
    SimCardRig rig(4, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    const int bank = 6;
    const auto data = BankPattern(bank);
    rig.Record();
    ASSERT_EQ(rig.link->WriteBank(bank, data.data()), 0);

    using C = BusCycle;
    std::vector<BusCycle> expectedWrites;
    for (int p = 0; p < 64; ++p) {
        for (const BusCycle& c :
             {BusCycle{C::Write, 0x2000, 0x01}, BusCycle{C::Flash, 0x5555, 0xAA},
              BusCycle{C::Write, 0x2000, 0x00}, BusCycle{C::Flash, 0x2AAA, 0x55},
              BusCycle{C::Write, 0x2000, 0x01}, BusCycle{C::Flash, 0x5555, 0xA0},
              BusCycle{C::Write, 0x2000, bank}})
            expectedWrites.push_back(c);
        const uint16_t page = static_cast<uint16_t>((0x40 | p) << 8);
        for (int i = 0; i < 256; ++i)
            expectedWrites.push_back(
                {C::Flash, static_cast<uint16_t>(page + i), data[p * 256 + i]});
    }
    std::vector<BusCycle> writes;
    std::vector<uint16_t> reads;
    for (const auto& c : rig.bus.cycles) {
        if (c.kind == C::Read) {
            reads.push_back(c.address);
        } else {
            writes.push_back(c);
        }
    }
    EXPECT_EQ(writes, expectedWrites);
    // Per page: the toggle poll reads the page's last byte (register 1 kept,
    // only register 0 moved), then the read-back covers the page from its start.
    size_t r = 0;
    for (int p = 0; p < 64; ++p) {
        const uint16_t page = static_cast<uint16_t>((0x40 | p) << 8);
        size_t polls = 0;
        while (r < reads.size() && reads[r] == (page | 0xFF) && polls < 1000) ++r, ++polls;
        EXPECT_GE(polls, 2u) << p;
        for (int i = 0; i < 256; ++i, ++r) {
            ASSERT_LT(r, reads.size());
            ASSERT_EQ(reads[r], page + i) << p << " " << i;
        }
    }
    EXPECT_EQ(r, reads.size());
}

TEST(WriteBank, UnknownChipFailsWithoutAnyPortAccess) {
    SimCardRig rig(16, Engaged());
    const auto data = BankPattern(0);
    rig.port.ResetCounts();
    EXPECT_EQ(rig.link->WriteBank(0, data.data()), 0xFF);
    EXPECT_EQ(rig.port.accessCount(), 0u);
    EXPECT_TRUE(rig.warnings.messages.empty());
}

TEST(WriteBank, A4MPageIsRetriedUpTo16Times) {
    const uint32_t badByte = 2 * kRomBankSize + 3 * 256;  // bank 2, page 3, first byte
    const auto data = BankPattern(2);
    {
        SimCardRig rig(4, Engaged());
        ASSERT_EQ(rig.Identify(), 0);
        sim::FaultInjector faults(7);
        rig.cart.SetHooks(&faults);
        faults.CorruptReads(badByte, 15);
        EXPECT_EQ(rig.link->WriteBank(2, data.data()), 0);
        EXPECT_EQ(faults.corruptedReads(), 15u);
        EXPECT_EQ(rig.cart.chip().stats().programs, 64u + 15u);
    }
    {
        SimCardRig rig(4, Engaged());
        ASSERT_EQ(rig.Identify(), 0);
        sim::FaultInjector faults(7);
        rig.cart.SetHooks(&faults);
        faults.CorruptReads(badByte, 16);
        EXPECT_EQ(rig.link->WriteBank(2, data.data()), 0xFF);
        EXPECT_EQ(rig.cart.chip().stats().programs, 3u + 16u);  // pages 0..2, then 16 tries
        EXPECT_TRUE(rig.warnings.messages.empty());
    }
}

TEST(WriteBank, A4MPageOverOldContentComesOutExact) {
    // The 4M chip clears each page before programming it, so no erase is needed.
    SimCardRig rig(4, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().Fill(0x00);
    const auto data = BankPattern(9);
    EXPECT_EQ(rig.link->WriteBank(9, data.data()), 0);
    EXPECT_EQ(rig.link->VerifyBank(9, data.data()), 0);
}

TEST(WriteBank, A16MPageIsRetriedUpTo3Times) {
    const uint32_t badByte = 1 * kRomBankSize + 0x80;  // bank 1, second page
    const auto data = BankPattern(1);
    for (int bad : {2, 3}) {
        SimCardRig rig(16, Engaged());
        ASSERT_EQ(rig.Identify(), 0);
        sim::FaultInjector faults(3);
        rig.cart.SetHooks(&faults);
        faults.CorruptReads(badByte, bad);
        EXPECT_EQ(rig.link->WriteBank(1, data.data()), bad == 2 ? 0 : 0xFF) << bad;
        EXPECT_EQ(rig.cart.chip().stats().programs, bad == 2 ? 128u + 2u : 1u + 3u) << bad;
    }
}

TEST(WriteBank, A16MProgramFailureFailsAtOnceWithoutRetry) {
    SimCardRig rig(16, Engaged(TransferSpp));
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.FailPrograms(1);
    const auto data = BankPattern(0);
    EXPECT_EQ(rig.link->WriteBank(0, data.data()), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().programs, 1u);
    EXPECT_EQ(rig.warnings.Texts(), (Texts{"Fail in program!!!\a\n"}));
    EXPECT_EQ(rig.warnings.messages[0].second, "Warning");
}

TEST(WriteBank, A16MChipThatWasNotErasedFailsTheProgram) {
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().Fill(0x00);
    const auto data = BankPattern(0);
    EXPECT_EQ(rig.link->WriteBank(0, data.data()), 0xFF);
    EXPECT_EQ(rig.warnings.Texts(), (Texts{"Fail in program!!!\a\n"}));
}

TEST(WriteBank, The64MChipErasesABlockOnlyAtItsFirstBank) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().Fill(0x00);  // old content everywhere: a missed erase cannot pass
    for (int bank = 0; bank <= 9; ++bank) {
        ASSERT_EQ(rig.link->WriteBank(bank, BankPattern(bank).data()), 0) << bank;
    }
    EXPECT_EQ(rig.cart.chip().stats().erasedBlocks, (std::vector<uint32_t>{0x00000, 0x20000}));
    // Bank 10 lies in block 1, already holding banks 8 and 9: writing it alone
    // must not erase them; over old content it fails on the program status.
    rig.cart.chip().ResetStats();
    std::fill_n(rig.cart.chip().contents().begin() + 10 * kRomBankSize, kRomBankSize, uint8_t{0});
    EXPECT_EQ(rig.link->WriteBank(10, BankPattern(10).data()), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 0u);
    rig.link->bus().LinearCommand(0, 0xFF);  // the failed bank left the chip showing status
    EXPECT_EQ(rig.link->VerifyBank(8, BankPattern(8).data()), 0);
}

TEST(WriteBank, A64MEraseOrBufferFailureFailsTheBank) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    const auto data = BankPattern(16);
    faults.FailErases(1);
    EXPECT_EQ(rig.link->WriteBank(16, data.data()), 0xFF);
    faults.FailPrograms(1);
    EXPECT_EQ(rig.link->WriteBank(16, data.data()), 0xFF);  // status 0x90 after the buffers
    // The first buffer's program never ends, so the second never gets a free
    // buffer: the bank gives up after its bounded wait.
    faults.NeverReady();
    EXPECT_EQ(rig.link->WriteBank(17, data.data()), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().programs, 512u + 1u);  // bank 16, then one buffer
    EXPECT_TRUE(rig.warnings.messages.empty());
}

TEST(WriteBank, A64MBufferThatNeverFreesGivesUpAfter0x80000StatusReads) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.NeverReady();  // the first buffer's program never ends
    rig.Record();
    EXPECT_EQ(rig.link->WriteBank(17, BankPattern(17).data()), 0xFF);
    // From the second buffer's request on: one status read, then the request
    // again before each further read, and nothing at all after giving up.
    const auto& cycles = rig.bus.cycles;
    const BusCycle request{BusCycle::Flash, 0x4020, 0xE8};
    const auto second = std::find(cycles.begin(), cycles.end(), request);
    ASSERT_NE(second, cycles.end());
    const auto tail = std::span(cycles).subspan(static_cast<size_t>(second - cycles.begin()) + 1);
    ASSERT_EQ(tail.size(), 2u * 0x80000 - 1);
    for (size_t i = 0; i < tail.size(); ++i) {
        const BusCycle expected = i % 2 == 0 ? BusCycle{BusCycle::Read, 0x4020, 0x00} : request;
        ASSERT_EQ(tail[i], expected) << i;
    }
}

TEST(WriteBank, AFull8MiBImageOnThe64MChipReadsBackEqual) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    std::vector<uint8_t> image(0x800000);
    for (int bank = 0; bank < 512; ++bank) {
        const auto data = BankPattern(bank);
        std::copy(data.begin(), data.end(), image.begin() + bank * kRomBankSize);
    }
    for (int bank = 0; bank < 512; ++bank)
        ASSERT_EQ(rig.link->WriteBank(bank, image.data() + bank * kRomBankSize), 0) << bank;
    const auto stored = std::as_const(rig.cart.chip()).contents();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), image.begin()));
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 64u);
}

TEST(VerifyBank, ReportsTheFlashAddressOfTheFirstDifference) {
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    auto data = BankPattern(3);
    auto flash = rig.cart.chip().contents();
    std::copy(data.begin(), data.end(), flash.begin() + 3 * kRomBankSize);
    flash[3 * kRomBankSize + 2 * 256 + 5] ^= 0x01;
    flash[3 * kRomBankSize + 7 * 256] ^= 0x01;
    std::string error;
    EXPECT_EQ(rig.link->VerifyBank(3, data.data(), &error), 0xFF);
    EXPECT_EQ(error, "error at c205!");
    EXPECT_EQ(rig.port.card().mode(), 0x81);
}

TEST(VerifyBank, ReadsBank0AtTheBottomAndOtherBanksThroughTheWindow) {
    SimCardRig rig(64, Engaged());
    const std::vector<uint8_t> zero(kRomBankSize, 0x00);
    rig.Record();
    rig.link->VerifyBank(0, zero.data());
    auto reads = rig.bus.Of(BusCycle::Read);
    ASSERT_EQ(reads.size(), 1u);  // the erased chip differs at once
    EXPECT_EQ(reads[0].address, 0x0000);

    std::vector<uint8_t> erased(kRomBankSize, 0xFF);
    rig.Record();
    EXPECT_EQ(rig.link->VerifyBank(1, erased.data()), 0);
    const std::vector<BusCycle> bankWrites = {{BusCycle::Write, 0x3000, 0},
                                              {BusCycle::Write, 0x2000, 1}};
    EXPECT_EQ(rig.bus.Of(BusCycle::Write), bankWrites);
    reads = rig.bus.Of(BusCycle::Read);
    ASSERT_EQ(reads.size(), size_t{kRomBankSize});
    for (size_t i = 0; i < reads.size(); ++i) ASSERT_EQ(reads[i].address, 0x4000 + i);
}

}  // namespace
}  // namespace zorvex::test
