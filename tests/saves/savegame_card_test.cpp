// The Savegame Manager's card transfers on the simulated card: slot counts,
// progress, Cancel, the slot-limit message, and round trips through files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "saves/save_ram_commands.h"
#include "saves/savegame_operations.h"
#include "tests/saves/sim_card.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

// Progress that runs a callback from PumpMessages, as the user's clicks would
// arrive while a card loop pumps messages.
class PumpingProgress final : public ProgressSink {
  public:
    bool Open() override {
        recorded.Open();
        return true;
    }
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
    explicit SavegameCard(uint8_t chip = 4)
        : card(chip), ops(card.link(), slots, messages, requester, directories, progress) {}

    std::vector<uint8_t> ImageSlot(int slot) {
        auto* p = card.link().sramImage.data() + slot * 8192;
        return {p, p + 8192};
    }
    std::vector<uint8_t> CardSlot(int slot) {
        auto s = card.sram().subspan(static_cast<size_t>(slot) * 8192, 8192);
        return {s.begin(), s.end()};
    }
    void FillCard(uint32_t seed) {
        auto bytes = PatternBytes(card.sram().size(), seed);
        std::copy(bytes.begin(), bytes.end(), card.sram().begin());
    }
    void FillImage(uint32_t seed) {
        auto bytes = PatternBytes(kSramImageSize, seed);
        std::copy(bytes.begin(), bytes.end(), card.link().sramImage.begin());
    }

    SimCard card;
    SlotList slots;
    RecordingMessageSink messages;
    ScriptedFileRequester requester;
    RequesterDirectories directories;
    PumpingProgress progress;
    SavegameOperations ops;
};

class SavegameSixteenSlotCard : public SavegameCard {
  protected:
    SavegameSixteenSlotCard() : SavegameCard(16) {}
};

TEST_F(SavegameCard, SramToPcOnFourSlotCardReadsSlotsZeroToThreeOnly) {
    FillCard(1);
    FillImage(2);
    const auto before = PatternBytes(kSramImageSize, 2);

    ASSERT_TRUE(ops.SramToPc());
    EXPECT_TRUE(messages.messages.empty());
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(ImageSlot(slot), CardSlot(slot)) << slot;
    EXPECT_TRUE(std::equal(before.begin() + 4 * 8192, before.end(),
                           card.link().sramImage.begin() + 4 * 8192));

    const auto& p = progress.recorded;
    EXPECT_EQ(p.opens, 1);
    EXPECT_EQ(p.closes, 1);
    EXPECT_EQ(p.captions, std::vector<std::string>{"SRam -> PC"});
    EXPECT_EQ(p.ranges, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(p.positions, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(p.pumps, 4);
    // The list texts belong to the file operations only.
    for (int row = 0; row < kSlotCount; ++row) EXPECT_EQ(slots.Item(row, SlotColumnFileName), "");
}

TEST_F(SavegameCard, PcToSramWritesEveryCardSlotAndStopsAfterCancel) {
    FillImage(3);
    ASSERT_TRUE(ops.PcToSram());
    EXPECT_EQ(progress.recorded.captions, std::vector<std::string>{"PC -> SRam"});
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(CardSlot(slot), ImageSlot(slot));

    // Cancel pressed while slot 1 is written: slot 1 is finished, 2 and 3 are not.
    card.link().cancelRequested = true;  // a stale request is cleared at the start
    FillImage(4);
    progress.onPump = [&](int pumps) {
        if (pumps == 2 + 4) card.link().cancelRequested = true;
    };
    EXPECT_FALSE(ops.PcToSram());
    EXPECT_EQ(CardSlot(0), ImageSlot(0));
    EXPECT_EQ(CardSlot(1), ImageSlot(1));
    EXPECT_NE(CardSlot(2), ImageSlot(2));
    EXPECT_EQ(progress.recorded.closes, 2);
    EXPECT_FALSE(progress.recorded.open);
}

TEST_F(SavegameCard, SelectedSlotBeyondTheCardGivesTheSlotLimitMessageAndGoesOn) {
    FillCard(5);
    FillImage(6);
    const auto before6 = ImageSlot(6);
    slots.Select(2);
    slots.Select(6);

    EXPECT_FALSE(ops.SlotsToPc());
    EXPECT_EQ(ImageSlot(2), CardSlot(2));
    EXPECT_EQ(ImageSlot(6), before6);
    using Message = std::pair<std::string, std::string>;
    EXPECT_EQ(messages.messages,
              (std::vector<Message>{{"Can't write Slot 6 (Card has only 4 Slots)", "Error"}}));

    // The bar advances once per row and never leaves its range.
    const auto& p = progress.recorded;
    ASSERT_EQ(p.ranges.size(), 1u);
    const auto [low, high] = p.ranges[0];
    EXPECT_LT(low, high);
    EXPECT_EQ(p.positions, (std::vector<int>{0, 1, 2}));
    for (int pos : p.positions) {
        EXPECT_GE(pos, low);
        EXPECT_LE(pos, high);
    }
    EXPECT_EQ(p.positions.back(), high);
}

TEST_F(SavegameCard, OneRowTransferHasANonEmptyProgressRange) {
    FillImage(7);
    slots.Select(3);
    ASSERT_TRUE(ops.PcToSlots());
    EXPECT_EQ(CardSlot(3), ImageSlot(3));
    EXPECT_NE(CardSlot(2), ImageSlot(2));
    const auto [low, high] = progress.recorded.ranges.at(0);
    EXPECT_LT(low, high);
    EXPECT_EQ(progress.recorded.positions.back(), high);
}

TEST_F(SavegameCard, SlotTransferWithoutSelectionOpensTheCardFirst) {
    EXPECT_FALSE(ops.SlotsToPc());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"You must select at least 1 Slot !!"});
    EXPECT_EQ(progress.recorded.opens, 0);
}

TEST(SavegameNoCard, CardOperationsShowTheDetectionText) {
    SimCard card(16, false);
    SlotList slots;
    RecordingMessageSink messages;
    ScriptedFileRequester requester;
    RequesterDirectories directories;
    RecordingProgress progress;
    SavegameOperations ops(card.link(), slots, messages, requester, directories, progress);
    slots.Select(0);
    EXPECT_FALSE(ops.SramToPc());
    EXPECT_FALSE(ops.PcToSlots());
    EXPECT_FALSE(ops.ScanRomCommand());
    using Message = std::pair<std::string, std::string>;
    const Message expected{"Could not detect Ombra Card on Port 1", "Error"};
    EXPECT_EQ(messages.messages, (std::vector<Message>{expected, expected, expected}));
    EXPECT_EQ(progress.opens, 0);
}

TEST_F(SavegameCard, NoSecondOperationStartsInsideARunningCardLoop) {
    TempDir dir;
    requester.Answer({dir / "inner.sav"});
    int refused = 0;
    progress.onPump = [&](int) {
        if (!ops.SaveSram()) ++refused;
        if (!ops.PcToSram()) ++refused;
        EXPECT_TRUE(ops.busy());
    };
    ASSERT_TRUE(ops.SramToPc());
    EXPECT_EQ(refused, 8);
    EXPECT_TRUE(requester.asked.empty());
    EXPECT_FALSE(ops.busy());
    EXPECT_EQ(progress.recorded.opens, 1);
}

TEST_F(SavegameSixteenSlotCard, ScanRomNamesRowsAndLeavesLaterRowsAlone) {
    slots.SetItem(3, SlotColumnGame, "OLD");
    card.Lay({RomBuilder().Title("DIZAVO").Build(),
              RomBuilder().Title("FIRST").RamSizeCode(2).Build(),
              RomBuilder().Title("SECOND").RamSizeCode(1).Build()});
    ASSERT_TRUE(ops.ScanRomCommand());
    EXPECT_EQ(slots.Item(0, SlotColumnGame), "FIRST");
    EXPECT_EQ(slots.Item(1, SlotColumnGame), "SECOND");
    EXPECT_EQ(slots.Item(2, SlotColumnGame), "");
    EXPECT_EQ(slots.Item(3, SlotColumnGame), "OLD");
    EXPECT_TRUE(messages.messages.empty());

    card.Lay({RomBuilder().Title("NOLOGO").NoLogo().Build()});
    EXPECT_FALSE(ops.ScanRomCommand());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"No valid GameboyRom !!"});
}

TEST_F(SavegameCard, CardStaysUsableAfterAScanThatEndedOnAnEvenBank) {
    // The walk ends reading bank 4 (erased): the next detection must still
    // find the 512 KiB chip, whose commands go through the bank window.
    card.Lay(
        {RomBuilder().Title("DIZAVO").Build(), RomBuilder().Title("ONLY").RamSizeCode(2).Build()});
    ASSERT_TRUE(ops.ScanRomCommand());
    FillCard(9);
    ASSERT_TRUE(ops.SramToPc());
    EXPECT_EQ(ImageSlot(3), CardSlot(3));
    EXPECT_TRUE(messages.messages.empty());
}

// Card -> file -> card on every chip the simulated card can carry.
class SaveRoundTrip : public ::testing::TestWithParam<uint8_t> {};

TEST_P(SaveRoundTrip, CardToFileToCard) {
    SimCard card(GetParam());
    const int banks = card.cartridge().saveBanks();
    const auto original = PatternBytes(card.sram().size(), GetParam());
    std::copy(original.begin(), original.end(), card.sram().begin());
    TempDir dir;
    const std::string whole = dir / "whole.sav";
    const std::string part = dir / "part.sav";
    RecordingMessageSink messages;

    ASSERT_TRUE(ReadSaveRamToFile(card.link(), whole, std::nullopt, messages));
    auto file = ReadFile(whole);
    ASSERT_EQ(file.size(), 131072u);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), file.begin()));
    ASSERT_TRUE(ReadSaveRamToFile(card.link(), part, SlotRange{1, 2}, messages));
    EXPECT_EQ(ReadFile(part),
              std::vector<uint8_t>(original.begin() + 8192, original.begin() + 3 * 8192));

    std::fill(card.sram().begin(), card.sram().end(), 0);
    card.link().sramImage.fill(0);
    ASSERT_TRUE(WriteSaveRamFromFile(card.link(), whole, std::nullopt, messages));
    EXPECT_TRUE(std::equal(original.begin(), original.end(), card.sram().begin()));

    // A slot file goes back to its start slot only; its neighbours stay.
    std::fill(card.sram().begin(), card.sram().end(), 0x55);
    ASSERT_TRUE(WriteSaveRamFromFile(card.link(), part, 2, messages));
    auto sram = card.sram();
    EXPECT_TRUE(
        std::equal(original.begin() + 8192, original.begin() + 3 * 8192, sram.begin() + 2 * 8192));
    EXPECT_TRUE(
        std::all_of(sram.begin(), sram.begin() + 2 * 8192, [](uint8_t b) { return b == 0x55; }));
    EXPECT_TRUE(std::all_of(sram.begin() + 4 * 8192, sram.begin() + banks * 8192,
                            [](uint8_t b) { return b == 0x55; }));
    EXPECT_TRUE(messages.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryChip, SaveRoundTrip, ::testing::Values(4, 16, 64));

TEST(SaveRamCommands, SlotArgumentsAndFailuresOnTheCard) {
    EXPECT_EQ(ParseSlotRange("3-5")->first, 3);
    EXPECT_EQ(ParseSlotRange("3-5")->last, 5);
    EXPECT_EQ(ParseSlotRange("7")->last, 7);
    EXPECT_FALSE(ParseSlotRange("5-3"));
    EXPECT_FALSE(ParseSlotRange("0-16"));
    EXPECT_FALSE(ParseSlotRange("-1"));
    EXPECT_FALSE(ParseSlotRange("a-b"));
    EXPECT_FALSE(ParseSlot("16"));
    EXPECT_EQ(*ParseSlot("15"), 15);

    SimCard card(4);
    TempDir dir;
    RecordingMessageSink messages;
    // Slots beyond the card: a message, and no file with made-up contents.
    EXPECT_FALSE(ReadSaveRamToFile(card.link(), dir / "x.sav", SlotRange{3, 5}, messages));
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"Can't write Slot 4 (Card has only 4 Slots)",
                                        "Can't write Slot 5 (Card has only 4 Slots)"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.sav"));

    messages.messages.clear();
    std::vector<std::string> lines;
    card.Lay({RomBuilder().Title("POCKETGAME").RamSizeCode(3).Build()});
    ASSERT_TRUE(ScanCardSlots(card.link(), messages, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"Slot 00 POCKETGAME", "Slot 01 POCKETGAME",
                                               "Slot 02 POCKETGAME", "Slot 03 POCKETGAME"}));
}

}  // namespace
}  // namespace zorvex::test
