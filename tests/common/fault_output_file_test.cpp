// The atomic output file under write, commit and device failures: whatever
// fails, the target holds either its old bytes or, after Commit, all the new
// ones, and no temporary file stays beside it.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "tests/support/fault_snapshot.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

class OutputFileFaults : public ::testing::Test {
  protected:
    ~OutputFileFaults() override { FileFaults::Reset(); }
    // Writes `data` in chunks of `chunk` bytes, then commits.
    bool WriteInChunks(const std::string& path, const std::vector<uint8_t>& data, size_t chunk) {
        auto file = OutputFile::Create(path);
        if (!file) return false;
        for (size_t at = 0; at < data.size(); at += chunk) {
            if (!file->Write(data.data() + at, std::min(chunk, data.size() - at))) return false;
        }
        return file->Commit();
    }
    TempDir dir;
    std::string path = dir / "target.bin";
    std::vector<uint8_t> old = std::vector<uint8_t>(3000, 0x11);
    std::vector<uint8_t> fresh = std::vector<uint8_t>(5000, 0x22);
};

TEST_F(OutputFileFaults, DiskFullAtAnyByteKeepsTheOldFileOrCreatesNone) {
    for (bool existing : {true, false}) {
        for (int64_t budget : {0, 1, 999, 1000, 1001, 2500, 4999}) {
            SCOPED_TRACE(testing::Message() << "existing " << existing << " budget " << budget);
            std::filesystem::remove(path);
            if (existing) WriteFile(path, old);
            const auto before = Snapshot(dir.path());
            FileFaults::FailWritesAfter(budget);
            errno = 0;
            EXPECT_FALSE(WriteInChunks(path, fresh, 1000));
            EXPECT_EQ(errno, ENOSPC);
            FileFaults::Reset();
            EXPECT_EQ(Snapshot(dir.path()), before);
        }
    }
    // Exactly enough room: the whole new file.
    FileFaults::FailWritesAfter(5000);
    EXPECT_TRUE(WriteInChunks(path, fresh, 1000));
    EXPECT_EQ(ReadFile(path), fresh);
    EXPECT_EQ(Snapshot(dir.path()).size(), 1u);
}

TEST_F(OutputFileFaults, FailedCommitAbandonedFileAndFailedCreateLeaveTheDirectoryAsItWas) {
    WriteFile(path, old);
    const auto before = Snapshot(dir.path());
    FileFaults::FailCommit(true);
    EXPECT_FALSE(WriteInChunks(path, fresh, 4096));
    FileFaults::Reset();
    EXPECT_EQ(Snapshot(dir.path()), before);

    {
        auto file = OutputFile::Create(path);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write(fresh.data(), fresh.size()));
        // Dropped without Commit, as a cancelled job does.
    }
    EXPECT_EQ(Snapshot(dir.path()), before);

    FileFaults::FailCreate(true);
    EXPECT_EQ(OutputFile::Create(path), nullptr);
    EXPECT_EQ(OutputFile::Create(dir / "new.bin"), nullptr);
    FileFaults::Reset();
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST_F(OutputFileFaults, RealFullDeviceFailsTheWriteOrTheCommit) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    RecordingMessageSink sink;
    // Buffered bytes reach the device only at Commit; either step must fail.
    EXPECT_FALSE(WriteInChunks("/dev/full", fresh, 1000));
    EXPECT_FALSE(WriteWholeFile("/dev/full", fresh.data(), fresh.size(), false, sink));
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.Texts().back(), "Error Writing File /dev/full");
    // A large write fails at once, without waiting for Commit.
    auto file = OutputFile::Create("/dev/full");
    ASSERT_TRUE(file);
    std::vector<uint8_t> big(1 << 20, 0x33);
    errno = 0;
    EXPECT_FALSE(file->Write(big.data(), big.size()));
    EXPECT_EQ(errno, ENOSPC);
}

TEST_F(OutputFileFaults, WriteWholeFileReportsEveryFailureOnceAndKeepsTheOldBytes) {
    WriteFile(path, old);
    RecordingMessageSink sink;
    FileFaults::FailWritesAfter(10);
    EXPECT_FALSE(WriteWholeFile(path, fresh.data(), fresh.size(), false, sink));
    EXPECT_EQ(sink.messages.back(),
              std::make_pair("Error Writing File " + path, std::string("Error")));
    FileFaults::Reset();
    FileFaults::FailCommit(true);
    sink.messages.clear();
    EXPECT_FALSE(WriteWholeFile(path, fresh.data(), fresh.size(), false, sink));
    EXPECT_EQ(sink.Texts().back(), "Error Writing File " + path);
    FileFaults::Reset();
    EXPECT_EQ(Snapshot(dir.path()), (DirSnapshot{{"target.bin", old}}));
}

}  // namespace
}  // namespace zorvex::test
