// What zorvex-cli reads from and writes to a card, compared byte for byte with
// the simulated card's own files (flash.bin, sram.bin in its directory).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/support/rom_builder.h"
#include "tests/support/xorshift_bytes.h"

namespace zorvex {
namespace {

using test::CliResult;
using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::XorshiftBytes;

constexpr size_t kBank = 0x4000;
constexpr size_t kSlot = 0x2000;

// "" when equal, else where the first difference lies.
std::string Difference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& expected) {
    if (got.size() != expected.size())
        return "size " + std::to_string(got.size()) + ", expected " +
               std::to_string(expected.size());
    const auto at = std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin();
    if (at == static_cast<long>(got.size())) return "";
    return "first difference at byte " + std::to_string(at) + " (bank " +
           std::to_string(at / kBank) + ")";
}

std::string MakeCard(const TempDir& dir, const std::string& chip, const std::string& mode) {
    std::vector<std::string> args = {"sim-create", dir / "card", "--chip", chip};
    if (mode == "spp") args.push_back("--no-epp");  // a port that answers SPP only
    EXPECT_EQ(RunCli(args, "", dir.path()).exitCode, 0);
    return dir / "card";
}

// Every bank of every chip, the 64M chip's banks above 127 among them.
struct WholeCard {
    const char* chip;
    const char* mode;
    size_t bytes;
};

class WholeCardDump : public ::testing::TestWithParam<WholeCard> {};

TEST_P(WholeCardDump, GivesTheFlashByteForByte) {
    TempDir dir;
    const std::string card = MakeCard(dir, GetParam().chip, GetParam().mode);
    const auto flash = XorshiftBytes(GetParam().bytes, 0x9E3779B9u);
    test::WriteFile(card + "/flash.bin", flash);
    CliResult r = RunCli({"dump", dir / "dump.bin", "--mode", GetParam().mode}, card, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Difference(ReadFile(dir / "dump.bin"), flash), "");
}

INSTANTIATE_TEST_SUITE_P(
    ChipMode, WholeCardDump,
    ::testing::Values(WholeCard{"4M", "spp", 0x80000}, WholeCard{"4M", "epp", 0x80000},
                      WholeCard{"16M", "spp", 0x200000}, WholeCard{"16M", "epp", 0x200000},
                      WholeCard{"64M", "spp", 0x800000}, WholeCard{"64M", "epp", 0x800000}),
    [](const auto& info) { return std::string("Chip") + info.param.chip + "_" + info.param.mode; });

// Reads and writes whose length is no whole flash bank or save slot. A read
// gives [offset, offset + size) of the card's flash or save RAM; a write puts
// a file of `size` bytes there, and the rest of its last slot is zero (the
// program's save image starts zero-filled).
struct Range {
    const char* name;
    std::vector<std::string> args;  // "@name": a file in the test's directory
    size_t offset, size;
};

class PartialTransfer : public ::testing::TestWithParam<Range> {};

TEST_P(PartialTransfer, MovesExactlyTheRange) {
    const Range& range = GetParam();
    TempDir dir;
    const std::string card = MakeCard(dir, "16M", "epp");
    const auto flash = XorshiftBytes(0x200000, 0x2545F491u);
    const auto sram = XorshiftBytes(16 * kSlot, 0x68E31DA4u);
    test::WriteFile(card + "/flash.bin", flash);
    test::WriteFile(card + "/sram.bin", sram);
    const auto file = XorshiftBytes(range.size, 0xB5297A4Du);
    test::WriteFile(dir / "in.sav", file);

    std::vector<std::string> args;
    for (const std::string& arg : range.args)
        args.push_back(arg.rfind('@', 0) == 0 ? dir / arg.substr(1) : arg);
    CliResult r = RunCli(args, card, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;

    if (range.args[0] == "sram-write") {
        auto expected = sram;
        std::copy(file.begin(), file.end(), expected.begin() + range.offset);
        const size_t end = range.offset + range.size;
        std::fill(expected.begin() + end, expected.begin() + (end + kSlot - 1) / kSlot * kSlot, 0);
        EXPECT_EQ(Difference(ReadFile(card + "/sram.bin"), expected), "");
        EXPECT_EQ(ReadFile(card + "/flash.bin"), flash);
        return;
    }
    const auto& source = range.args[0] == "dump" ? flash : sram;
    EXPECT_EQ(Difference(ReadFile(dir / "out.bin"), {source.begin() + range.offset,
                                                     source.begin() + range.offset + range.size}),
              "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PartialTransfer,
    ::testing::Values(
        Range{"DumpOneByteIntoBankOne", {"dump", "@out.bin", "--size", "0x4001"}, 0, 0x4001},
        Range{"DumpSixBanksAndAPart", {"dump", "@out.bin", "--size", "100000"}, 0, 100000},
        Range{"ReadSlotsThreeToFive",
              {"sram-read", "@out.bin", "--slots", "3-5"},
              3 * kSlot,
              3 * kSlot},
        Range{"ReadTheLastSlot", {"sram-read", "@out.bin", "--slots", "15"}, 15 * kSlot, kSlot},
        Range{
            "WriteAQuarterSlotAtFive", {"sram-write", "@in.sav", "--start", "5"}, 5 * kSlot, 2048},
        Range{"WriteFourAndAHalfSlots", {"sram-write", "@in.sav"}, 0, 36 * 1024}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvex
