// The command-line conventions every zorvex-cli command follows: --help,
// usage errors with status 2, failures on stderr ending in a newline, and
// progress only on a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
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

// Digits and dots only, starting with a digit; a version also needs a dot
// after its first digits.
bool IsNumber(const std::string& text, bool version) {
    if (text.empty() || !std::isdigit(uint8_t(text[0]))) return false;
    if (text.find_first_not_of("0123456789.") != std::string::npos) return false;
    return !version || (text.find('.') != std::string::npos && text.back() != '.');
}

TEST(CommandList, HelpNamesEveryCommandWithItsDescriptionInOneColumn) {
    TempDir dir;
    CliResult r = RunCli({"help"}, "", dir.path());
    EXPECT_EQ(r.exitCode, 0);
    std::istringstream lines(r.out.substr(r.out.find("commands:\n") + 10));
    std::set<std::string> names;
    std::set<size_t> columns;
    for (std::string line; std::getline(lines, line);) {
        // "  name args  description": the first double blank ends the usage.
        ASSERT_EQ(line.rfind("  ", 0), 0u) << line;
        const size_t nameEnd = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", 2);
        ASSERT_GT(nameEnd, 2u) << line;
        const size_t gap = line.find("  ", 2);
        ASSERT_NE(gap, std::string::npos) << line;
        const size_t description = line.find_first_not_of(' ', gap);
        ASSERT_TRUE(description != std::string::npos && std::isalnum(uint8_t(line[description])))
            << line;
        names.insert(line.substr(2, nameEnd - 2));
        columns.insert(description);
    }
    EXPECT_EQ(names, std::set<std::string>(kCommands.begin(), kCommands.end()));
    EXPECT_EQ(columns.size(), 1u);
    EXPECT_EQ(RunCli({"--help"}, "", dir.path()).out, r.out);

    const std::string version = RunCli({"--version"}, "", dir.path()).out;
    EXPECT_EQ(version.rfind("zorvex-cli ", 0), 0u) << version;
    EXPECT_TRUE(IsNumber(version.substr(11, version.size() - 12), true) && version.back() == '\n')
        << version;
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
                      std::vector<std::string>{"menu-program", "@no/dir/dizavo.gb"}),
    [](const auto& info) {
        // The arguments' letters and digits, one word each: send_tinygb_port_2.
        std::string name;
        for (const std::string& arg : info.param) {
            if (!name.empty()) name += '_';
            for (char c : arg)
                if (std::isalnum(static_cast<unsigned char>(c))) name += c;
        }
        return name;
    });

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
    // The last line: "SUMMARY in N s" with ", N KiB/s" when there was time to measure.
    const std::string head = "\n" + GetParam().summary + " in ";
    const size_t at = shown.rfind(head);
    ASSERT_NE(at, std::string::npos) << shown;
    std::string tail = shown.substr(at + head.size());
    ASSERT_TRUE(!tail.empty() && tail.back() == '\n') << shown;
    tail.pop_back();
    if (!tail.empty() && tail.back() == '\r') tail.pop_back();
    const size_t seconds = tail.find(" s");
    ASSERT_NE(seconds, std::string::npos) << shown;
    EXPECT_TRUE(IsNumber(tail.substr(0, seconds), false)) << shown;
    const std::string speed = tail.substr(seconds + 2);
    if (!speed.empty()) {
        EXPECT_TRUE(speed.rfind(", ", 0) == 0 && speed.size() > 8 &&
                    speed.substr(speed.size() - 6) == " KiB/s" &&
                    IsNumber(speed.substr(2, speed.size() - 8), false))
            << shown;
    }
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
