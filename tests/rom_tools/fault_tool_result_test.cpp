// The ROM tools writing their results onto a disk that fills up at any byte,
// over another file or over their own source: whatever was there stays whole,
// and no temporary file is left beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "rom/tools/calculate_gb_crc_command.h"
#include "rom/tools/cut_rom_command.h"
#include "rom/tools/ips_patch_command.h"
#include "tests/support/fault_snapshot.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

using Tool =
    std::function<bool(const std::string& source, const std::string& result, MessageSink& sink)>;

struct NamedTool {
    const char* name;
    Tool run;
    size_t resultSize;  // of a successful result from the source below
};

class ToolResultFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        // 40 KiB of content in 64 KiB with a wrong global checksum: every tool
        // has something to do and writes 64 KiB.
        source = dir / "game.gb";
        WriteFile(source, RomBuilder(0x10000)
                              .Pattern(0x150, 0xA000, 3)
                              .Fill(0xA000, 0x00)
                              .Set(0x14F, 0x5A)
                              .KeepChecksums()
                              .Build());
        WriteFile(dir / "other.gb", std::vector<uint8_t>(777, 0x77));
        const std::vector<uint8_t> patch = {'P', 'A', 'T',  'C',  'H', 0,   0x20, 0,
                                            0,   2,   0xAB, 0xCD, 'E', 'O', 'F'};
        WriteFile(dir / "fix.ips", patch);
    }
    void TearDown() override { FileFaults::Reset(); }

    std::vector<NamedTool> Tools() {
        const std::string patch = dir / "fix.ips";
        return {
            {"cut", [](auto& s, auto& r, auto& sink) { return CutRomFile(s, r, sink); }, 0x10000},
            {"fixsum", [](auto& s, auto& r, auto& sink) { return CalculateGbCrcFile(s, r, sink); },
             0x10000},
            {"ips",
             [patch](auto& s, auto& r, auto& sink) { return IpsPatchFile(s, patch, r, sink); },
             0x10000},
        };
    }

    TempDir dir;
    std::string source;
    RecordingMessageSink sink;
};

TEST_F(ToolResultFaults, DiskFullOverAnotherFileOrTheSourceKeepsWhatWasThere) {
    const auto before = Snapshot(dir.path());
    for (const auto& tool : Tools()) {
        for (const std::string& result :
             std::vector<std::string>{dir / "other.gb", source, dir / "new.gb"}) {
            for (int64_t budget : {0, 1, 0x3FFF, 0x4000, 0x8000, 0xFFFF}) {
                SCOPED_TRACE(testing::Message()
                             << tool.name << " -> " << result << " room " << budget);
                sink.messages.clear();
                FileFaults::FailWritesAfter(budget);
                EXPECT_FALSE(tool.run(source, result, sink));
                FileFaults::Reset();
                ASSERT_FALSE(sink.messages.empty());
                EXPECT_EQ(sink.Texts().back(), "Error Writing File " + result);
                ASSERT_EQ(Snapshot(dir.path()), before);
            }
            SCOPED_TRACE(testing::Message() << tool.name << " -> " << result << " commit");
            FileFaults::FailCommit(true);
            EXPECT_FALSE(tool.run(source, result, sink));
            FileFaults::Reset();
            ASSERT_EQ(Snapshot(dir.path()), before);
        }
        // With room for exactly the result, the tool succeeds.
        FileFaults::FailWritesAfter(static_cast<int64_t>(tool.resultSize));
        EXPECT_TRUE(tool.run(source, dir / "new.gb", sink)) << tool.name;
        FileFaults::Reset();
        EXPECT_EQ(ReadFile(dir / "new.gb").size(), tool.resultSize) << tool.name;
        std::filesystem::remove(dir / "new.gb");
    }
}

TEST_F(ToolResultFaults, FullDeviceIsReportedAsAWriteError) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const auto& tool : Tools()) {
        sink.messages.clear();
        EXPECT_FALSE(tool.run(source, "/dev/full", sink)) << tool.name;
        ASSERT_FALSE(sink.messages.empty()) << tool.name;
        EXPECT_EQ(sink.Texts().back(), "Error Writing File /dev/full") << tool.name;
    }
}

}  // namespace
}  // namespace zorvex::test
