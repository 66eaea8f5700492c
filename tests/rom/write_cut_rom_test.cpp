#include <gtest/gtest.h>

#include "common/file_io.h"
#include "rom/write_cut_rom.h"
#include "tests/support/recording_ui.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RecordingMessageSink;
using test::RomBuilder;
using test::TempDir;

class WriteCutRomTest : public ::testing::Test {
  protected:
    void TearDown() override { FileFaults::Reset(); }

    // Fits `image` into a fresh file and returns what the file holds.
    std::vector<uint8_t> Fit(std::vector<uint8_t> image, bool expectOk = true) {
        std::string path = dir_ / "out.gb";
        auto file = OutputFile::Create(path);
        EXPECT_TRUE(file);
        bool ok = WriteCutRom(image.data(), static_cast<int32_t>(image.size()), *file, path, sink_);
        EXPECT_EQ(ok, expectOk);
        if (!ok) return {};
        EXPECT_TRUE(file->Commit());
        return test::ReadFile(path);
    }

    // The header of a fitted member is consistent with the member itself.
    static void ExpectValidHeader(const std::vector<uint8_t>& out) {
        ASSERT_GE(out.size(), 0x8000u);
        EXPECT_EQ(out.size(), size_t{0x8000} << out[0x148]);
        EXPECT_EQ(out[0x14D], RomBuilder::HeaderChecksumOf(out));
        uint16_t sum = RomBuilder::GlobalChecksumOf(out);
        EXPECT_EQ(out[0x14E], sum >> 8);
        EXPECT_EQ(out[0x14F], sum & 0xFF);
    }

    // Equal everywhere except the size code and the three checksum bytes.
    static void ExpectSameContent(const std::vector<uint8_t>& out, const std::vector<uint8_t>& in,
                                  size_t length) {
        for (size_t i = 0; i < length; ++i) {
            if (i == 0x148 || (i >= 0x14D && i <= 0x14F)) continue;
            ASSERT_EQ(out[i], in[i]) << "offset " << i;
        }
    }

    TempDir dir_;
    RecordingMessageSink sink_;
};

TEST_F(WriteCutRomTest, ShortContentIsPaddedWithZerosToItsPowerOfTwo) {
    for (size_t length : {size_t{40} << 10, size_t{20} << 10, size_t{0x150}}) {
        // The stale size code must be replaced, whatever it claimed.
        std::vector<uint8_t> in = RomBuilder(length).RomSizeCode(5).Build();
        std::vector<uint8_t> out = Fit(in);
        SCOPED_TRACE(length);
        // The checks below index the output; a short one must not crash the program.
        ASSERT_EQ(out.size(), length > 0x8000 ? 0x10000u : 0x8000u);
        EXPECT_EQ(out[0x148], length > 0x8000 ? 1 : 0);
        ExpectValidHeader(out);
        ExpectSameContent(out, in, length);
        for (size_t i = length; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    }
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(WriteCutRomTest, TrailingRunOfOneValueIsCutOff) {
    std::vector<uint8_t> in = RomBuilder(1 << 20).Build();
    uint8_t fill = in[(512 << 10) - 1] == 0xFF ? 0xFE : 0xFF;
    for (size_t i = 512 << 10; i < in.size(); ++i) in[i] = fill;
    std::vector<uint8_t> out = Fit(in);
    ASSERT_EQ(out.size(), 512u << 10);
    EXPECT_EQ(out[0x148], 4);
    ExpectValidHeader(out);
    ExpectSameContent(out, in, out.size());
}

TEST_F(WriteCutRomTest, TheChecksumCoversTheCutMemberOnly) {
    // 20 KiB of content and 28 KiB of 0xFF: cut to 32 KiB, the sum must not
    // count the 16 KiB dropped (16 KiB of 0xFF is no multiple of 65536).
    std::vector<uint8_t> in = RomBuilder(20 << 10).Build();
    in.back() = 0x00;
    in.resize(48 << 10, 0xFF);
    std::vector<uint8_t> out = Fit(in);
    ASSERT_EQ(out.size(), 0x8000u);
    EXPECT_EQ(out[0x148], 0);
    ExpectValidHeader(out);
    ExpectSameContent(out, in, out.size());
}

TEST_F(WriteCutRomTest, FullSizeImageKeepsItsLength) {
    std::vector<uint8_t> in = RomBuilder(0x10000).RomSizeCode(0).Build();
    std::vector<uint8_t> out = Fit(in);
    EXPECT_EQ(out.size(), 0x10000u);
    ExpectValidHeader(out);
}

TEST_F(WriteCutRomTest, TooShortForAHeaderIsRefused) {
    std::vector<uint8_t> in = RomBuilder(0x14F).Build();
    std::string path = dir_ / "out.gb";
    auto file = OutputFile::Create(path);
    ASSERT_TRUE(file);
    EXPECT_FALSE(WriteCutRom(in.data(), 0x14F, *file, path, sink_));
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].first, "File " + path + " to small (335)");
    EXPECT_EQ(sink_.messages[0].second, "Error");
    EXPECT_EQ(file->bytesWritten(), 0u);
}

TEST_F(WriteCutRomTest, WriteFailureInThePaddingDiscardsTheFile) {
    test::WriteFile(dir_ / "out.gb", {1, 2, 3});
    std::vector<uint8_t> in = RomBuilder(20 << 10).Build();
    FileFaults::FailWritesAfter((20 << 10) + 1024);
    Fit(in, false);
    EXPECT_EQ(sink_.Texts().back(), "Error Writing File " + dir_ / "out.gb");
    EXPECT_EQ(test::ReadFile(dir_ / "out.gb"), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace zorvex
