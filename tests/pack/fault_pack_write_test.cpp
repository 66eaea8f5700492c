// Building a pack onto a disk that fills up at any byte, or onto a full
// device: an earlier file of that name survives, nothing partial is left, and a
// pack that could not be written is never handed to the send job.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "library/rom_entry_format.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "pack/pack_temp_path.h"
#include "tests/support/fault_snapshot.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;

class PackWriteFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(work.path());  // the menu program is read from the working directory
        WriteFile(kMenuProgramFile, MakeMenuProgram());
        fs::create_directory(work / "out");
        WriteFile(out, {'o', 'l', 'd'});
        members = {Member("a.gb", 0), Member("b.gbc", 1), Member("c.gb", 0)};
    }
    void TearDown() override {
        FileFaults::Reset();
        fs::current_path(previous_);
    }
    std::string Member(const std::string& name, uint8_t sizeCode) {
        const std::string path = work / name;
        WriteFile(path,
                  RomBuilder(size_t{0x8000} << sizeCode).Title(name).RomSizeCode(sizeCode).Build());
        return path;
    }
    PackBuildUi Ui() { return PackBuildUi{sink, progress, cancel, {}, {}}; }

    TempDir work;
    std::string out = work / "out/pack.gb";
    std::vector<std::string> members;
    RecordingMessageSink sink;
    RecordingProgress progress;
    std::atomic<bool> cancel{false};
    fs::path previous_;
};

TEST_F(PackWriteFaults, DiskFullAnywhereInThePackKeepsTheEarlierFile) {
    const auto before = Snapshot(work / "out");
    const int64_t full = 0x8000 + 0x8000 + 0x10000 + 0x8000;  // menu and the three members
    for (int64_t budget :
         {int64_t{0}, int64_t{1}, int64_t{0x7FFF}, int64_t{0x8000}, int64_t{0x8001},
          int64_t{0x10000}, int64_t{0x18000}, int64_t{0x1FFFF}, int64_t{0x20000}, full - 1}) {
        SCOPED_TRACE(testing::Message() << "room for " << budget << " of " << full << " bytes");
        sink.messages.clear();
        FileFaults::FailWritesAfter(budget);
        PackBuildUi ui = Ui();
        EXPECT_FALSE(BuildPackFromFiles(out, members, ui));
        FileFaults::Reset();
        ASSERT_FALSE(sink.Texts().empty());
        EXPECT_EQ(sink.Texts().back(), "Error Writing File " + out);
        EXPECT_EQ(Snapshot(work / "out"), before);
        EXPECT_EQ(progress.opens, progress.closes);
    }
    FileFaults::FailCommit(true);
    PackBuildUi ui = Ui();
    EXPECT_FALSE(BuildPackFromFiles(out, members, ui));
    FileFaults::Reset();
    EXPECT_EQ(Snapshot(work / "out"), before);

    FileFaults::FailWritesAfter(full);
    EXPECT_TRUE(BuildPackFromFiles(out, members, ui));
    EXPECT_EQ(ReadFile(out).size(), static_cast<size_t>(full));
}

TEST_F(PackWriteFaults, PackThatCouldNotBeWrittenIsNeverSent) {
    RomListModel pack;
    for (const auto& m : members) pack.SetField(pack.InsertRow(m), FieldFileName, m);
    fs::create_directory(work / "tmp");
    const std::string temp = MakePackTempPath(work / "tmp");
    ASSERT_FALSE(temp.empty());
    std::vector<std::string> sent;
    FileFaults::FailWritesAfter(0x9000);
    PackBuildUi ui = Ui();
    EXPECT_FALSE(SendPack(temp, pack, ui, [&](const std::string& p) { sent.push_back(p); }));
    FileFaults::Reset();
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(fs::exists(temp));
}

TEST_F(PackWriteFaults, FullDeviceFailsTheBuild) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    PackBuildUi ui = Ui();
    EXPECT_FALSE(BuildPackFromFiles("/dev/full", members, ui));
    ASSERT_FALSE(sink.Texts().empty());
    EXPECT_EQ(sink.Texts().back(), "Error Writing File /dev/full");
}

}  // namespace
}  // namespace zorvex::test
