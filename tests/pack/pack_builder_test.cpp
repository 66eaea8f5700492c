#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "common/file_io.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "pack/pack_temp_path.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessageSink;
using test::RomBuilder;
using test::TempDir;

// Records the progress window and presses Cancel when asked to show cancelAt.
class CancellingProgress final : public ProgressSink {
  public:
    explicit CancellingProgress(std::atomic<bool>& cancel) : cancel_(cancel) {}
    bool Open() override {
        ++opens;
        return true;
    }
    void SetCaption(const std::string& c) override { captions.push_back(c); }
    void SetRange(int low, int high) override { ranges.emplace_back(low, high); }
    void SetPos(int pos) override {
        positions.push_back(pos);
        if (pos == cancelAt) cancel_ = true;
    }
    void PumpMessages() override { ++pumps; }
    void Close() override { ++closes; }

    int cancelAt = -1;
    int opens = 0, closes = 0, pumps = 0;
    std::vector<std::string> captions;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;

  private:
    std::atomic<bool>& cancel_;
};

class PackBuildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(dir_.path());
        test::WriteFile(kMenuProgramFile, MakeMenuProgram());
    }
    void TearDown() override {
        fs::current_path(previous_);
        FileFaults::Reset();
    }

    PackBuildUi Ui() {
        return PackBuildUi{sink_, progress_, cancel_, [this] { ++timerStops_; },
                           [this] { ++timerStarts_; }};
    }
    bool Build(const std::vector<std::string>& members) {
        PackBuildUi ui = Ui();
        return BuildPackFromFiles(out_, members, ui);
    }
    void ExpectWindowAndTimerRestored() {
        EXPECT_EQ(progress_.opens, progress_.closes);
        EXPECT_EQ(timerStops_, 1);
        EXPECT_EQ(timerStarts_, 1);
    }
    std::string Rom(const std::string& name, std::vector<uint8_t> bytes) {
        test::WriteFile(name, bytes);
        return name;
    }

    TempDir dir_;
    fs::path previous_;
    std::string out_ = dir_ / "pack.gb";
    RecordingMessageSink sink_;
    std::atomic<bool> cancel_{false};
    CancellingProgress progress_{cancel_};
    int timerStops_ = 0, timerStarts_ = 0;
};

TEST_F(PackBuildTest, MembersFollowTheMenuWithoutAlignment) {
    std::vector<uint8_t> small = RomBuilder(0x8000).Title("SMALL").Build();
    std::vector<uint8_t> large = RomBuilder(0x10000).Title("LARGE").RomSizeCode(1).Build();
    cancel_ = true;  // a stale Cancel from an earlier job must not stop this build
    ASSERT_TRUE(Build({Rom("roms/small.gb", small), Rom("large.gb", large)}));
    EXPECT_TRUE(sink_.messages.empty());

    std::vector<uint8_t> image = test::ReadFile(out_);
    ASSERT_EQ(image.size(), 0x20000u);
    std::vector<uint8_t> menu = MakeMenuProgram();
    EXPECT_TRUE(std::equal(menu.begin(), menu.end(), image.begin()));
    EXPECT_TRUE(std::equal(small.begin(), small.end(), image.begin() + 0x8000));
    EXPECT_TRUE(std::equal(large.begin(), large.end(), image.begin() + 0x10000));

    EXPECT_EQ(progress_.captions, std::vector<std::string>{"Building DIZavo"});
    EXPECT_EQ(progress_.ranges, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(progress_.positions, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(progress_.pumps, 3);
    ExpectWindowAndTimerRestored();
}

TEST_F(PackBuildTest, PackRowsAreBuiltInListOrderFromTheirFileNames) {
    RomListModel pack;
    for (const char* name : {"BETA", "ALPHA"}) {
        int row = pack.InsertRow(name);
        pack.SetField(
            row, FieldFileName,
            Rom(std::string("roms/") + name + ".gb", RomBuilder(0x8000).Title(name).Build()));
    }
    PackBuildUi ui = Ui();
    ASSERT_TRUE(BuildPack(out_, pack, ui));
    std::vector<uint8_t> image = test::ReadFile(out_);
    ASSERT_EQ(image.size(), 0x18000u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&image[0x8134]), 5), "ALPHA");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&image[0x10134]), 4), "BETA");
}

TEST_F(PackBuildTest, MissingMenuProgramLeavesAnEmptyOutputFile) {
    fs::remove(kMenuProgramFile);
    EXPECT_FALSE(Build({Rom("a.gb", RomBuilder().Build())}));
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_NE(sink_.messages[0].first.find("dizavo.gb"), std::string::npos);
    EXPECT_EQ(sink_.messages[0].second, "Error");
    ASSERT_TRUE(fs::exists(out_));
    EXPECT_EQ(fs::file_size(out_), 0u);
    ExpectWindowAndTimerRestored();
}

TEST_F(PackBuildTest, FailingMemberKeepsWhatWasBuiltBeforeIt) {
    std::string good = Rom("good.gb", RomBuilder().Build());
    EXPECT_FALSE(Build({good, "missing.gb", good}));
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_NE(sink_.messages[0].first.find("missing.gb"), std::string::npos);
    EXPECT_EQ(fs::file_size(out_), 0x10000u);
    ExpectWindowAndTimerRestored();

    sink_.messages.clear();
    EXPECT_FALSE(Build({Rom("short.gb", RomBuilder(0x14F).Build())}));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"File " + out_ + " to small (335)"});
    EXPECT_EQ(fs::file_size(out_), 0x8000u);
}

TEST_F(PackBuildTest, CancelLeavesNoOutput) {
    std::string rom = Rom("a.gb", RomBuilder().Build());
    progress_.cancelAt = 1;
    EXPECT_FALSE(Build({rom, rom}));
    EXPECT_FALSE(fs::exists(out_));
    EXPECT_TRUE(sink_.messages.empty());
    ExpectWindowAndTimerRestored();
    // Nothing half-written is left beside the target either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
}

TEST_F(PackBuildTest, CancelAndWriteErrorsKeepAnEarlierFileOfThatName) {
    const std::vector<uint8_t> earlier = {'o', 'l', 'd'};
    std::string rom = Rom("a.gb", RomBuilder().Build());

    test::WriteFile(out_, earlier);
    progress_.cancelAt = 2;
    EXPECT_FALSE(Build({rom, rom}));
    EXPECT_EQ(test::ReadFile(out_), earlier);

    progress_.cancelAt = -1;
    FileFaults::FailWritesAfter(0x8000 + 0x100);
    EXPECT_FALSE(Build({rom}));
    EXPECT_EQ(sink_.Texts().back(), "Error Writing File " + out_);
    EXPECT_EQ(test::ReadFile(out_), earlier);
    EXPECT_EQ(timerStops_, timerStarts_);
}

TEST_F(PackBuildTest, UncreatableOutputIsReportedBeforeAnythingStarts) {
    FileFaults::FailCreate(true);
    EXPECT_FALSE(Build({}));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Can't create " + out_});
    EXPECT_EQ(progress_.opens, 0);
    EXPECT_EQ(timerStops_, 0);
    EXPECT_EQ(timerStarts_, 0);
}

TEST_F(PackBuildTest, SendBuildsToTheTemporaryPathThenStartsTheJob) {
    RomListModel pack;
    int row = pack.InsertRow("A");
    pack.SetField(row, FieldFileName, Rom("a.gb", RomBuilder().Build()));
    std::vector<std::string> sent;
    auto start = [&](const std::string& path) { sent.push_back(path); };

    PackBuildUi ui = Ui();
    EXPECT_FALSE(SendPack("", pack, ui, start));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Temporary Path too long"});
    EXPECT_TRUE(sent.empty());

    fs::create_directory(dir_ / "tmp");
    std::string temp = MakePackTempPath(dir_ / "tmp");
    ASSERT_FALSE(temp.empty());
    sink_.messages.clear();
    EXPECT_TRUE(SendPack(temp, pack, ui, start));
    EXPECT_EQ(sent, std::vector<std::string>{temp});
    EXPECT_EQ(fs::file_size(temp), 0x10000u);

    // A failed build sends nothing.
    fs::remove(kMenuProgramFile);
    EXPECT_FALSE(SendPack(temp, pack, ui, start));
    EXPECT_EQ(sent.size(), 1u);
}

}  // namespace
}  // namespace zorvex
