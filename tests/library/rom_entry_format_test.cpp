#include "library/rom_entry_format.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "library/rom_list_file.h"
#include "library/rom_list_location.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"
#include "tests/support/shared_temp_dir.h"

namespace zorvex {
namespace {

using test::RomBuilder;
using test::TempDir;

TEST(RomEntryFormat, SizeTextNamesContentAndHeaderCodes) {
    EXPECT_EQ(SizeText(5, 5), "1MB");
    EXPECT_EQ(SizeText(4, 5), "512kB/1MB");
    EXPECT_EQ(SizeText(0, 0x52), "32kB/---");
    EXPECT_EQ(SizeText(11, 10), "---/32MB");
    EXPECT_EQ(SizeText(0, 0), "32kB");
}

// A 9 MiB file that states 8 MB: trailing fill is not content (the send job
// never writes it), so only content past 8 MiB makes it a 16 MB image, which
// no card holds.
TEST(RomEntryFormat, ANineMebibyteFileIsSizedByItsContent) {
    TempDir dir;
    RomEntry entry;
    std::string message;
    for (bool filled : {true, false}) {
        RomBuilder rom(9 << 20);
        rom.RomSizeCode(8).Pattern(0x150, filled ? 8 << 20 : 9 << 20, 3);
        if (filled) rom.Fill(8 << 20, 0xFF);
        test::WriteFile(dir / "nine.gb", rom.Build());
        ASSERT_TRUE(BuildRomEntry(dir / "nine.gb", false, entry, message)) << message;
        EXPECT_EQ(entry[FieldSize], filled ? "8MB" : "16MB/8MB");
    }
}

TEST(RomEntryFormat, HexByteAtReadsPairsAndToleratesDamage) {
    EXPECT_EQ(HexByteAt(1, "0030"), 0x30);
    EXPECT_EQ(HexByteAt(4, "0030"), 0);
    EXPECT_EQ(HexByteAt(0, "zz"), 0);
    EXPECT_EQ(HexByteAt(0, "A9"), 0xA9);
    EXPECT_EQ(HexByteAt(0, "g1"), 0x01);
    EXPECT_EQ(HexByteAt(1, "001"), 0);  // a lone digit is no pair
}

TEST(RomEntryFormat, FileAttributesUseTheWindowsFileTime) {
    // 1970-01-01 is 116444736000000000 (0x019db1ded53e8000) in 100 ns units since 1601.
    EXPECT_EQ(WindowsFileTime(0, 0), 0x019db1ded53e8000ull);
    EXPECT_EQ(WindowsFileTime(1, 250), 0x019db1ded53e8000ull + 10000000 + 2);
    EXPECT_EQ(WindowsFileTime(-11644473601, 0), 0u);
    FileFacts facts{0x0123456789abcdefull, 0x0000000500008000ull};
    EXPECT_EQ(FileAttributesText(facts), "89abcdef012345670000000500008000");
}

TEST(RomEntryFormat, BuildRomEntryFillsTheSevenFields) {
    TempDir dir;
    auto image = RomBuilder(0x20000)
                     .Title("MY|GAME")
                     .NewLicensee("8M")
                     .Sgb(3)
                     .CartType(0x1B)
                     .RomSizeCode(3)
                     .RamSizeCode(2)
                     .Destination(0)
                     .OldLicensee(0x33)
                     .Set(0x14C, 0x07)
                     .Fill(0x9000, 0xFF)
                     .Build();
    test::WriteFile(dir / "my.game.gb", image);
    RomEntry entry;
    std::string message;
    ASSERT_TRUE(BuildRomEntry(dir / "my.game.gb", false, entry, message)) << message;
    EXPECT_EQ(entry[FieldName], "MY GAME");
    EXPECT_EQ(entry[FieldSize], "64kB/256kB");
    EXPECT_EQ(entry[FieldFileName], "my.game.gb");
    EXPECT_EQ(entry[FieldScreenshot], "my.game.bmp");
    std::string attributes =
        Format("384d011b0102003307%02x%02x%02x", image[0x14D], image[0x14E], image[0x14F]);
    EXPECT_EQ(entry[FieldAttributes], attributes);
    FileFacts facts;
    ASSERT_TRUE(QueryFileFacts(dir / "my.game.gb", facts));
    EXPECT_EQ(entry[FieldFileAttributes], FileAttributesText(facts));
    EXPECT_EQ(entry[FieldFileAttributes].substr(16), "0000000000020000");

    ASSERT_TRUE(BuildRomEntry(dir / "my.game.gb", true, entry, message));
    EXPECT_EQ(entry[FieldFileName], dir / "my.game.gb");
}

TEST(RomEntryFormat, NameIsTheTitleElseTheFileNameAndUnlistableFilesAreRefused) {
    TempDir dir;
    RomEntry entry;
    std::string message;
    test::WriteFile(dir / "untitled.gb", RomBuilder().Title("").Build());
    ASSERT_TRUE(BuildRomEntry(dir / "untitled.gb", true, entry, message));
    EXPECT_EQ(entry[FieldName], "untitled.gb");
    test::WriteFile(dir / "odd.gb", RomBuilder().Title("  ;X\rY").Build());
    ASSERT_TRUE(BuildRomEntry(dir / "odd.gb", false, entry, message));
    EXPECT_EQ(entry[FieldName], "  ;X\rY");

    test::WriteFile(dir / "a|b.gb", RomBuilder().Build());
    EXPECT_FALSE(BuildRomEntry(dir / "a|b.gb", false, entry, message));
    EXPECT_NE(message.find("a|b.gb"), std::string::npos);
    test::WriteFile(dir / "short.gb", std::vector<uint8_t>(0x14F, 0));
    EXPECT_FALSE(BuildRomEntry(dir / "short.gb", false, entry, message));
    EXPECT_EQ(message, "File is to small (" + dir / "short.gb" + ")");
}

TEST(RomEntryFormat, LineBreaksInATitleSurviveTheListFile) {
    // Only "|" is replaced: the list reader takes a Name up to its "|", so a
    // line break inside one neither splits the record nor disturbs the next.
    TempDir dir;
    RomListModel rows;
    const char* titles[] = {"A\rB\nC|D", "TWO\r\nLINES", "PLAIN"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = dir / Format("t%d.gb", i);
        test::WriteFile(path, RomBuilder().Title(titles[i]).Build());
        RomEntry entry;
        std::string message;
        ASSERT_TRUE(BuildRomEntry(path, false, entry, message)) << message;
        int row = rows.InsertRow(entry[FieldName]);
        for (int f = 1; f < kRomFieldCount; ++f) rows.SetField(row, f, entry[f]);
    }
    EXPECT_EQ(rows.Row(0)[FieldName], "A\rB\nC D");

    test::RecordingMessageSink sink;
    ASSERT_TRUE(WriteRomList(dir / "list.txt", rows, sink));
    RomListModel back;
    ASSERT_TRUE(ReadRomList(dir / "list.txt", back, sink));
    ASSERT_EQ(back.Count(), rows.Count());
    for (int i = 0; i < rows.Count(); ++i) EXPECT_EQ(back.Row(i), rows.Row(i)) << i;
    EXPECT_TRUE(sink.messages.empty());
}

TEST(RomListLocation, VolumeFileNamesAndSerials) {
    EXPECT_EQ(VolumeRomListPath({"GAMES", 0x1234ABCD}, "/tmp"),
              "/tmp/ZORVEXROMLIST_GAMES_1234abcd.TXT");
    EXPECT_EQ(VolumeRomListPath({"", 0x1234ABCD}, "/tmp/"), "/tmp/ZORVEXROMLIST__1234abcd.TXT");
    EXPECT_EQ(SerialFromUuid("1234-ABCD"), 0x1234ABCDu);         // FAT: the serial itself
    EXPECT_EQ(SerialFromUuid("0123456789ABCDEF"), 0x89ABCDEFu);  // NTFS: its low half
    EXPECT_EQ(SerialFromUuid("8f3c1a2b-0000-4000-8000-000000000001"), 0x8f3c1a2bu);
    EXPECT_EQ(SerialFromUuid("--"), std::nullopt);
}

// Runs a test body inside a directory, with TMPDIR pointing elsewhere.
class StartUpListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        old = std::filesystem::current_path();
        std::filesystem::current_path(work.path());
    }
    void TearDown() override { std::filesystem::current_path(old); }
    static void WriteList(const std::string& path, const std::string& name) {
        std::string text = name + "|32kB|x.gb|00000000|000000000000000000000000|x.bmp|\r\n";
        test::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
    }
    std::string FirstName() const { return list.Count() ? list.Row(0)[FieldName] : ""; }

    TempDir work;
    test::SharedTempDir temp;
    std::filesystem::path old;
    RomListModel list;
    NullMessageSink sink;
};

TEST_F(StartUpListTest, WritableDirectoryUsesItsOwnListFile) {
    EXPECT_TRUE(WorkingDirectoryWritable());
    EXPECT_FALSE(std::filesystem::exists("zorvex.tst"));
    WriteList("zorvexroms.txt", "LOCAL");
    WriteList(ReadOnlyRomListCandidate(), "VOLUME");
    EXPECT_EQ(OpenRomListAtStart(true, list, sink), "zorvexroms.txt");
    EXPECT_EQ(FirstName(), "LOCAL");
}

TEST_F(StartUpListTest, ReadOnlyDirectoryKeepsItsListInTheTemporaryDirectory) {
    if (!VolumeInfoOf(".")) GTEST_SKIP() << "this file system reports no identity";
    std::string candidate = ReadOnlyRomListCandidate();
    EXPECT_EQ(candidate.rfind(temp.PrivateDir() + "/ZORVEXROMLIST_", 0), 0u);
    EXPECT_EQ(candidate.substr(candidate.size() - 4), ".TXT");

    WriteList("zorvexroms.txt", "SHIPPED");  // seeds the volume's list
    EXPECT_EQ(OpenRomListAtStart(false, list, sink), candidate);
    EXPECT_EQ(FirstName(), "SHIPPED");
    list.Clear();
    WriteList(candidate, "VOLUME");
    EXPECT_EQ(OpenRomListAtStart(false, list, sink), candidate);
    EXPECT_EQ(FirstName(), "VOLUME");
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(StartUpListTest, AListFilePlantedInTheSharedTemporaryDirectoryIsNeverRead) {
    auto volume = VolumeInfoOf(".");
    if (!volume) GTEST_SKIP() << "this file system reports no identity";
    // Another user's forgery under the very name the volume's list would have.
    const std::string planted = VolumeRomListPath(*volume, temp.path());
    WriteList(planted, "FORGED");
    WriteList("zorvexroms.txt", "SHIPPED");
    const std::string candidate = OpenRomListAtStart(false, list, sink);
    EXPECT_NE(candidate, planted);
    EXPECT_EQ(FirstName(), "SHIPPED");

    // The private directory taken by a link to the planter's directory: the
    // list stays in the working directory rather than go through the link.
    std::filesystem::remove_all(temp.PrivateDir());
    std::filesystem::create_directory(temp / "theirs");
    WriteList(temp / "theirs/" + std::filesystem::path(candidate).filename().string(), "FORGED");
    std::filesystem::create_directory_symlink(temp / "theirs", temp.PrivateDir());
    list.Clear();
    EXPECT_EQ(OpenRomListAtStart(false, list, sink), "zorvexroms.txt");
    EXPECT_EQ(FirstName(), "SHIPPED");
    EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace zorvex
