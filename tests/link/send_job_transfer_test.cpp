#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "sim/fault_injector.h"
#include "tests/rom/loader_zip_writer.h"
#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex {
namespace {

using test::FailureText;
using test::RomBuilder;
using test::SimCardRig;
using test::TempDir;

class SendJobTest : public ::testing::Test {
  protected:
    std::string Save(const std::vector<uint8_t>& image, const std::string& name = "game.gb") {
        std::string path = dir / name;
        test::WriteFile(path, image);
        return path;
    }
    // Records the job's percent whenever it changes while the job drives the bus.
    void WatchProgress(SimCardRig& rig) {
        rig.bus.onWrite = [this, &rig](uint16_t, uint8_t) {
            const int p = rig.monitor.percent;
            if (progress.empty() || progress.back() != p) progress.push_back(p);
        };
    }
    bool FlashHolds(SimCardRig& rig, const std::vector<uint8_t>& image, size_t length) {
        return std::equal(image.begin(), image.begin() + static_cast<long>(length),
                          rig.flash().begin());
    }
    TempDir dir;
    std::vector<int> progress;
};

TEST_F(SendJobTest, WritesTheImageOnEveryChipInBothModes) {
    for (uint8_t chip : {4, 16, 64}) {
        for (uint8_t mode : {TransferSpp, TransferEpp}) {
            SCOPED_TRACE(testing::Message() << int(chip) << "M mode " << int(mode));
            SimCardRig rig(chip, {.mode = mode});
            std::fill(rig.flash().begin(), rig.flash().end(), 0x00);  // stale content
            // Three banks of content in a 64 KiB image: all four banks go out.
            auto image = RomBuilder(0x10000).Fill(0xC000, 0xFF).Set(0xBFFF, 0x12).Build();
            const SendResult sent = rig.Send(Save(image), true);
            ASSERT_EQ(sent.result, 0) << sent.text;
            EXPECT_TRUE(FlashHolds(rig, image, image.size()));
            EXPECT_EQ(rig.port.card().mode(), 0x00);  // released
            EXPECT_TRUE(rig.warnings.messages.empty());
            EXPECT_EQ(rig.link->card().spp, mode == TransferSpp);
        }
    }
}

TEST_F(SendJobTest, TrailingFillBeyondThePowerOfTwoSizeIsNotSent) {
    SimCardRig rig(64);
    std::fill(rig.flash().begin(), rig.flash().end(), 0x00);
    auto image = RomBuilder(0x100000).Fill(424 * 1024, 0xFF).Set(424 * 1024 - 1, 0x00).Build();
    int highestBank = -1;
    rig.bus.onWrite = [&](uint16_t address, uint8_t value) {
        if (address >= 0x2000 && address < 0x3000) highestBank = std::max<int>(highestBank, value);
    };
    ASSERT_EQ(FailureText(rig.Send(Save(image))), "(result 0)");
    EXPECT_EQ(highestBank, 31);  // 512 KiB: 32 banks
    EXPECT_TRUE(FlashHolds(rig, image, 0x80000));
    EXPECT_EQ(rig.flash()[0x80000], 0x00);  // the next block was never touched
}

// What the card is asked to hold against what it has: checked after detection
// and before anything is erased or written.
struct FitCase {
    const char* name;
    uint8_t chip;
    size_t imageSize;
    int saveBanks;        // SendNeeds::saveBanks: -1 for a single game
    const char* refusal;  // nullptr: the image fits and is sent
};

class SendJobFit : public SendJobTest, public testing::WithParamInterface<FitCase> {};

TEST_P(SendJobFit, RefusesWhatTheCardCannotHoldBeforeErasing) {
    const FitCase& c = GetParam();
    SimCardRig rig(c.chip);
    auto image = RomBuilder(c.imageSize).Title("GAME").Pattern(0x150, c.imageSize, 3).Build();
    SendNeeds needs;
    needs.saveBanks = c.saveBanks;
    if (c.saveBanks >= 0) needs.name = "DIZavo";
    const SendResult sent = rig.Send(Save(image), false, needs);
    EXPECT_EQ(rig.port.card().mode(), 0x00);  // released either way
    EXPECT_EQ(FailureText(sent), c.refusal ? c.refusal : "(result 0)");
    if (!c.refusal) {
        EXPECT_TRUE(FlashHolds(rig, image, image.size()));
        return;
    }
    EXPECT_EQ(rig.cart.chip().stats().programs, 0u);
    EXPECT_EQ(rig.cart.chip().stats().chipErases + rig.cart.chip().stats().blockErases, 0u);
    EXPECT_FALSE(sent.report.cardChanged);
    EXPECT_EQ(SendResultText(sent, 0), "Not sent: " + sent.text.substr(sent.text.rfind('\n') + 1));
}

INSTANTIATE_TEST_SUITE_P(
    SendJobTest, SendJobFit,
    testing::Values(
        FitCase{"RomOfExactlyTheCardsSize", 4, 0x80000, -1, nullptr},
        FitCase{"RomOneByteTooLarge", 4, 0x80001, -1,
                "filesize error! (80001)\nGAME needs 512.0 KiB, but the card on LPT1 holds 512 "
                "KiB (4M chip). Nothing was written."},
        FitCase{"EightMegRomOnTheTwoMegCard", 16, 0x800000, -1,
                "filesize error! (800000)\nGAME needs 8 MiB, but the card on LPT1 holds 2 MiB "
                "(16M chip). Nothing was written."},
        FitCase{"PackTooLargeForTheCard", 4, 0x100000, 4,
                "DIZavo needs 1 MiB and 4 save banks, but the card on LPT1 holds 512 KiB and 4 "
                "save banks (4M chip). Nothing was written."},
        FitCase{"PackWithMoreSaveBanksThanTheCard", 4, 0x40000, 5,
                "DIZavo needs 256 KiB and 5 save banks, but the card on LPT1 holds 512 KiB and 4 "
                "save banks (4M chip). Nothing was written."},
        FitCase{"PackThatFitsSizeAndBanks", 4, 0x40000, 4, nullptr},
        FitCase{"PackFillingTheTwoMegCard", 16, 0x200000, 16, nullptr}),
    [](const testing::TestParamInfo<FitCase>& info) { return info.param.name; });

// Sending again with "skip unchanged banks" and Deep Verify: what the card
// already holds decides what is erased and programmed. The image ends in
// 0xFF fill (its last bank and half the one before), as real images do.
enum class Held { Same, OneByteOff, Erased };
struct AgainCase {
    const char* name;
    uint8_t chip;
    Held held;
    int written;  // banks of the image written; the others were unchanged
    uint64_t erases;
    uint64_t programs;  // pages or buffers
};

class SendAgain : public SendJobTest, public testing::WithParamInterface<AgainCase> {};

TEST_P(SendAgain, LeavesAloneWhatTheCardHolds) {
    const AgainCase& c = GetParam();
    SimCardRig rig(c.chip);
    const size_t size = c.chip == 64 ? 0x40000 : 0x10000;
    const auto image =
        RomBuilder(size).Title("AGAIN").Pattern(0x150, size, 5).Fill(size - 0x6000, 0xFF).Build();
    std::fill(rig.flash().begin(), rig.flash().end(), 0xFF);
    if (c.held != Held::Erased) std::copy(image.begin(), image.end(), rig.flash().begin());
    // In bank 10 of the 64M card's second erase block; in bank 1 elsewhere.
    if (c.held == Held::OneByteOff) rig.flash()[c.chip == 64 ? 0x28123 : 0x4123] ^= 0x01;
    rig.cart.chip().ResetStats();
    const SendResult sent =
        rig.link->SendJob(LoadSendImage(Save(image)), {true, true}, &rig.monitor);
    ASSERT_EQ(FailureText(sent), "(result 0)");
    EXPECT_TRUE(FlashHolds(rig, image, size));
    const int banks = static_cast<int>(size / kRomBankSize);
    EXPECT_EQ(banks - sent.report.banksUnchanged, c.written);
    EXPECT_TRUE(sent.report.verified);
    const auto& stats = rig.cart.chip().stats();
    EXPECT_EQ(stats.chipErases + stats.blockErases, c.erases);
    EXPECT_EQ(stats.programs, c.programs);
    EXPECT_EQ(sent.report.cardChanged, c.written > 0);
    EXPECT_NE(SendResultText(sent, 1).find(Format(": %d of %d banks written, %d unchanged",
                                                  c.written, banks, banks - c.written)),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    SendJobTest, SendAgain,
    testing::Values(AgainCase{"Chip4MSame", 4, Held::Same, 0, 0, 0},
                    // Only the page that differs is programmed again.
                    AgainCase{"Chip4MOneByteOff", 4, Held::OneByteOff, 1, 0, 1},
                    // The blank last bank matches; blank pages are left as they are.
                    AgainCase{"Chip4MErased", 4, Held::Erased, 3, 0, 160},
                    AgainCase{"Chip16MSame", 16, Held::Same, 0, 0, 0},
                    // One chip erase, then every page but the blank ones.
                    AgainCase{"Chip16MOneByteOff", 16, Held::OneByteOff, 4, 1, 320},
                    // Erased already: no chip erase.
                    AgainCase{"Chip16MErased", 16, Held::Erased, 3, 0, 320},
                    AgainCase{"Chip64MSame", 64, Held::Same, 0, 0, 0},
                    // The first block is left alone; the second is erased and
                    // written without its blank buffers.
                    AgainCase{"Chip64MOneByteOff", 64, Held::OneByteOff, 8, 1, 3328},
                    // Erased already: no block erase.
                    AgainCase{"Chip64MErased", 64, Held::Erased, 16, 0, 7424}),
    [](const testing::TestParamInfo<AgainCase>& info) { return info.param.name; });

TEST_F(SendJobTest, DeepVerifyProgressRunsThroughBothPasses) {
    SimCardRig rig(16);
    WatchProgress(rig);
    std::vector<std::string> phases;  // the job's report to the progress displays
    auto onWrite = rig.bus.onWrite;
    rig.bus.onWrite = [&](uint16_t address, uint8_t value) {
        onWrite(address, value);
        const TransferProgress now = rig.monitor.Progress();
        const std::string seen = now.phase + Format(" %d/%d", now.bank, now.banks);
        if (!now.phase.empty() && (phases.empty() || phases.back() != seen)) phases.push_back(seen);
    };
    ASSERT_EQ(FailureText(rig.Send(Save(RomBuilder(0x10000).Build()), true)), "(result 0)");
    EXPECT_EQ(progress, (std::vector<int>{0, 12, 25, 37, 50, 62, 75, 87}));
    EXPECT_EQ(phases, (std::vector<std::string>{"erase 0/4", "write 0/4", "write 1/4", "write 2/4",
                                                "write 3/4", "verify 0/4", "verify 1/4",
                                                "verify 2/4", "verify 3/4"}));

    SimCardRig plain(16);
    progress.clear();
    WatchProgress(plain);
    ASSERT_EQ(plain.Send(Save(RomBuilder(0x10000).Build())).result, 0);
    EXPECT_EQ(progress, (std::vector<int>{0, 25, 50, 75}));
}

TEST_F(SendJobTest, CancelTakesEffectBeforeTheNextBank) {
    SimCardRig rig(64);
    auto image = RomBuilder(0x20000).Build();  // 8 banks: 12% each
    rig.bus.onWrite = [&](uint16_t, uint8_t) {
        if (rig.monitor.percent == 62) rig.monitor.cancel = true;  // bank 5
    };
    const SendResult cancelled = rig.Send(Save(image));
    EXPECT_EQ(FailureText(cancelled), "Transfer canceled");
    EXPECT_EQ(rig.monitor.percent, 62);
    // The result line tells the owner the game on the card is now broken.
    EXPECT_NE(SendResultText(cancelled, 0).find("incomplete game"), std::string::npos);
    EXPECT_TRUE(FlashHolds(rig, image, 6 * 0x4000));  // bank 5 was finished
    EXPECT_TRUE(std::all_of(rig.flash().begin() + 6 * 0x4000, rig.flash().begin() + 8 * 0x4000,
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(rig.port.card().mode(), 0x00);

    // The next job starts afresh.
    rig.bus.onWrite = nullptr;
    EXPECT_EQ(FailureText(rig.Send(Save(image))), "(result 0)");
}

TEST_F(SendJobTest, FailedChipEraseSaysWhichPort) {
    SimCardRig rig(16);
    sim::FaultInjector faults;
    faults.FailErases(1);
    rig.cart.SetHooks(&faults);
    const SendResult sent = rig.Send(Save(RomBuilder().Build()));
    ASSERT_FALSE(rig.warnings.messages.empty());
    EXPECT_EQ(rig.warnings.messages.back(),
              std::make_pair(std::string("erase error!!!\a\n"), std::string("Warning")));
    EXPECT_EQ(FailureText(sent), "Flash memory could not be erased on Ombra Card on Port 1");
    EXPECT_EQ(rig.port.card().mode(), 0x00);
}

TEST_F(SendJobTest, WriteAndVerifyFailuresNameTheBankOrAddress) {
    SimCardRig rig(64);
    sim::FaultInjector faults;
    faults.CorruptReads(2 * 0x4000 + 0x123, 1);  // the 64M chip checks every bank as written
    rig.cart.SetHooks(&faults);
    EXPECT_EQ(FailureText(rig.Send(Save(RomBuilder(0x10000).Build()))),
              "write cart error at bank=0x2");
    EXPECT_EQ(rig.port.card().mode(), 0x00);

    // A byte that changes on the card after writing is found by the verify pass.
    SimCardRig verify(16);
    bool done = false;
    verify.bus.onWrite = [&](uint16_t, uint8_t) {
        if (!done && verify.monitor.percent >= 50) {
            verify.flash()[0xC205] ^= 0x01;
            done = true;
        }
    };
    EXPECT_EQ(FailureText(verify.Send(Save(RomBuilder(0x10000).Build()), true)), "error at c205!");
}

TEST_F(SendJobTest, LoaderFailuresAndArchiveMembers) {
    SimCardRig rig(16);
    std::string missing = dir / "missing.gb";
    EXPECT_EQ(FailureText(rig.Send(missing)), "Can't open " + missing);
    EXPECT_EQ(rig.port.card().mode(), 0x00);

    // A member whose length is no whole bank still arrives complete.
    auto image = RomBuilder(40 * 1024).Build();
    std::string zip = dir / "odd.zip";
    test::WriteZip(zip, {{"odd.gb", image}});
    ASSERT_EQ(FailureText(rig.Send(zip)), "(result 0)");
    EXPECT_TRUE(FlashHolds(rig, image, image.size()));
    EXPECT_EQ(rig.flash()[40 * 1024], 0xFF);
}

}  // namespace
}  // namespace zorvex
