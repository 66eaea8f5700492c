// The list file on a disk that fills up at any byte: the previous list stays
// whole and nothing else appears beside it.
#include <gtest/gtest.h>

#include <string>

#include "common/file_io.h"
#include "library/rom_entry_format.h"
#include "library/rom_list_file.h"
#include "tests/support/fault_snapshot.h"
#include "tests/support/recording_ui.h"

namespace zorvex::test {
namespace {

RomListModel Rows(int count, const char* tag) {
    RomListModel list;
    for (int i = 0; i < count; ++i) {
        const int row = list.InsertRow(Format("%s game %03d", tag, i));
        for (int f = 1; f < kRomFieldCount; ++f)
            list.SetField(row, f, Format("%s%d-%d", tag, f, i));
    }
    return list;
}

TEST(RomListWriteFaults, DiskFullAtAnyByteKeepsThePreviousListFile) {
    TempDir dir;
    const std::string path = dir / kRomListFileName;
    RecordingMessageSink sink;
    ASSERT_TRUE(WriteRomList(path, Rows(5, "old"), sink));
    const auto before = Snapshot(dir.path());
    const RomListModel next = Rows(40, "new");
    ASSERT_TRUE(WriteRomList(dir / "probe.txt", next, sink));
    const int64_t full = static_cast<int64_t>(ReadFile(dir / "probe.txt").size());
    std::filesystem::remove(dir / "probe.txt");

    for (int64_t budget = 0; budget < full; budget += budget < 64 ? 1 : 37) {
        SCOPED_TRACE(testing::Message() << "room for " << budget << " of " << full << " bytes");
        sink.messages.clear();
        FileFaults::FailWritesAfter(budget);
        EXPECT_FALSE(WriteRomList(path, next, sink));
        FileFaults::Reset();
        ASSERT_FALSE(sink.messages.empty());
        EXPECT_EQ(sink.messages.back().second, "Error");
        ASSERT_EQ(Snapshot(dir.path()), before);
    }
    // The list written with exactly enough room reads back whole.
    FileFaults::FailWritesAfter(full);
    EXPECT_TRUE(WriteRomList(path, next, sink));
    FileFaults::Reset();
    RomListModel back;
    ASSERT_TRUE(ReadRomList(path, back, sink));
    EXPECT_EQ(back.Count(), 40);
    EXPECT_EQ(Names(Snapshot(dir.path())), std::vector<std::string>{kRomListFileName});
}

TEST(RomListWriteFaults, FullDeviceIsReportedNotTakenForAWrittenList) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    RecordingMessageSink sink;
    EXPECT_FALSE(WriteRomList("/dev/full", Rows(40, "x"), sink));
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages.back().second, "Error");
}

}  // namespace
}  // namespace zorvex::test
