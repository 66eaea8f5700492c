#include "rom/tools/cut_rom_command.h"

#include "tests/rom_tools/tool_fixture.h"

namespace zorvex::test {
namespace {

using CutRom = RomToolTest;

TEST_F(CutRom, ZippedSourceGivesThePlainImage) {
    auto image = RomBuilder(40 * 1024).Build();
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    WriteZipArchive(dir / "in/game.zip", {{"readme.txt", {'h', 'i'}}, {"game.gb", image}});
    requester.Answer(dir / "in/game.zip");
    requester.Answer(dir / "out/game.gb");
    ASSERT_TRUE(CutRomCommand(context));

    ExpectRequest(0, FileRequest::Kind::Open, "Select Source File", kRomFilter);
    ExpectRequest(1, FileRequest::Kind::Save, "Select Destination File", kResultFilter);
    EXPECT_EQ(requester.asked[0].directory, "/where/the/user/was");
    EXPECT_EQ(requester.asked[1].directory, dir / "in");
    EXPECT_EQ(dirs.requester, dir / "out");
    EXPECT_EQ(dirs.working, "/the/working/dir");

    // 40 KiB of content: 64 KiB, padded with zeros.
    auto cut = ReadFile(dir / "out/game.gb");
    ASSERT_EQ(cut.size(), 64u * 1024);
    EXPECT_EQ(cut[0x148], 1);
    ExpectValidChecksums(cut);
    EXPECT_TRUE(std::equal(cut.begin() + 0x150, cut.begin() + 40 * 1024, image.begin() + 0x150));
    EXPECT_TRUE(std::all_of(cut.begin() + 40 * 1024, cut.end(), [](uint8_t b) { return !b; }));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CutRom, TrailingFillIsCutAway) {
    const size_t mib = 1 << 20;
    auto image = RomBuilder(mib).Fill(mib - 600 * 1024, 0xFF).Build();
    ASSERT_TRUE(CutRomFile(Put("big.gb", image), dir / "cut.gb", sink));
    auto cut = ReadFile(dir / "cut.gb");
    ASSERT_EQ(cut.size(), 512u * 1024);
    EXPECT_EQ(cut[0x148], 4);
    ExpectValidChecksums(cut);
    EXPECT_TRUE(std::equal(cut.begin() + 0x150, cut.end(), image.begin() + 0x150));
}

TEST_F(CutRom, FailuresNeverDestroyTheSource) {
    // Too small: an empty result file, but never in place of the source.
    std::vector<uint8_t> tiny(0x14F, 0x33);
    std::string tinyPath = Put("tiny.gb", tiny);
    EXPECT_FALSE(CutRomFile(tinyPath, dir / "empty.gb", sink));
    EXPECT_EQ(sink.Texts(),
              std::vector<std::string>{"File " + dir / "empty.gb" + " to small (335)"});
    ASSERT_TRUE(Exists(dir / "empty.gb"));
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.gb"), 0u);
    EXPECT_FALSE(CutRomFile(tinyPath, tinyPath, sink));
    EXPECT_EQ(ReadFile(tinyPath), tiny);

    // A write or commit failing over the source leaves it as it was.
    auto image = RomBuilder(64 * 1024).Fill(20 * 1024, 0x00).Build();
    std::string source = Put("same.gb", image);
    sink.messages.clear();
    FileFaults::FailWritesAfter(1000);
    EXPECT_FALSE(CutRomFile(source, source, sink));
    EXPECT_EQ(sink.Texts().back(), "Error Writing File " + source);
    FileFaults::Reset();
    FileFaults::FailCommit(true);
    EXPECT_FALSE(CutRomFile(source, source, sink));
    FileFaults::Reset();
    EXPECT_EQ(ReadFile(source), image);

    ASSERT_TRUE(CutRomFile(source, source, sink));
    EXPECT_EQ(ReadFile(source).size(), 32u * 1024);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
        << "a temporary file was left behind";

    sink.messages.clear();
    EXPECT_FALSE(CutRomFile(source, dir / "no/dir/out.gb", sink));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Can't create " + dir / "no/dir/out.gb"});
}

}  // namespace
}  // namespace zorvex::test
