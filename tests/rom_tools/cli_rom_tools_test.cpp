// The zorvex-cli forms of the ROM tools, run as the user would run them.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/rom_tools/tool_fixture.h"

namespace zorvex::test {
namespace {

using CliRomTools = RomToolTest;

TEST_F(CliRomTools, ResultsOrMessagesOnStderrWithExitCodes) {
    const std::string cli = std::string(ZORVEX_BIN_DIR) + "/zorvex-cli";
    if (!Exists(cli)) GTEST_SKIP() << cli << " is not built";
    std::string err;
    auto run = [&](const std::vector<std::string>& args) {
        std::string command = "'" + cli + "'";
        for (const auto& a : args) command += " '" + a + "'";
        int status = std::system((command + " 2>'" + dir / "err.txt" + "'").c_str());
        std::stringstream text;
        text << std::ifstream(dir / "err.txt").rdbuf();
        err = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto image = RomBuilder(40 * 1024).Build();
    std::string source = Put("game.gb", image);
    EXPECT_EQ(run({"cut", source, dir / "cut.gb"}), 0) << err;
    EXPECT_EQ(ReadFile(dir / "cut.gb").size(), 64u * 1024);
    auto stale = image;
    stale[0x14D] ^= 0xFF;
    EXPECT_EQ(run({"fixsum", Put("stale.gb", stale), dir / "fixed.gb"}), 0) << err;
    EXPECT_EQ(ReadFile(dir / "fixed.gb"), image);
    std::string patch("PATCH\0\1\x50\0\1ZEOF", 14);
    EXPECT_EQ(run({"ips", source, Put("p.ips", {patch.begin(), patch.end()}), dir / "p.gb"}), 0);
    EXPECT_EQ(ReadFile(dir / "p.gb").at(0x150), 'Z');

    std::string tiny = Put("tiny.gb", std::vector<uint8_t>(0x100, 0));
    EXPECT_EQ(run({"fixsum", tiny, dir / "out.gb"}), 1);
    EXPECT_EQ(err, "File " + tiny + " to small (256)\n");
    EXPECT_EQ(run({"ips", source, tiny, dir / "out.gb"}), 1);
    EXPECT_EQ(err, tiny + " is no IPS File\n");
    EXPECT_FALSE(Exists(dir / "out.gb"));
    EXPECT_EQ(run({"cut", source}), 2);
}

}  // namespace
}  // namespace zorvex::test
