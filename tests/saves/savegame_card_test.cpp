// The Savegame Manager's card transfers on the simulated card, and the
// windowless commands built on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "saves/save_ram_commands.h"
#include "saves/savegame_operations.h"
#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

// Records progress and runs a callback at every PumpMessages, where the
// user's Cancel arrives.
class PumpingProgress final : public ProgressSink {
  public:
    bool Open() override { return recorded.Open(); }
    void SetCaption(const std::string& c) override { recorded.SetCaption(c); }
    void SetRange(int low, int high) override { recorded.SetRange(low, high); }
    void SetPos(int pos) override { recorded.SetPos(pos); }
    void PumpMessages() override {
        recorded.PumpMessages();
        if (onPump) onPump(recorded.pumps);
    }
    void Close() override { recorded.Close(); }
    RecordingProgress recorded;
    std::function<void(int)> onPump;
};

class SavegameCard : public ::testing::Test {
  protected:
    SavegameCard()
        : card(4), ops(*card.link, ram, slots, messages, requester, dirs, progress, cancel) {
        const auto cardBytes = PatternBytes(card.sram().size(), 1);
        std::copy(cardBytes.begin(), cardBytes.end(), card.sram().begin());
        image = PatternBytes(kSramImageSize, 2);
        std::copy(image.begin(), image.end(), ram.begin());
    }
    std::vector<uint8_t> ImageSlot(int slot) {
        auto* p = ram.data() + slot * 8192;
        return {p, p + 8192};
    }
    std::vector<uint8_t> CardSlot(int slot) {
        auto s = card.sram().subspan(static_cast<size_t>(slot) * 8192, 8192);
        return {s.begin(), s.end()};
    }

    std::vector<uint8_t> image;  // what the image held before
    SimCardRig card;
    SaveRamImage ram{};
    std::atomic<bool> cancel{false};
    SlotList slots;
    RecordingMessageSink messages;
    ScriptedFileRequester requester;
    RequesterDirectories dirs;
    PumpingProgress progress;
    SavegameOperations ops;
};

TEST_F(SavegameCard, SramToPcOnAFourSlotCardLeavesSlotsFourToFifteen) {
    ASSERT_TRUE(ops.SramToPc());
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(ImageSlot(slot), CardSlot(slot));
    EXPECT_TRUE(std::equal(image.begin() + 4 * 8192, image.end(), ram.begin() + 4 * 8192));
    const auto& p = progress.recorded;
    EXPECT_EQ(p.captions, std::vector<std::string>{"SRam -> PC"});
    EXPECT_EQ(p.ranges, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(p.positions, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(p.closes, 1);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SavegameCard, FourSlotCardNamesTheLoadedSlotsThatDidNotFitAndForgetsReadOnes) {
    // As after "Load SRAM" of a 16-slot file.
    for (int row = 0; row < kSlotCount; ++row) slots.SetItem(row, SlotColumnFileName, "/s/all.srm");
    std::vector<std::string> results;
    ops.SetResultSink([&](const std::string& text) { results.push_back(text); });

    EXPECT_FALSE(ops.PcToSram());
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(CardSlot(slot), ImageSlot(slot));
    EXPECT_EQ(slots.cardSlots(), 4);  // the manager shows four rows from now on
    EXPECT_EQ(messages.messages,
              (std::vector<std::pair<std::string, std::string>>{
                  {"The card has only 4 Slots: slots 4 to 15 of /s/all.srm did not fit and were "
                   "not written.",
                   "Error"}}));

    // Read back from the card, slots 0..3 no longer hold the file's data.
    ASSERT_TRUE(ops.SramToPc());
    for (int row = 0; row < kSlotCount; ++row)
        EXPECT_EQ(slots.Item(row, SlotColumnFileName), row < 4 ? "" : "/s/all.srm") << row;
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0], "4 of 4 slots written to the card on LPT1 (EPP, 4M)");
    EXPECT_EQ(results[1], "4 of 4 slots read from the card on LPT1 (EPP, 4M)");
}

TEST_F(SavegameCard, SlotBeyondTheCardIsReportedAndTheBarStaysInRange) {
    slots.Select(2);
    slots.Select(6);
    EXPECT_FALSE(ops.SlotsToPc());
    EXPECT_EQ(ImageSlot(2), CardSlot(2));
    EXPECT_TRUE(
        std::equal(image.begin() + 6 * 8192, image.begin() + 7 * 8192, ram.begin() + 6 * 8192));
    EXPECT_EQ(messages.messages, (std::vector<std::pair<std::string, std::string>>{
                                     {"Can't write Slot 6 (Card has only 4 Slots)", "Error"}}));
    // One step per row, ending at the top of a range that a single row leaves non-empty.
    slots.SelectRange(1, 1);
    ASSERT_TRUE(ops.PcToSlots());
    EXPECT_EQ(CardSlot(1), ImageSlot(1));
    EXPECT_NE(CardSlot(0), ImageSlot(0));
    const auto& p = progress.recorded;
    EXPECT_EQ(p.ranges, (std::vector<std::pair<int, int>>{{0, 2}, {0, 1}}));
    EXPECT_EQ(p.positions, (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(p.captions, (std::vector<std::string>{"SRam -> PC", "PC -> SRam"}));
}

TEST_F(SavegameCard, CancelStopsAfterTheSlotBeingWritten) {
    cancel = true;  // a stale request does not count
    progress.onPump = [&](int pumps) {
        if (pumps == 2) cancel = true;
    };
    EXPECT_FALSE(ops.PcToSram());
    EXPECT_EQ(CardSlot(1), ImageSlot(1));
    EXPECT_NE(CardSlot(2), ImageSlot(2));
    EXPECT_EQ(progress.recorded.closes, 1);
}

TEST_F(SavegameCard, SelectedSlotTransfersIgnoreCancel) {
    // Only the whole-card loops poll Cancel; a selection is always done in full.
    progress.onPump = [&](int) { cancel = true; };
    slots.SelectRange(0, 3);
    EXPECT_TRUE(ops.PcToSlots());
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(CardSlot(slot), ImageSlot(slot)) << slot;
    EXPECT_EQ(progress.recorded.pumps, 4);
}

TEST_F(SavegameCard, ScanEndingOnAnEvenBankLeavesTheCardDetectable) {
    // The walk ends reading the erased bank 4; the 512 KiB chip takes its
    // identification commands through the bank window.
    card.Lay(
        {RomBuilder().Title("DIZAVO").Build(), RomBuilder().Title("ONLY").RamSizeCode(2).Build()});
    ASSERT_TRUE(ops.ScanRomCommand());
    EXPECT_EQ(slots.Item(0, SlotColumnGame), "ONLY");
    EXPECT_TRUE(ops.SramToPc());
    EXPECT_TRUE(messages.messages.empty());
}

class SaveRoundTrip : public ::testing::TestWithParam<uint8_t> {};

TEST_P(SaveRoundTrip, CardToFileToCard) {
    SimCardRig card(GetParam());
    const auto original = PatternBytes(card.sram().size(), GetParam());
    std::copy(original.begin(), original.end(), card.sram().begin());
    TempDir dir;
    RecordingMessageSink messages;
    ASSERT_TRUE(ReadSaveRamToFile(*card.link, dir / "all.sav", std::nullopt, messages));
    ASSERT_TRUE(ReadSaveRamToFile(*card.link, dir / "part.sav", SlotRange{1, 2}, messages));
    EXPECT_EQ(ReadFile(dir / "all.sav").size(), 131072u);

    std::fill(card.sram().begin(), card.sram().end(), 0);
    ASSERT_TRUE(WriteSaveRamFromFile(*card.link, dir / "all.sav", std::nullopt, messages));
    EXPECT_TRUE(std::equal(original.begin(), original.end(), card.sram().begin()));

    // A slot file goes to its start slot; its neighbours keep their bytes.
    std::fill(card.sram().begin(), card.sram().end(), 0x55);
    ASSERT_TRUE(WriteSaveRamFromFile(*card.link, dir / "part.sav", 2, messages));
    auto expected = std::vector<uint8_t>(card.sram().size(), 0x55);
    std::copy(original.begin() + 8192, original.begin() + 3 * 8192, expected.begin() + 2 * 8192);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), card.sram().begin()));
    EXPECT_TRUE(messages.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryChip, SaveRoundTrip, ::testing::Values(4, 16, 64),
                         [](const auto& info) { return std::to_string(info.param) + "M"; });

TEST(SaveRamCommands, SlotsBeyondTheCardGiveNoFileAndAreNamedWhenNotWritten) {
    EXPECT_EQ(ParseSlotRange("3-5")->last, 5);
    EXPECT_FALSE(ParseSlotRange("5-3") || ParseSlotRange("0-16") || ParseSlotRange("x"));
    SimCardRig card(4);
    TempDir dir;
    RecordingMessageSink messages;
    EXPECT_FALSE(ReadSaveRamToFile(*card.link, dir / "x.sav", SlotRange{3, 4}, messages));
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Can't write Slot 4 (Card has only 4 Slots)"});
    EXPECT_FALSE(std::filesystem::exists(dir / "x.sav"));

    // A whole image from a larger card fills this one; what did not fit is named.
    const auto whole = PatternBytes(kSramImageSize, 3);
    WriteFile(dir / "whole.sav", whole);
    EXPECT_FALSE(WriteSaveRamFromFile(*card.link, dir / "whole.sav", std::nullopt, messages));
    EXPECT_TRUE(std::equal(card.sram().begin(), card.sram().end(), whole.begin()));
    EXPECT_EQ(messages.Texts().back(), "The card has only 4 Slots: slots 4 to 15 of " +
                                           dir / "whole.sav" +
                                           " did not fit and were not written.");
}

// What zorvex-cli's progress line is told: slots done of slots moved, from 0
// up to all of them, whichever way the transfer counts its own bar.
struct RecordingSlots final : SlotProgress {
    void Slots(bool toCard, int done, int total) override {
        calls.push_back({toCard ? 1 : 0, done, total});
    }
    std::vector<std::array<int, 3>> calls;
};

TEST(SaveRamCommands, ProgressCountsEverySlotMoved) {
    for (uint8_t chip : {4, 16}) {
        SCOPED_TRACE(chip);
        const int slots = chip == 4 ? 4 : 16;
        SimCardRig card(chip);
        TempDir dir;
        RecordingMessageSink messages;
        RecordingSlots all, part, back;
        ASSERT_TRUE(ReadSaveRamToFile(*card.link, dir / "all.sav", std::nullopt, messages, &all));
        ASSERT_TRUE(
            ReadSaveRamToFile(*card.link, dir / "part.sav", SlotRange{1, 3}, messages, &part));
        ASSERT_TRUE(WriteSaveRamFromFile(*card.link, dir / "part.sav", 0, messages, &back));
        for (auto [recorded, toCard, total] :
             {std::tuple{&all, 0, slots}, {&part, 0, 3}, {&back, 1, 3}}) {
            ASSERT_FALSE(recorded->calls.empty());
            EXPECT_EQ(recorded->calls.front(), (std::array<int, 3>{toCard, 0, total}));
            EXPECT_EQ(recorded->calls.back(), (std::array<int, 3>{toCard, total, total}));
            for (size_t i = 1; i < recorded->calls.size(); ++i)
                EXPECT_EQ(recorded->calls[i][1], recorded->calls[i - 1][1] + 1);
        }
    }
}

}  // namespace
}  // namespace zorvex::test
