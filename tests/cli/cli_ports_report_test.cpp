// zorvex-cli ports and detect --report against simulated cards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::CliResult;
using test::RunCli;
using test::TempDir;

std::string Card(const TempDir& dir, const std::string& name,
                 const std::vector<std::string>& options) {
    std::vector<std::string> args = {"sim-create", dir / name};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(RunCli(args, "", dir.path()).exitCode, 0);
    return dir / name;
}

TEST(CliPortsReport, PortsNameTheAccessAndTheReportShowsProbesAndVerdicts) {
    TempDir dir;
    const std::string card =
        Card(dir, "card", {"--chip", "4M", "--ports", "0x378,0x3bc", "--card-port", "2"});
    CliResult r = RunCli({"ports"}, card, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "LPT1 0x0378 simulated\nLPT2 0x03bc simulated\n");

    r = RunCli({"detect", "--report"}, card, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "access: simulated\n"
              "LPT1 0x0378\n"
              "  SPP echo: wrote 12 34, read back ff ff: no answer\n"
              "  EPP echo: wrote 12 34, read back ff ff: no answer\n"
              "  verdict: no card answers\n"
              "LPT2 0x03bc\n"
              "  SPP echo: wrote 12 34, read back 12 34: ok\n"
              "  EPP echo: not tried at 0x3bc\n"
              "  4M id: expected da 46, read da 46\n"
              "  16M id: expected c2 f1, read nothing (not asked)\n"
              "  64M query: not asked\n"
              "  identification: 4M flash\n"
              "  verdict: card answers in SPP\n"
              "result: card found\n");

    // A card with an empty slot: the card answers, no flash does.
    const std::string empty = dir / "empty";
    test::WriteFile(empty + "/card.ini", {});
    {
        const std::string ini = "[card]\nchip=none\n";
        test::WriteFile(empty + "/card.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    }
    r = RunCli({"detect", "--report"}, empty, dir.path());
    EXPECT_NE(r.out.find("identification: no flash chip answered"), std::string::npos) << r.out;
    // Every family was asked, and the report shows what each read back.
    EXPECT_NE(r.out.find("  4M id: expected da 46, read ff\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  16M id: expected c2 f1, read ff\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  64M query: expected 89 15, read ff ff"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("verdict: card answers in EPP, but its flash does not"),
              std::string::npos);
    EXPECT_NE(r.out.find("result: no usable card"), std::string::npos);
}

}  // namespace
}  // namespace zorvex
