// The Savegame Manager's file operations between files and the save-RAM image.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/file_io.h"
#include "saves/savegame_operations.h"
#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

class SavegameFiles : public ::testing::Test {
  protected:
    SavegameFiles()
        : card(16), ops(*card.link, ram, slots, messages, requester, dirs, progress, cancel) {
        before = PatternBytes(kSramImageSize, 7);
        std::copy(before.begin(), before.end(), ram.begin());
    }
    ~SavegameFiles() override { FileFaults::Reset(); }

    std::vector<uint8_t> Image() { return {ram.begin(), ram.end()}; }
    // Loads `length` pattern bytes through `load`; the image expected afterwards.
    std::vector<uint8_t> Load(bool (SavegameOperations::*load)(), size_t length, int at) {
        const auto file = PatternBytes(length, 99);
        WriteFile(path, file);
        requester.Answer({path});
        EXPECT_TRUE((ops.*load)());
        auto expected = before;
        const size_t room = kSramImageSize - static_cast<size_t>(at) * 8192;
        std::copy_n(file.begin(), std::min(length, room), expected.begin() + at * 8192);
        return expected;
    }
    void ExpectNamedRows(int first, int last) {
        for (int row = 0; row < kSlotCount; ++row)
            EXPECT_EQ(slots.Item(row, SlotColumnFileName), row >= first && row <= last ? path : "")
                << row;
    }

    TempDir dir;
    std::string path = dir / "game.sav";
    std::vector<uint8_t> before;
    SimCardRig card;
    SaveRamImage ram{};
    std::atomic<bool> cancel{false};
    SlotList slots;
    RecordingMessageSink messages;
    ScriptedFileRequester requester;
    RequesterDirectories dirs;
    RecordingProgress progress;
    SavegameOperations ops;
};

TEST_F(SavegameFiles, TwoKilobyteFileIntoSlotFiveChangesOnlyThoseBytes) {
    slots.Select(5);
    EXPECT_EQ(Image(), Load(&SavegameOperations::LoadSlots, 2048, 5));
    ExpectNamedRows(5, 5);
    const FileRequest& asked = requester.asked.at(0);
    EXPECT_EQ(asked.title, "Load Slot(s)");
    EXPECT_EQ(asked.filter, "All Files (*.*)|*.*||");
    EXPECT_TRUE(asked.mustExist);
    EXPECT_EQ(dirs.requester, dir.path());
}

TEST_F(SavegameFiles, ThirtySixKilobyteSramFileFillsFourAndAHalfSlots) {
    EXPECT_EQ(Image(), Load(&SavegameOperations::LoadSram, 36 * 1024, 0));
    ExpectNamedRows(0, 4);
    EXPECT_EQ(requester.asked.at(0).title, "Load SRam");
}

TEST_F(SavegameFiles, LoadingFromStartSlotFourteenReadsAtMostSixteenKilobytes) {
    slots.Select(14);
    EXPECT_EQ(Image(), Load(&SavegameOperations::LoadSlots, 40 * 1024, 14));
    ExpectNamedRows(14, 15);
}

TEST_F(SavegameFiles, SaveSlotsWritesConsecutiveRowsOnly) {
    slots.Select(3);
    slots.Select(5);
    EXPECT_FALSE(ops.SaveSlots());
    EXPECT_FALSE(ops.LoadSlots());
    slots.ClearSelection();
    EXPECT_FALSE(ops.SaveSlots());
    EXPECT_FALSE(ops.LoadSlots());
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  "You must not select splitted Slots !!", "You must not select multible Slots !!",
                  "You must select at least 1 Slot !!", "You must select a Start Slot !!"}));
    EXPECT_TRUE(requester.asked.empty());

    slots.SelectRange(3, 5);
    requester.Answer({path});
    ASSERT_TRUE(ops.SaveSlots());
    EXPECT_EQ(requester.asked.at(0).title, "Save Slot(s)");
    EXPECT_EQ(ReadFile(path),
              std::vector<uint8_t>(before.begin() + 3 * 8192, before.begin() + 6 * 8192));
    ExpectNamedRows(3, 5);
}

TEST_F(SavegameFiles, SaveSramAlwaysWritesTheWholeImage) {
    requester.Answer({path});
    ASSERT_TRUE(ops.SaveSram());
    EXPECT_EQ(requester.asked.at(0).title, "Save SRam");
    EXPECT_EQ(ReadFile(path), before);
    ExpectNamedRows(0, 15);
}

TEST_F(SavegameFiles, FailedSaveKeepsTheExistingFile) {
    const auto precious = PatternBytes(131072, 42);
    WriteFile(path, precious);
    FileFaults::FailWritesAfter(50000);
    requester.Answer({path});
    EXPECT_FALSE(ops.SaveSram());
    EXPECT_EQ(messages.Texts().back(), "Error Writing File " + path);

    FileFaults::Reset();
    FileFaults::FailCommit(true);
    slots.SelectRange(0, 1);
    requester.Answer({path});
    EXPECT_FALSE(ops.SaveSlots());
    EXPECT_EQ(ReadFile(path), precious);
    ExpectNamedRows(-1, -1);
}

}  // namespace
}  // namespace zorvex::test
