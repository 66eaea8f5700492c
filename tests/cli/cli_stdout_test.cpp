// What each zorvex-cli command prints on stdout when it succeeds, exactly:
// scripts read it. A command without a result to print prints nothing.
#include <gtest/gtest.h>
#include <utime.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::CliResult;
using test::RomBuilder;
using test::RunCli;
using test::TempDir;

struct Printed {
    std::vector<std::string> args;  // "@name": a file in the test's directory
    std::string out;
};

// Run in a directory holding a 16M card with a DIZavo pack on it (menu, FIRST
// with one save slot, SECOND with none, THIRD with four), game.gb, a patch,
// a save file, roms/ with one game, and the menu program ./dizavo.gb.
class Stdout : public ::testing::TestWithParam<Printed> {
  protected:
    void SetUp() override {
        ASSERT_EQ(RunCli({"sim-create", card, "--chip", "16M"}, "", dir.path()).exitCode, 0);
        std::vector<uint8_t> pack = RomBuilder().Title("DIZAVO MENU").Build();
        for (auto [title, ram] : {std::pair{"FIRST", 2}, {"SECOND", 0}, {"THIRD", 3}}) {
            const auto member = RomBuilder().Title(title).RamSizeCode(uint8_t(ram)).Build();
            pack.insert(pack.end(), member.begin(), member.end());
        }
        pack.resize(0x200000, 0xFF);
        test::WriteFile(card + "/flash.bin", pack);
        const auto game = RomBuilder().Title("GAME").Build();
        test::WriteFile(dir / "game.gb", game);
        // info prints the file's time: 2001-09-09 01:46:40 UTC.
        const utimbuf time{1000000000, 1000000000};
        ASSERT_EQ(::utime((dir / "game.gb").c_str(), &time), 0);
        test::WriteFile(dir / "roms/game.gb", game);
        const std::string ips("PATCH\0\1\x50\0\1ZEOF", 14);
        test::WriteFile(dir / "p.ips", {ips.begin(), ips.end()});
        test::WriteFile(dir / "save.sav", std::vector<uint8_t>(0x2000, 0x5A));
        ASSERT_EQ(RunCli({"menu-program", dir / "dizavo.gb"}, "", dir.path()).exitCode, 0);
    }
    TempDir dir;
    const std::string card = dir / "card";
};

TEST_P(Stdout, IsExactlyTheResult) {
    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args)
        args.push_back(arg.rfind('@', 0) == 0 ? dir / arg.substr(1) : arg);
    CliResult r = RunCli(args, card, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().out);
}

const std::vector<Printed> kPrinted = {
    {{"cut", "@game.gb", "@cut.gb"}, ""},
    {{"detect"}, "LPT1 0x0378 EPP 16M 16\n"},
    {{"dump", "@dump.bin", "--size", "0x8000"}, ""},
    {{"fixsum", "@game.gb", "@fixed.gb"}, ""},
    {{"info", "@game.gb"},
     "GAME|32kB|game.gb|4e93e454|000000000000000100cc00e4|game.bmp|"
     "44ff800001c138d10000000000008000\n\n"
     "Name : GAME\nLicensee : Nintendo            \nGameBoy\nRom only\n"
     "RomSize : 32kB / CRC : 0x00e4\nJapanese\n"},
    {{"ips", "@game.gb", "@p.ips", "@patched.gb"}, ""},
    {{"library"}, "RomList (1 Rom)\n"},
    {{"menu-program", "@menu.gb"}, ""},
    {{"pack", "@pack.gb", "@game.gb", "@game.gb"},
     "DIZavo (2 Roms / 96 kB / 0 Banks) (512 kB Card needed)\n"},
    {{"ports"}, "LPT1 0x0378 simulated\n"},
    {{"scan-card"}, "Slot 00 FIRST\nSlot 01 THIRD\nSlot 02 THIRD\nSlot 03 THIRD\nSlot 04 THIRD\n"},
    {{"send", "@game.gb"}, ""},
    {{"sim-create", "@other", "--chip", "4M"}, ""},
    {{"sram-read", "@save.bin", "--slots", "0-1"}, ""},
    {{"sram-write", "@save.sav"}, ""},
};

INSTANTIATE_TEST_SUITE_P(EveryCommand, Stdout, ::testing::ValuesIn(kPrinted), [](const auto& info) {
    std::string name = info.param.args[0];
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
});

TEST(StdoutTable, HasARowForEveryCommand) {
    TempDir dir;
    const std::string help = RunCli({"help"}, "", dir.path()).out;
    std::istringstream lines(help.substr(help.find("commands:\n") + 10));
    std::set<std::string> listed, pinned;
    for (std::string line; std::getline(lines, line);)
        listed.insert(line.substr(2, line.find(' ', 2) - 2));
    for (const Printed& row : kPrinted) pinned.insert(row.args[0]);
    EXPECT_EQ(pinned, listed);
}

}  // namespace
}  // namespace zorvex
