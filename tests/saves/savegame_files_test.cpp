// The Savegame Manager's file operations: requesters, copying between files
// and the save-RAM image, row names and the selection rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/file_io.h"
#include "saves/savegame_operations.h"
#include "tests/saves/sim_card.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

class SavegameFiles : public ::testing::Test {
  protected:
    SavegameFiles()
        : card(16), ops(card.link(), slots, messages, requester, directories, progress) {
        // A recognisable image, so that every byte a load leaves alone can be checked.
        auto before = PatternBytes(kSramImageSize, 7);
        std::copy(before.begin(), before.end(), card.link().sramImage.begin());
        directories.requester = dir.path();
    }
    ~SavegameFiles() override { FileFaults::Reset(); }

    std::vector<uint8_t> Image() {
        const auto& image = card.link().sramImage;
        return {image.begin(), image.end()};
    }
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (int row = 0; row < kSlotCount; ++row)
            names.push_back(slots.Item(row, SlotColumnFileName));
        return names;
    }

    TempDir dir;
    SimCard card;
    SlotList slots;
    RecordingMessageSink messages;
    ScriptedFileRequester requester;
    RequesterDirectories directories;
    RecordingProgress progress;
    SavegameOperations ops;
};

TEST_F(SavegameFiles, TwoKilobyteFileIntoSlotFiveChangesOnlyThoseBytesAndNamesRowFive) {
    const auto before = Image();
    const auto file = PatternBytes(2048, 99);
    const std::string path = dir / "small.sav";
    WriteFile(path, file);
    slots.Select(5);
    requester.Answer({path});

    ASSERT_TRUE(ops.LoadSlots());
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_EQ(requester.asked.size(), 1u);
    EXPECT_EQ(requester.asked[0].kind, FileRequest::Kind::Open);
    EXPECT_EQ(requester.asked[0].title, "Load Slot(s)");
    EXPECT_EQ(requester.asked[0].filter, "All Files (*.*)|*.*||");
    EXPECT_TRUE(requester.asked[0].mustExist);

    auto expected = before;
    std::copy(file.begin(), file.end(), expected.begin() + 5 * 8192);
    EXPECT_EQ(Image(), expected);
    auto names = std::vector<std::string>(kSlotCount);
    names[5] = path;
    EXPECT_EQ(FileNames(), names);
}

TEST_F(SavegameFiles, ThirtySixKilobyteSramFileFillsSlotsZeroToThreeAndHalfOfFour) {
    const auto before = Image();
    const auto file = PatternBytes(36 * 1024, 3);
    const std::string path = dir / "game.sav";
    WriteFile(path, file);
    requester.Answer({path});

    ASSERT_TRUE(ops.LoadSram());
    EXPECT_EQ(requester.asked.at(0).title, "Load SRam");
    auto expected = before;
    std::copy(file.begin(), file.end(), expected.begin());
    EXPECT_EQ(Image(), expected);
    for (int row = 0; row < kSlotCount; ++row)
        EXPECT_EQ(slots.Item(row, SlotColumnFileName), row <= 4 ? path : "") << row;
}

TEST_F(SavegameFiles, LoadingFromStartSlotFourteenReadsAtMostSixteenKilobytes) {
    const auto before = Image();
    const auto file = PatternBytes(40 * 1024, 5);
    const std::string path = dir / "long.sav";
    WriteFile(path, file);
    slots.Select(14);
    requester.Answer({path});

    ASSERT_TRUE(ops.LoadSlots());
    auto expected = before;
    std::copy(file.begin(), file.begin() + 16 * 1024, expected.begin() + 14 * 8192);
    EXPECT_EQ(Image(), expected);
    EXPECT_EQ(slots.Item(13, SlotColumnFileName), "");
    EXPECT_EQ(slots.Item(14, SlotColumnFileName), path);
    EXPECT_EQ(slots.Item(15, SlotColumnFileName), path);
}

TEST_F(SavegameFiles, SavingRowsThreeToFiveWritesTheirTwentyFourKilobytes) {
    const std::string path = dir / "three.sav";
    slots.SelectRange(3, 5);
    requester.Answer({path});

    ASSERT_TRUE(ops.SaveSlots());
    EXPECT_EQ(requester.asked.at(0).kind, FileRequest::Kind::Save);
    EXPECT_EQ(requester.asked.at(0).title, "Save Slot(s)");
    EXPECT_FALSE(requester.asked.at(0).mustExist);
    const auto image = Image();
    EXPECT_EQ(ReadFile(path),
              std::vector<uint8_t>(image.begin() + 3 * 8192, image.begin() + 6 * 8192));
    for (int row = 0; row < kSlotCount; ++row)
        EXPECT_EQ(slots.Item(row, SlotColumnFileName), row >= 3 && row <= 5 ? path : "");
}

TEST_F(SavegameFiles, SaveSramAlwaysWritesTheWholeImage) {
    const std::string path = dir / "all.sav";
    requester.Answer({path});
    ASSERT_TRUE(ops.SaveSram());
    EXPECT_EQ(requester.asked.at(0).title, "Save SRam");
    EXPECT_EQ(ReadFile(path), Image());
    EXPECT_EQ(ReadFile(path).size(), 131072u);
    EXPECT_EQ(FileNames(), std::vector<std::string>(kSlotCount, path));
}

TEST_F(SavegameFiles, SelectionRulesStopBeforeTheRequester) {
    EXPECT_FALSE(ops.LoadSlots());
    slots.Select(2);
    slots.Select(3);
    EXPECT_FALSE(ops.LoadSlots());
    slots.ClearSelection();
    EXPECT_FALSE(ops.SaveSlots());
    slots.Select(3);
    slots.Select(5);
    EXPECT_FALSE(ops.SaveSlots());

    using Message = std::pair<std::string, std::string>;
    EXPECT_EQ(messages.messages,
              (std::vector<Message>{{"You must select a Start Slot !!", "Error"},
                                    {"You must not select multible Slots !!", "Error"},
                                    {"You must select at least 1 Slot !!", "Error"},
                                    {"You must not select splitted Slots !!", "Error"}}));
    EXPECT_TRUE(requester.asked.empty());
}

TEST_F(SavegameFiles, CancelledRequesterChangesNothing) {
    const auto before = Image();
    requester.Cancel();
    requester.Cancel();
    EXPECT_FALSE(ops.LoadSram());
    EXPECT_FALSE(ops.SaveSram());
    EXPECT_EQ(Image(), before);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(FileNames(), std::vector<std::string>(kSlotCount));
}

TEST_F(SavegameFiles, UnreadableFileShowsTheLoaderText) {
    const auto before = Image();
    const std::string path = dir / "missing.sav";
    requester.Answer({path});
    EXPECT_FALSE(ops.LoadSram());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].first, "Can't open " + path);
    EXPECT_EQ(messages.messages[0].second, "Error");
    EXPECT_EQ(Image(), before);
}

TEST_F(SavegameFiles, RequesterOpensInTheRememberedDirectoryAndRemembersTheNewOne) {
    const std::string sub = dir / "saves";
    WriteFile(sub + "/a.sav", std::vector<uint8_t>(100, 1));
    requester.Answer({sub + "/a.sav"});
    ASSERT_TRUE(ops.LoadSram());
    EXPECT_EQ(requester.asked.at(0).directory, dir.path());
    EXPECT_EQ(directories.requester, sub);
}

TEST_F(SavegameFiles, FailedSaveKeepsTheExistingFile) {
    const std::string path = dir / "precious.sav";
    const auto precious = PatternBytes(131072, 42);
    WriteFile(path, precious);

    FileFaults::FailWritesAfter(50000);
    requester.Answer({path});
    EXPECT_FALSE(ops.SaveSram());
    FileFaults::Reset();
    EXPECT_EQ(ReadFile(path), precious);
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_EQ(messages.messages.back().first, "Error Writing File " + path);

    FileFaults::FailCommit(true);
    slots.SelectRange(0, 1);
    requester.Answer({path});
    EXPECT_FALSE(ops.SaveSlots());
    FileFaults::Reset();
    EXPECT_EQ(ReadFile(path), precious);
    EXPECT_EQ(FileNames(), std::vector<std::string>(kSlotCount));
}

TEST_F(SavegameFiles, RefusedRowUpdateReportsTheRowAndSkipsTheRest) {
    const std::string path = dir / "game.sav";
    WriteFile(path, PatternBytes(36 * 1024, 3));
    requester.Answer({path});
    slots.RefuseAfter(2);
    EXPECT_FALSE(ops.LoadSram());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].first, "Error at SetItem(2)");
    EXPECT_EQ(slots.Item(1, SlotColumnFileName), path);
    EXPECT_EQ(slots.Item(3, SlotColumnFileName), "");
}

TEST(SlotListState, StartsWithSlotLabelsAndEmptyColumns) {
    SlotList list;
    EXPECT_EQ(list.Item(0, SlotColumnSlot), "Slot 00");
    EXPECT_EQ(list.Item(15, SlotColumnSlot), "Slot 15");
    for (int row = 0; row < kSlotCount; ++row) {
        EXPECT_EQ(list.Item(row, SlotColumnGame), "");
        EXPECT_EQ(list.Item(row, SlotColumnFileName), "");
    }
    EXPECT_TRUE(list.SelectedRows().empty());
    EXPECT_FALSE(list.SetItem(16, SlotColumnGame, "x"));
    EXPECT_FALSE(list.SetItem(0, 3, "x"));
}

}  // namespace
}  // namespace zorvex::test
