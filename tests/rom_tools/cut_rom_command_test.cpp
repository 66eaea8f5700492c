#include "rom/tools/cut_rom_command.h"

#include "tests/rom_tools/tool_fixture.h"
#include "tests/rom_tools/zip_fixture.h"

namespace zorvex::test {
namespace {

using CutRom = RomToolTest;

void ExpectValidChecksums(const std::vector<uint8_t>& image) {
    ASSERT_GE(image.size(), 0x150u);
    EXPECT_EQ(image[0x14D], RomBuilder::HeaderChecksumOf(image));
    uint16_t sum = RomBuilder::GlobalChecksumOf(image);
    EXPECT_EQ(image[0x14E], sum >> 8);
    EXPECT_EQ(image[0x14F], sum & 0xFF);
}

TEST_F(CutRom, AsksForSourceAndResultWithTheTimerStopped) {
    std::string source = Put("in/game.gb", RomBuilder(0x8000).Build());
    requester.beforeAnswer = [this](size_t) { EXPECT_EQ(stops, 1) << "timer still running"; };
    requester.Answer(source);
    requester.Answer(dir / "out/result.gb");
    std::filesystem::create_directories(dir / "out");
    EXPECT_TRUE(CutRomCommand(context));

    ASSERT_EQ(requester.asked.size(), 2u);
    const FileRequest& src = requester.asked[0];
    EXPECT_EQ(src.kind, FileRequest::Kind::Open);
    EXPECT_EQ(src.title, "Select Source File");
    EXPECT_EQ(src.filter, "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||");
    EXPECT_TRUE(src.mustExist);
    EXPECT_EQ(src.directory, "/where/the/user/was");
    const FileRequest& dst = requester.asked[1];
    EXPECT_EQ(dst.kind, FileRequest::Kind::Save);
    EXPECT_EQ(dst.title, "Select Destination File");
    EXPECT_EQ(dst.filter, "Gameboy Roms (*.gb;*.gbc)|*.gb;*.gbc|All Files (*.*)|*.*||");
    EXPECT_EQ(dst.directory, dir / "in");
    EXPECT_EQ(dirs.requester, dir / "out");
    EXPECT_EQ(dirs.working, "/the/working/dir");
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CutRom, CancelAtEitherRequesterWritesNothingAndRestartsTheTimer) {
    std::string source = Put("game.gb", RomBuilder(0x8000).Build());
    requester.Cancel();
    EXPECT_FALSE(CutRomCommand(context));
    requester.Answer(source);
    requester.Cancel();
    EXPECT_FALSE(CutRomCommand(context));
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(requester.asked.size(), 3u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CutRom, TrailingFillIsCutToTheUsedSize) {
    const size_t mib = 1 << 20;
    auto image = RomBuilder(mib).Fill(mib - 600 * 1024, 0xFF).Build();
    std::string source = Put("big.gb", image);
    ASSERT_TRUE(CutRomFile(source, dir / "cut.gb", sink));
    auto cut = ReadFile(dir / "cut.gb");
    ASSERT_EQ(cut.size(), 512u * 1024);
    EXPECT_EQ(cut[0x148], 4);
    ExpectValidChecksums(cut);
    EXPECT_TRUE(std::equal(cut.begin() + 0x150, cut.end(), image.begin() + 0x150));
    EXPECT_EQ(ReadFile(source), image);
}

TEST_F(CutRom, ShortImagesArePaddedWithZeros) {
    auto image = RomBuilder(40 * 1024).Build();
    ASSERT_TRUE(CutRomFile(Put("short.gb", image), dir / "padded.gb", sink));
    auto padded = ReadFile(dir / "padded.gb");
    ASSERT_EQ(padded.size(), 64u * 1024);
    EXPECT_EQ(padded[0x148], 1);
    ExpectValidChecksums(padded);
    EXPECT_TRUE(
        std::equal(padded.begin() + 0x150, padded.begin() + 40 * 1024, image.begin() + 0x150));
    EXPECT_TRUE(
        std::all_of(padded.begin() + 40 * 1024, padded.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(CutRom, TooSmallImageLeavesAnEmptyResultButNeverEmptiesTheSource) {
    std::vector<uint8_t> tiny(0x14F, 0x33);
    std::string source = Put("tiny.gb", tiny);
    std::string result = dir / "tiny-cut.gb";
    EXPECT_FALSE(CutRomFile(source, result, sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "File " + result + " to small (335)");
    EXPECT_EQ(sink.messages[0].second, "Error");
    ASSERT_TRUE(Exists(result));
    EXPECT_EQ(std::filesystem::file_size(result), 0u);

    EXPECT_FALSE(CutRomFile(source, source, sink));
    EXPECT_EQ(ReadFile(source), tiny);
}

TEST_F(CutRom, ResultMayBeTheSourceAndAFailedWriteKeepsIt) {
    auto image = RomBuilder(64 * 1024).Fill(20 * 1024, 0x00).Build();
    std::string source = Put("same.gb", image);

    FileFaults::FailWritesAfter(1000);
    EXPECT_FALSE(CutRomFile(source, source, sink));
    EXPECT_EQ(ReadFile(source), image);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].first, "Error Writing File " + source);
    FileFaults::Reset();

    FileFaults::FailCommit(true);
    EXPECT_FALSE(CutRomFile(source, source, sink));
    EXPECT_EQ(ReadFile(source), image);
    FileFaults::Reset();

    ASSERT_TRUE(CutRomFile(source, source, sink));
    auto cut = ReadFile(source);
    EXPECT_EQ(cut.size(), 32u * 1024);
    EXPECT_EQ(cut[0x148], 0);
    ExpectValidChecksums(cut);
    auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                 std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST_F(CutRom, UncreatableResultAndUnloadableSourceAreReported) {
    std::string source = Put("game.gb", RomBuilder(0x8000).Build());
    std::string result = dir / "no/such/dir/out.gb";
    EXPECT_FALSE(CutRomFile(source, result, sink));
    ASSERT_EQ(sink.Texts(), std::vector<std::string>{"Can't create " + result});

    sink.messages.clear();
    EXPECT_FALSE(CutRomFile(dir / "missing.gb", dir / "out.gb", sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].second, "Error");
    EXPECT_FALSE(Exists(dir / "out.gb"));
}

TEST_F(CutRom, SourceInsideAZipArchiveGivesThePlainImage) {
    auto image = RomBuilder(40 * 1024).Build();
    WriteZipArchive(dir / "game.zip", {{"readme.txt", {'h', 'i'}}, {"game.gb", image}});
    requester.Answer(dir / "game.zip");
    requester.Answer(dir / "game.gb");
    ASSERT_TRUE(CutRomCommand(context));
    auto cut = ReadFile(dir / "game.gb");
    ASSERT_EQ(cut.size(), 64u * 1024);
    EXPECT_TRUE(std::equal(cut.begin() + 0x150, cut.begin() + 40 * 1024, image.begin() + 0x150));
}

}  // namespace
}  // namespace zorvex::test
