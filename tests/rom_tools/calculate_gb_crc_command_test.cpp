#include "rom/tools/calculate_gb_crc_command.h"

#include "tests/rom_tools/tool_fixture.h"

namespace zorvex::test {
namespace {

using CalculateGbCrc = RomToolTest;

TEST_F(CalculateGbCrc, CorrectImageIsCopiedByteForByte) {
    std::string source = Put("right.gb", RomBuilder(0x10000).Title("RIGHT").RomSizeCode(1).Build());
    requester.Answer(source);
    requester.Answer(dir / "copy.gb");
    ASSERT_TRUE(CalculateGbCrcCommand(context));
    EXPECT_EQ(ReadFile(dir / "copy.gb"), ReadFile(source));
    EXPECT_TRUE(sink.messages.empty());
    ExpectRequest(0, FileRequest::Kind::Open, "Select Source File", kRomFilter);
    ExpectRequest(1, FileRequest::Kind::Save, "Select Destination File", kResultFilter);
}

TEST_F(CalculateGbCrc, ZippedImageGetsBothChecksumsAndNothingElseChanges) {
    // Odd length and a wrong size code: both stay.
    auto good = RomBuilder(0x8000 + 1234).RomSizeCode(5).Build();
    auto bad = good;
    bad[0x14D] ^= 0x5A;
    bad[0x14F] ^= 0xF0;
    WriteZipArchive(dir / "z.zip", {{"z.gbc", bad}});
    ASSERT_TRUE(CalculateGbCrcFile(dir / "z.zip", dir / "z.gbc", sink));
    EXPECT_EQ(ReadFile(dir / "z.gbc"), good);
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
}

}  // namespace
}  // namespace zorvex::test
