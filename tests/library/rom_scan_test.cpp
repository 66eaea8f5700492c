#include "library/rom_scan.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>

#include "library/rom_entry_format.h"
#include "library/rom_list_file.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessageSink;
using test::RomBuilder;
using test::TempDir;

// Sets the shared cancel flag while the scan pumps messages, as the progress
// window's Cancel button would.
class CancellingProgress final : public ProgressSink {
  public:
    CancellingProgress(test::RecordingProgress& record, std::atomic<bool>& flag)
        : record_(record), flag_(flag) {}
    bool Open() override { return record_.Open(); }
    void SetCaption(const std::string& c) override { record_.SetCaption(c); }
    void SetRange(int low, int high) override { record_.SetRange(low, high); }
    void SetPos(int pos) override { record_.SetPos(pos); }
    void PumpMessages() override {
        record_.PumpMessages();
        if (record_.pumps == cancelAtPump) flag_ = true;
    }
    void Close() override { record_.Close(); }
    int cancelAtPump = -1;

  private:
    test::RecordingProgress& record_;
    std::atomic<bool>& flag_;
};

class ScanTest : public ::testing::Test {
  protected:
    ScanTest() { fs::create_directory(roms); }

    void AddRom(const std::string& name, const std::string& title) {
        test::WriteFile(roms + name, RomBuilder().Title(title).Build());
    }
    bool Scan() { return ScanRomDirectory(roms, list, ui); }
    std::vector<std::string> FileNames() const {
        std::vector<std::string> out;
        for (auto& row : list.Snapshot()) out.push_back(row[FieldFileName]);
        return out;
    }

    TempDir dir;
    std::string roms = dir / "roms/";
    RomListModel list;
    RecordingMessageSink sink;
    test::RecordingProgress record;
    std::atomic<bool> cancel{false};
    CancellingProgress progress{record, cancel};
    std::vector<int> captionCounts;  // the row count at each caption update
    LibraryScanUi ui{sink, progress, cancel, [this] { captionCounts.push_back(list.Count()); }};
};

TEST_F(ScanTest, NewFilesGetRowsAndUnchangedFilesAreNotLookedAtAgain) {
    AddRom("b.gb", "BRAVO");
    AddRom("a.gbc", "ALPHA");
    test::WriteFile(roms + "notes.txt", std::vector<uint8_t>(0x200, 'x'));
    test::WriteFile(roms + "game.SAV", std::vector<uint8_t>(4, 0));
    fs::create_directory(roms + "sub.gb");
    ASSERT_EQ(::mkfifo((roms + "pipe.gb").c_str(), 0600), 0);  // would block a loader

    ASSERT_TRUE(Scan());
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"a.gbc", "b.gb"}));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{roms + "notes.txt is no Gameboyrom !!"});
    EXPECT_EQ(record.captions, std::vector<std::string>{"Scanning Roms"});
    EXPECT_EQ(record.ranges, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(record.closes, 1);

    // Unchanged: no check of the good files; the bad file is tried again but
    // reported only once, until it changes or the owner asks for a rescan.
    sink.messages.clear();
    RomListModel before = list;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(list.Snapshot(), before.Snapshot());
    EXPECT_EQ(record.opens, 2);
    EXPECT_TRUE(sink.messages.empty());
    fs::last_write_time(roms + "notes.txt",
                        fs::last_write_time(roms + "notes.txt") + std::chrono::seconds(5));
    ASSERT_TRUE(Scan());
    ASSERT_TRUE(Scan());
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{roms + "notes.txt is no Gameboyrom !!"});
    ASSERT_TRUE(RescanRomDirectory(roms, dir / "zorvexroms.txt", list, ui));
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(list.Snapshot(), before.Snapshot());
    fs::remove(roms + "notes.txt");
    const int opens = record.opens;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(record.opens, opens);
}

TEST_F(ScanTest, ChangedGoneAndDuplicatedRowsAreDropped) {
    AddRom("a.gb", "ALPHA");
    AddRom("b.gb", "BRAVO");
    ASSERT_TRUE(Scan());
    RomEntry oldA = list.Row(0);

    // A duplicated row, as a list file with a repeated line would give.
    int dup = list.InsertRow(oldA[FieldName]);
    for (int f = 1; f < kRomFieldCount; ++f) list.SetField(dup, f, oldA[f]);
    // Touched: same bytes, new time.
    fs::last_write_time(roms + "a.gb",
                        fs::last_write_time(roms + "a.gb") + std::chrono::seconds(5));
    fs::remove(roms + "b.gb");

    ASSERT_TRUE(Scan());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Row(0)[FieldFileName], "a.gb");
    EXPECT_NE(list.Row(0)[FieldFileAttributes], oldA[FieldFileAttributes]);
    EXPECT_EQ(list.Row(0)[FieldCrc], oldA[FieldCrc]);

    for (auto& f : fs::directory_iterator(roms)) fs::remove(f);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(RomListCaption(list.Count()), "RomList (Empty)");
    EXPECT_EQ(RomListCaption(1), "RomList (1 Rom)");
    EXPECT_EQ(RomListCaption(12), "RomList (12 Roms)");
}

TEST_F(ScanTest, ZipArchivesAndUnstorableNames) {
    auto image = RomBuilder().Title("ZIPPED").Build();
    zipFile zip = zipOpen((roms + "pack.zip").c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    zip_fileinfo info{};
    zipOpenNewFileInZip(zip, "inner.gb", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6);
    zipWriteInFileInZip(zip, image.data(), static_cast<unsigned>(image.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
    AddRom("bar|name.gb", "BAR");
    AddRom("line\nbreak.gb", "LINE");

    ASSERT_TRUE(Scan());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Row(0)[FieldName], "ZIPPED");
    EXPECT_EQ(list.Row(0)[FieldFileName], "pack.zip");
    EXPECT_EQ(list.Row(0)[FieldScreenshot], "pack.bmp");
    EXPECT_EQ(sink.messages.size(), 2u);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(sink.messages.size(), 2u) << "reported once";
}

TEST_F(ScanTest, CaptionFollowsEveryFourthFileAndCancelKeepsRowsSoFar) {
    for (int i = 0; i < 9; ++i) AddRom(Format("r%d.gb", i), Format("ROM%d", i));
    cancel = true;  // a stale Cancel from an earlier job does not stop this scan
    ASSERT_TRUE(Scan());
    EXPECT_EQ(captionCounts, (std::vector<int>{1, 5, 9, 9}));
    EXPECT_EQ(record.positions, (std::vector<int>{0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));

    list.Clear();
    progress.cancelAtPump = record.pumps + 3;  // Cancel pressed while file 2 is shown
    ASSERT_TRUE(Scan());
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"r0.gb", "r1.gb", "r2.gb", "r3.gb"}));
    EXPECT_EQ(record.closes, 2);
    cancel = false;
    ASSERT_TRUE(Scan());  // a later scan adds the rest
    EXPECT_EQ(list.Count(), 9);
}

TEST_F(ScanTest, MissingDirectoryLeavesRowsAlone) {
    AddRom("a.gb", "ALPHA");
    ASSERT_TRUE(Scan());
    fs::remove_all(roms);
    EXPECT_FALSE(Scan());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(sink.messages.back(),
              std::make_pair(std::string("No such file or directory"), std::string("Error")));
    EXPECT_EQ(captionCounts.back(), 1);
}

TEST_F(ScanTest, AddRomFileReportsRefusedFieldsAndFailures) {
    AddRom("a.gb", "ALPHA");
    list.RefuseAfter(4);
    EXPECT_FALSE(AddRomFile(roms + "a.gb", list, false, sink));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Error at InsertItem(Attributes)"});
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(AddRomFile(roms + "none.gb", list, true, sink));
    EXPECT_EQ(sink.messages.back().first, "Can't open " + roms + "none.gb");
    int row = 7;
    EXPECT_TRUE(SetRowField(list, row, 3, "x", 2, "CRC", sink));  // other modes do nothing
    EXPECT_EQ(row, 7);
}

TEST_F(ScanTest, RescanRebuildsEveryRowAndRewritesTheListFile) {
    AddRom("a.gb", "ALPHA");
    ASSERT_TRUE(RefreshRomLibrary(roms, dir / "zorvexroms.txt", list, ui));
    list.SetField(0, FieldName, "STALE");
    ASSERT_TRUE(RescanRomDirectory(roms, dir / "zorvexroms.txt", list, ui));
    RomListModel back;
    ASSERT_TRUE(ReadRomList(dir / "zorvexroms.txt", back, sink));
    EXPECT_EQ(back.Snapshot(), list.Snapshot());
    EXPECT_EQ(list.Row(0)[FieldName], "ALPHA");
}

// Untitled ROMs are listed by their file name, which also keeps the list
// file whole: an empty or blank Name there would stop the reading.
TEST_F(ScanTest, UntitledRomsAreNamedByTheirFileAndNeverBreakTheListFile) {
    AddRom("z.gb", "");
    AddRom("y.gb", "   ");
    AddRom("c.gb", ";COMMENT");
    AddRom("a.gb", "ALPHA");
    const std::string listPath = dir / "zorvexroms.txt";
    ASSERT_TRUE(RefreshRomLibrary(roms, listPath, list, ui));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Row(2)[FieldName], "y.gb");
    EXPECT_EQ(list.Row(3)[FieldName], "z.gb");

    // The next start: the file reads without a message and keeps every row
    // but the one its comment marker hides; the scan builds only that again.
    RomListModel next;
    ASSERT_TRUE(ReadRomList(listPath, next, sink));
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(sink.Texts());
    ASSERT_EQ(next.Count(), 3);
    RomListModel before = list;
    list = next;
    const int opens = record.opens;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(record.opens, opens + 1);
    EXPECT_EQ(record.ranges.back(), std::make_pair(0, 1));
    EXPECT_EQ(list.Snapshot(), before.Snapshot());
}

// facts.json: a flat array of flat objects.
std::vector<std::map<std::string, std::string>> ReadFacts(const std::string& path) {
    std::ifstream in(path);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string s = buffer.str();
    std::vector<std::map<std::string, std::string>> out;
    for (size_t open = 0; (open = s.find('{', open)) != std::string::npos;) {
        size_t close = s.find('}', open);
        std::map<std::string, std::string> facts;
        for (size_t q = s.find('"', open); q < close; q = s.find('"', q)) {
            size_t keyEnd = s.find('"', q + 1);
            size_t v = s.find_first_not_of(" :", keyEnd + 1);
            size_t vEnd = s[v] == '"' ? s.find('"', v + 1) + 1 : s.find_first_of(",\n}", v);
            std::string value = s.substr(v, vEnd - v);
            if (value.front() == '"') value = value.substr(1, value.size() - 2);
            facts[s.substr(q + 1, keyEnd - q - 1)] = value;
            q = vEnd;
        }
        out.push_back(facts);
        open = close;
    }
    return out;
}

TEST(RealRoms, TheLibraryListsTheFactsOfEveryTestRom) {
    ZORVEX_SKIP_WITHOUT_TEST_ROMS();
    RomListModel list;
    RecordingMessageSink sink;
    test::RecordingProgress progress;
    std::atomic<bool> cancel{false};
    LibraryScanUi ui{sink, progress, cancel, {}};
    ASSERT_TRUE(ScanRomDirectory(test::TestRomDir(), list, ui));
    auto all = ReadFacts(test::TestRomDir() + "/facts.json");
    ASSERT_EQ(static_cast<int>(all.size()), list.Count());
    for (auto& f : all) {
        SCOPED_TRACE(f["file"]);
        const auto rows = list.Snapshot();
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const RomEntry& e) { return e[FieldFileName] == f["file"]; });
        ASSERT_NE(row, rows.end());
        const RomEntry& e = *row;
        std::string title = f["title"];
        if (std::stoi(f["cgb_flag"]) >= 0x80 && title.size() > 15) title.resize(15);
        if (title.find_first_not_of(' ') == std::string::npos) title = f["file"];  // untitled
        EXPECT_EQ(e[FieldName], title);
        EXPECT_EQ(e[FieldCrc], f["crc32"]);
        EXPECT_EQ(e[FieldSize], SizeText(static_cast<uint8_t>(std::stoi(f["used_size_code"])),
                                         static_cast<uint8_t>(std::stoi(f["rom_size_code"]))));
        int flags = (f["sgb_flag"] != "0") | (std::stoi(f["cgb_flag"]) >= 0x80) << 1 |
                    (f["header_checksum_ok"] == "false") << 2 |
                    (f["global_checksum_ok"] == "false") << 3;
        int global = std::stoi(f["global_checksum_stored"]);
        EXPECT_EQ(e[FieldAttributes],
                  f["new_licensee_hex"] +
                      Format("%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x", flags,
                             std::stoi(f["cart_type"]), std::stoi(f["used_size_code"]),
                             std::stoi(f["ram_size_code"]), std::stoi(f["destination"]),
                             std::stoi(f["old_licensee"]), std::stoi(f["version"]),
                             std::stoi(f["header_checksum_stored"]), global >> 8, global & 0xFF));
        EXPECT_EQ(e[FieldScreenshot], BaseNameOf(f["file"]) + ".bmp");
        EXPECT_EQ(e[FieldFileAttributes].substr(16), Format("%016llx", std::stoull(f["size"])));
    }
    // SOURCES.md and facts.json lie beside the ROMs.
    EXPECT_EQ(sink.messages.size(), 2u);
}

}  // namespace
}  // namespace zorvex
