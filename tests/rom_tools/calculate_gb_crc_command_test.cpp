#include "rom/tools/calculate_gb_crc_command.h"

#include "tests/rom_tools/tool_fixture.h"
#include "tests/rom_tools/zip_fixture.h"

namespace zorvex::test {
namespace {

using CalculateGbCrc = RomToolTest;

TEST_F(CalculateGbCrc, CorrectImageIsCopiedByteForByte) {
    // A real homebrew image whose checksums are known to be right.
    std::string source = TestRomDir() + "/2048.gb";
    requester.Answer(source);
    requester.Answer(dir / "copy.gb");
    ASSERT_TRUE(CalculateGbCrcCommand(context));
    EXPECT_EQ(ReadFile(dir / "copy.gb"), ReadFile(source));
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(requester.asked.size(), 2u);
    EXPECT_EQ(requester.asked[0].title, "Select Source File");
    EXPECT_EQ(requester.asked[0].filter,
              "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||");
    EXPECT_TRUE(requester.asked[0].mustExist);
    EXPECT_EQ(requester.asked[1].title, "Select Destination File");
    EXPECT_EQ(requester.asked[1].kind, FileRequest::Kind::Save);
    EXPECT_EQ(requester.asked[1].filter,
              "Gameboy Roms (*.gb;*.gbc)|*.gb;*.gbc|All Files (*.*)|*.*||");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(starts, 1);
}

TEST_F(CalculateGbCrc, WrongChecksumsAreFixedAndNothingElseChanges) {
    // An odd length with a wrong size code: both stay as they are.
    auto good = RomBuilder(0x8000 + 1234).RomSizeCode(5).Build();
    auto bad = good;
    bad[0x14D] ^= 0x5A;
    bad[0x14E] ^= 0x01;
    bad[0x14F] ^= 0xF0;
    std::string source = Put("bad.gb", bad);
    ASSERT_TRUE(CalculateGbCrcFile(source, source, sink));
    EXPECT_EQ(ReadFile(source), good);
}

TEST_F(CalculateGbCrc, ImageWithoutLogoStillGetsItsChecksums) {
    auto stale = RomBuilder(0x8000).NoLogo().KeepChecksums().Build();
    ASSERT_TRUE(CalculateGbCrcFile(Put("nologo.gb", stale), dir / "out.gb", sink));
    auto out = ReadFile(dir / "out.gb");
    ASSERT_EQ(out.size(), stale.size());
    // The header sum runs over the logo area too, so it is whatever the
    // header algorithm gives for these bytes; the global sum must match it.
    EXPECT_EQ(out[0x14D], HeaderChecksum(stale.data()));
    uint16_t sum = RomBuilder::GlobalChecksumOf(out);
    EXPECT_EQ(out[0x14E], sum >> 8);
    EXPECT_EQ(out[0x14F], sum & 0xFF);
    out[0x14D] = out[0x14E] = out[0x14F] = 0;
    EXPECT_EQ(out, stale);
}

TEST_F(CalculateGbCrc, TooSmallImageIsRefusedBeforeTheResultIsAskedFor) {
    std::string source = Put("tiny.gb", std::vector<uint8_t>(0x14F, 1));
    requester.Answer(source);
    requester.Answer(dir / "never.gb");
    EXPECT_FALSE(CalculateGbCrcCommand(context));
    EXPECT_EQ(requester.asked.size(), 1u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "File " + source + " to small (335)");
    EXPECT_EQ(sink.messages[0].second, "Error");
    EXPECT_FALSE(Exists(dir / "never.gb"));
    EXPECT_EQ(starts, 1);
}

TEST_F(CalculateGbCrc, FailedWriteOverTheSourceKeepsTheSource) {
    auto image = RomBuilder(0x8000).KeepChecksums().Build();
    std::string source = Put("keep.gb", image);
    FileFaults::FailWritesAfter(0);
    EXPECT_FALSE(CalculateGbCrcFile(source, source, sink));
    EXPECT_EQ(ReadFile(source), image);
    EXPECT_EQ(sink.Texts().back(), "Error Writing File " + source);
}

TEST_F(CalculateGbCrc, SourceInsideAZipArchiveGivesThePlainImage) {
    auto image = RomBuilder(0x8000).Build();
    auto stale = image;
    stale[0x14D] = 0x00;
    WriteZipArchive(dir / "z.zip", {{"z.gbc", stale}});
    ASSERT_TRUE(CalculateGbCrcFile(dir / "z.zip", dir / "z.gbc", sink));
    EXPECT_EQ(ReadFile(dir / "z.gbc"), image);
}

}  // namespace
}  // namespace zorvex::test
