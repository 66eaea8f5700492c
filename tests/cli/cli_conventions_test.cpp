// The command-line conventions every zorvex-cli command follows: --help,
// usage errors with status 2, failures on stderr ending in a newline, and
// progress only on a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::CliProcess;
using test::CliResult;
using test::RunCli;
using test::TempDir;

const std::vector<std::string> kCommands = {
    "cut",  "detect", "dump",      "fixsum", "info",       "ips",       "library",   "menu-program",
    "pack", "ports",  "scan-card", "send",   "sim-create", "sram-read", "sram-write"};

class CommandLine : public ::testing::TestWithParam<std::string> {
  protected:
    CliResult Run(const std::vector<std::string>& args) { return RunCli(args, "", dir.path()); }
    TempDir dir;
};

TEST_P(CommandLine, HelpExitsZeroAndAWrongOptionIsAUsageError) {
    for (const char* help : {"--help", "-h"}) {
        CliResult r = Run({GetParam(), help});
        EXPECT_EQ(r.exitCode, 0) << help << r.err;
        EXPECT_NE(r.out.find("Usage: zorvex-cli " + GetParam()), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
    CliResult r = Run({GetParam(), "--no-such-option"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("zorvex-cli " + GetParam() + ": ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CommandLine, ::testing::ValuesIn(kCommands),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(CommandList, HelpNamesEveryCommandWithItsDescriptionInOneColumn) {
    TempDir dir;
    CliResult r = RunCli({"help"}, "", dir.path());
    EXPECT_EQ(r.exitCode, 0);
    std::istringstream lines(r.out.substr(r.out.find("commands:\n") + 10));
    std::set<std::string> names;
    std::set<size_t> columns;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex("  ([a-z-]+)([^ ]| [^ ])*  +(\\w.*)")))
            << line;
        names.insert(m[1]);
        columns.insert(static_cast<size_t>(m.position(3)));
    }
    EXPECT_EQ(names, std::set<std::string>(kCommands.begin(), kCommands.end()));
    EXPECT_EQ(columns.size(), 1u);
    EXPECT_EQ(RunCli({"--help"}, "", dir.path()).out, r.out);

    EXPECT_TRUE(std::regex_match(RunCli({"--version"}, "", dir.path()).out,
                                 std::regex("zorvex-cli [0-9]+\\.[0-9]+[0-9.]*\n")));
    for (auto args : {std::vector<std::string>{}, {"flash"}, {"help", "flash"}}) {
        r = RunCli(args, "", dir.path());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.back(), '\n');
    }
}

// Failures: status 1, one line on stderr that ends in a newline, nothing on
// stdout that a script would take for a result.
class Failure : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(Failure, GoesToStderrEndingInANewline) {
    TempDir dir;
    ASSERT_EQ(RunCli({"sim-create", dir / "card", "--chip", "4M"}, "", dir.path()).exitCode, 0);
    test::WriteFile(dir / "tiny.gb", std::vector<uint8_t>(0x100, 0));
    std::vector<std::string> args;
    for (const std::string& arg : GetParam())
        args.push_back(arg.rfind("@", 0) == 0 ? dir / arg.substr(1) : arg);
    CliResult r = RunCli(args, dir / "card", dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
}

// "@name" is a file in the test's directory; none of the missing ones exist.
INSTANTIATE_TEST_SUITE_P(
    Commands, Failure,
    ::testing::Values(std::vector<std::string>{"info", "@missing.gb"},
                      std::vector<std::string>{"cut", "@missing.gb", "@out.gb"},
                      std::vector<std::string>{"fixsum", "@tiny.gb", "@out.gb"},
                      std::vector<std::string>{"ips", "@tiny.gb", "@tiny.gb", "@out.gb"},
                      std::vector<std::string>{"pack", "@out.gb", "@missing.gb"},
                      std::vector<std::string>{"send", "@missing.gb"},
                      std::vector<std::string>{"send", "@tiny.gb", "--port", "2"},
                      std::vector<std::string>{"dump", "@no/dir/out.bin", "--size", "0x4000"},
                      std::vector<std::string>{"sram-read", "@no/dir/out.sav"},
                      std::vector<std::string>{"sram-write", "@missing.sav"},
                      std::vector<std::string>{"menu-program", "@no/dir/dizavo.gb"}));

// The transfer commands: on a terminal the phase, KiB and a summary at the
// end; piped, nothing on stderr.
struct Transfer {
    std::vector<std::string> args;
    std::string phase, summary;
};

class TransferProgress : public ::testing::TestWithParam<Transfer> {
  protected:
    void SetUp() override {
        ASSERT_EQ(RunCli({"sim-create", card, "--chip", "16M"}, "", dir.path()).exitCode, 0);
        test::WriteFile(dir / "game.gb", test::RomBuilder(0x40000).Build());
        test::WriteFile(dir / "save.sav", std::vector<uint8_t>(0x20000, 0x5A));
    }
    std::vector<std::string> Args() const {
        std::vector<std::string> args;
        for (const std::string& arg : GetParam().args)
            args.push_back(arg.rfind("@", 0) == 0 ? dir / arg.substr(1) : arg);
        return args;
    }
    TempDir dir;
    std::string card = dir / "card";
};

TEST_P(TransferProgress, OnATerminalOnly) {
    CliResult piped = RunCli(Args(), card, dir.path());
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.err, "");

    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    CliProcess process(Args(), card, dir.path(), slave);
    ::close(slave);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
    ::close(master);
    EXPECT_EQ(process.Wait().exitCode, 0) << shown;
    EXPECT_NE(shown.find("\r" + GetParam().phase + " "), std::string::npos) << shown;
    EXPECT_NE(shown.find("] 100% "), std::string::npos) << shown;
    EXPECT_TRUE(std::regex_search(
        shown, std::regex("\n" + GetParam().summary + " in [0-9.]+ s(, [0-9.]+ KiB/s)?\r?\n$")))
        << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TransferProgress,
    ::testing::Values(
        Transfer{{"send", "@game.gb", "--verify"}, "verify", "256 KiB written and verified"},
        Transfer{{"dump", "@dump.bin", "--size", "0x10000"}, "read", "64 KiB read"},
        Transfer{{"sram-read", "@all.sav"}, "read", "128 KiB read"},
        Transfer{{"sram-read", "@part.sav", "--slots", "2-4"}, "read", "24 KiB read"},
        Transfer{{"sram-write", "@save.sav"}, "write", "128 KiB written"}),
    [](const auto& info) {
        std::string name = info.param.args[0] + std::to_string(info.index);
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

}  // namespace
}  // namespace zorvex
