// Saving save RAM onto a disk that fills up at any byte, or onto a full
// device: an existing save file stays whole, no partial file appears, and the
// slot list does not name a file that was not written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/file_io.h"
#include "saves/savegame_operations.h"
#include "tests/support/fault_snapshot.h"
#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

class SaveFileFaults : public ::testing::Test {
  protected:
    SaveFileFaults()
        : card(16), ops(*card.link, ram, slots, messages, requester, dirs, progress, cancel) {
        const auto image = PatternBytes(kSramImageSize, 5);
        std::copy(image.begin(), image.end(), ram.begin());
        WriteFile(path, PatternBytes(40000, 9));  // the user's earlier save
    }
    ~SaveFileFaults() override { FileFaults::Reset(); }
    bool NoRowNamed() {
        for (int row = 0; row < kSlotCount; ++row)
            if (!slots.Item(row, SlotColumnFileName).empty()) return false;
        return true;
    }

    TempDir dir;
    std::string path = dir / "game.sav";
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

TEST_F(SaveFileFaults, DiskFullAtAnyByteOfSaveSramOrSaveSlotsKeepsTheEarlierFile) {
    const auto before = Snapshot(dir.path());
    for (int64_t budget : {0, 1, 8191, 8192, 65536, kSramImageSize - 1}) {
        SCOPED_TRACE(testing::Message() << "room for " << budget);
        FileFaults::FailWritesAfter(budget);
        requester.Answer({path});
        EXPECT_FALSE(ops.SaveSram());
        slots.SelectRange(0, 15);
        requester.Answer({path});
        EXPECT_FALSE(ops.SaveSlots());
        FileFaults::Reset();
        EXPECT_EQ(Snapshot(dir.path()), before);
        EXPECT_TRUE(NoRowNamed());
        EXPECT_FALSE(ops.busy());
    }
    FileFaults::FailCommit(true);
    requester.Answer({path});
    EXPECT_FALSE(ops.SaveSram());
    FileFaults::Reset();
    EXPECT_EQ(Snapshot(dir.path()), before);
    EXPECT_TRUE(NoRowNamed());
}

TEST_F(SaveFileFaults, FullDeviceIsAFailedSave) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    requester.Answer({"/dev/full"});
    EXPECT_FALSE(ops.SaveSram());
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_EQ(messages.Texts().back(), "Error Writing File /dev/full");
    EXPECT_TRUE(NoRowNamed());
}

}  // namespace
}  // namespace zorvex::test
