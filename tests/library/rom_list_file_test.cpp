#include "library/rom_list_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library/rom_entry_format.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RecordingMessageSink;
using test::TempDir;

const char kRecordA[] =
    "ALPHA|32kB|alpha.gb|0badf00d|00000000000000010000aabb|alpha.bmp|"
    "00112233445566770000000000008000";
const char kRecordB[] = "beta|64kB|beta.gbc|12345678|000002190101000100000000|beta.bmp|";

class ReadRomListTest : public ::testing::Test {
  protected:
    bool Read(const std::string& text) {
        test::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
        return ReadRomList(path, list, sink);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (auto& row : list.Snapshot()) out.push_back(row[FieldName]);
        return out;
    }
    TempDir dir;
    std::string path = dir / "zorvexroms.txt";
    RomListModel list;
    RecordingMessageSink sink;
};

TEST_F(ReadRomListTest, FilesWithoutRecordsReadAsEmptyLists) {
    EXPECT_TRUE(Read(""));
    EXPECT_TRUE(Read(";Zorvex romlist file\r\n;romname|size\r\n"));
    EXPECT_TRUE(Read(";comment without a line end"));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(ReadRomList(dir / "missing.txt", list, sink));
    EXPECT_FALSE(ReadRomList(dir.path(), list, sink));  // a directory is no list file
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ReadRomListTest, RecordSeparatorsAndLeadingCharacters) {
    // LF-only lines, a blank line, leading spaces and a missing final line break.
    ASSERT_TRUE(Read(std::string(";c\n\n   ") + kRecordA + "\n\r\n  " + kRecordB));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Row(0)[FieldName], "ALPHA");
    EXPECT_EQ(list.Row(0)[FieldFileAttributes], "00112233445566770000000000008000");
    EXPECT_EQ(list.Row(1)[FieldFileName], "beta.gbc");
    EXPECT_EQ(list.Row(1)[FieldFileAttributes], "");  // a record may end in "|"

    list.Clear();
    ASSERT_TRUE(Read(std::string("\t") + kRecordB + "\r\n"));
    EXPECT_EQ(Names(), std::vector<std::string>{"\tbeta"});
}

TEST_F(ReadRomListTest, BadRecordsStopTheReadingAndLeaveNoPartialRow) {
    // Line numbers count from the two comment lines at 0 and 1.
    const std::string head =
        ";Zorvex romlist file\r\n;romname\r\n" + std::string(kRecordA) + "\r\n";
    EXPECT_FALSE(Read(head + "GAMMA||x.gb|0|0|x.bmp|\r\n" + kRecordB + "\r\n"));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Empty Romlength at Line 3"});
    EXPECT_EQ(sink.messages.back().second, "Error");
    EXPECT_EQ(Names(), std::vector<std::string>{"ALPHA"});

    list.Clear();
    sink.messages.clear();
    // No sixth "|"; LF-only line ends count the same.
    EXPECT_FALSE(Read(";a\n;b\n" + std::string(kRecordA) + "\nGAMMA|32kB|g.gb|0|0|g.bmp\n"));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Unexpected end of file at line 3"});
    EXPECT_EQ(Names(), std::vector<std::string>{"ALPHA"});

    list.Clear();
    sink.messages.clear();
    EXPECT_FALSE(Read(head + "\n\nGAMMA|32kB|g.gb|01"));  // cut off inside the CRC
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Unexpected end of file at line 5"});
    EXPECT_EQ(Names(), std::vector<std::string>{"ALPHA"});

    list.Clear();
    sink.messages.clear();
    EXPECT_FALSE(Read(";a\r\n;b\r\nGAMMA|"));  // the file ends right after a "|"
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Empty Romlength at Line 2"});
    EXPECT_TRUE(Names().empty());
}

TEST_F(ReadRomListTest, RefusedRowsAreReportedAndRemoved) {
    list.RefuseAfter(3);  // the insert of the first record succeeds, its CRC is refused
    EXPECT_FALSE(Read(std::string(kRecordA) + "\r\n" + kRecordB));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Error at InsertItem(CRC) at line 0"});
    EXPECT_EQ(list.Count(), 0);
}

RomListModel SampleRows() {
    RomListModel list;
    const char* names[] = {"Zeta", "alpha", "Alpha", "mid bar"};
    for (int i = 0; i < 4; ++i) {
        int row = list.InsertRow(names[i]);
        for (int f = 1; f < kRomFieldCount; ++f)
            list.SetField(row, f, f == FieldFileAttributes && i == 0 ? "" : Format("f%d-%d", f, i));
    }
    return list;
}

TEST(WriteRomList, WritesTheExactFormatAndReadsBackTheSameRows) {
    TempDir dir;
    RecordingMessageSink sink;
    RomListModel rows = SampleRows();
    // Cells longer than 511 characters are cut.
    rows.SetField(1, FieldFileName, std::string(600, 'n'));
    ASSERT_TRUE(WriteRomList(dir / "l.txt", rows, sink));
    auto bytes = test::ReadFile(dir / "l.txt");
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind(";Zorvex romlist file\r\n"
                         ";romname|size|filename|crc|attributes|screenshotname|FileAttr\r\n"
                         "alpha|f1-1|f2-1|f3-1|f4-1|f5-1|f6-1\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("|" + std::string(511, 'n') + "|"), std::string::npos);
    EXPECT_EQ(text.find(std::string(512, 'n')), std::string::npos);

    RomListModel back;
    ASSERT_TRUE(ReadRomList(dir / "l.txt", back, sink));
    ASSERT_EQ(back.Count(), rows.Count());
    for (int i = 0; i < rows.Count(); ++i) {
        RomEntry expected = rows.Row(i);
        if (expected[FieldFileName].size() > 511) expected[FieldFileName].resize(511);
        EXPECT_EQ(back.Row(i), expected) << i;
    }
    EXPECT_TRUE(sink.messages.empty());
}

class WriteFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WriteRomList(path, SampleRows(), sink));
        before = test::ReadFile(path);
    }
    void TearDown() override { FileFaults::Reset(); }
    TempDir dir;
    std::string path = dir / "zorvexroms.txt";
    RecordingMessageSink sink;
    std::vector<uint8_t> before;
};

TEST_F(WriteFailureTest, AFailedLineKeepsThePreviousListFile) {
    FileFaults::FailWritesAfter(100);  // the two comment lines fit, row 0 (line 2) does not
    EXPECT_FALSE(WriteRomList(path, SampleRows(), sink));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].first, "Error Writing Line 2 in File " + path);
    EXPECT_EQ(sink.messages[1].second, "Error");
    EXPECT_EQ(test::ReadFile(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(WriteFailureTest, CreateAndCommitFailures) {
    FileFaults::FailCreate(true);
    EXPECT_FALSE(WriteRomList(path, RomListModel(), sink));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Can't create " + path});
    FileFaults::Reset();
    sink.messages.clear();
    FileFaults::FailCommit(true);
    EXPECT_FALSE(WriteRomList(path, RomListModel(), sink));
    EXPECT_EQ(sink.messages.back().first, "Error Writing Line 1 in File " + path);
    EXPECT_EQ(test::ReadFile(path), before);
}

}  // namespace
}  // namespace zorvex
