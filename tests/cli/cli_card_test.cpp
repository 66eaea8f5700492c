#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "rom/rom_image.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::CliProcess;
using test::CliResult;
using test::ReadFile;
using test::RomBuilder;
using test::RunCli;
using test::TempDir;

class CliCard : public ::testing::Test {
  protected:
    // A simulated card directory made by the program itself.
    std::string MakeCard(const std::vector<std::string>& options,
                         const std::string& name = "card") {
        std::string card = dir / name;
        std::vector<std::string> args = {"sim-create", card};
        args.insert(args.end(), options.begin(), options.end());
        CliResult r = RunCli(args, "", dir.path());
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return card;
    }
    CliResult Run(const std::vector<std::string>& args, const std::string& card) {
        return RunCli(args, card, dir.path());
    }
    std::string Save(const std::vector<uint8_t>& image, const std::string& name) {
        std::string path = dir / name;
        test::WriteFile(path, image);
        return path;
    }
    TempDir dir;
};

TEST_F(CliCard, SendThenDumpGivesTheTrimmedImageOnEveryChipAndMode) {
    // 96 KiB of content in a 256 KiB image: 128 KiB go to the card.
    auto image = RomBuilder(0x40000).Fill(0x18000, 0xFF).Set(0x17FFF, 0x00).Build();
    std::string rom = Save(image, "game.gb");
    for (const char* chip : {"4M", "16M", "64M"}) {
        for (const char* mode : {"spp", "epp"}) {
            SCOPED_TRACE(std::string(chip) + " " + mode);
            // SPP runs on ports that do not answer EPP at all.
            std::vector<std::string> options = {"--chip", chip};
            if (std::string(mode) == "spp") options.push_back("--no-epp");
            std::string card = MakeCard(options, std::string("card") + chip + mode);
            CliResult sent = Run({"send", rom, "--verify", "--mode", mode}, card);
            ASSERT_EQ(sent.exitCode, 0) << sent.err;
            // The whole 4M card, and a part of the larger ones to keep this quick.
            std::vector<std::string> dump = {"dump", dir / "dump.bin", "--mode", mode};
            if (std::string(chip) != "4M") dump.insert(dump.end(), {"--size", "0x30000"});
            CliResult dumped = Run(dump, card);
            ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
            auto back = ReadFile(dir / "dump.bin");
            ASSERT_EQ(back.size(), std::string(chip) == "4M" ? 0x80000u : 0x30000u);
            EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x20000, back.begin()));
            EXPECT_TRUE(std::all_of(back.begin() + 0x20000, back.end(),
                                    [](uint8_t b) { return b == 0xFF; }));
        }
    }
}

TEST_F(CliCard, DetectReportsWhereTheCardIsAndWhatItHolds) {
    std::string card =
        MakeCard({"--chip", "64M", "--ports", "0x378,0x278,0x3bc", "--card-port", "3"});
    CliResult r = Run({"detect"}, card);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "LPT3 0x03bc SPP 64M 16\n");

    r = Run({"detect", "--port", "3", "--mode", "epp"}, card);
    EXPECT_EQ(r.out, "LPT3 0x03bc EPP 64M 16\n");

    // Only the named port is tried.
    r = Run({"detect", "--port", "2"}, card);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not detect Ombra Card on Port 2\n");
    r = Run({"detect", "--port", "5"}, card);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not detect Ombra Card on Port 5\n");

    std::string absent = MakeCard({"--chip", "16M", "--card-port", "0"}, "absent");
    r = Run({"detect"}, absent);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not detect Ombra Card on Port 1\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(CliCard, FailuresPrintTheProgramsMessageAndExitOne) {
    std::string card = MakeCard({"--chip", "4M"});
    CliResult r = Run({"send", Save(RomBuilder(0x80001).Build(), "big.gb")}, card);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "filesize error! (80001)\nbig.gb needs 512.0 KiB, but the card on LPT1 holds 512 KiB "
              "(4M chip). Nothing was written.\n");

    std::string missing = dir / "missing.gb";
    r = Run({"send", missing}, card);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Can't open " + missing + "\n");

    // Usage errors are told apart from failures.
    EXPECT_EQ(Run({"send"}, card).exitCode, 2);
    EXPECT_EQ(Run({"detect", "--mode", "fast"}, card).exitCode, 2);
    EXPECT_EQ(Run({"dump", dir / "x.bin", "--size", "lots"}, card).exitCode, 2);
    EXPECT_EQ(RunCli({"sim-create", dir / "bad", "--chip", "32M"}, "", dir.path()).exitCode, 2);
    r = Run({"dump", dir / "x.bin", "--size", "0x80001"}, card);
    EXPECT_EQ(r.exitCode, 1);

    // A simulated card directory that does not exist names the variable.
    r = Run({"detect"}, dir / "nowhere");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("ZORVEX_SIMULATED_CARD"), std::string::npos) << r.err;
}

TEST_F(CliCard, InterruptCancelsTheTransferAtTheNextBank) {
    std::string card = MakeCard({"--chip", "64M"});
    std::string rom = Save(RomBuilder(0x800000).Build(), "large.gb");
    CliProcess send({"send", rom, "--verify", "--mode", "spp"}, card, dir.path());
    for (int i = 0; i < 2000 && !send.CatchesInterrupt(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(send.pid(), SIGINT);
    CliResult r = send.Wait();
    EXPECT_EQ(r.exitCode, 1);
    // Once the card was written to, a second line says what it holds now.
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "Transfer canceled\n");
    if (r.err.size() > std::string("Transfer canceled\n").size()) {
        EXPECT_NE(r.err.find("now holds an incomplete game"), std::string::npos) << r.err;
    }
}

TEST_F(CliCard, ProgressBarOnATerminal) {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);

    std::string card = MakeCard({"--chip", "16M"});
    std::string rom = Save(RomBuilder(0x200000).Build(), "full.gb");
    CliProcess send({"send", rom, "--mode", "spp"}, card, dir.path(), slave);
    ::close(slave);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
    ::close(master);
    CliResult r = send.Wait();
    EXPECT_EQ(r.exitCode, 0) << shown;
    EXPECT_NE(shown.find("[" + std::string(40, '#') + "] 100%"), std::string::npos) << shown;
    EXPECT_EQ(shown.back(), '\n');
}

}  // namespace
}  // namespace zorvex
