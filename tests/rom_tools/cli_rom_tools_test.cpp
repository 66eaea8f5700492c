// The zorvex-cli forms of the ROM tools, run as the user would run them.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/rom_tools/tool_fixture.h"

namespace zorvex::test {
namespace {

class CliRomTools : public RomToolTest {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(cli)) GTEST_SKIP() << cli << " is not built";
    }
    // Runs zorvex-cli with the arguments; returns its exit code, stderr in err.
    int Run(const std::vector<std::string>& args) {
        std::string command = "'" + cli + "'";
        for (const auto& a : args) command += " '" + a + "'";
        command += " 2>'" + dir / "stderr.txt" + "'";
        int status = std::system(command.c_str());
        std::ifstream in(dir / "stderr.txt");
        std::stringstream text;
        text << in.rdbuf();
        err = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string cli = std::string(ZORVEX_BIN_DIR) + "/zorvex-cli";
    std::string err;
};

TEST_F(CliRomTools, CutFixsumAndIpsWriteTheirResults) {
    auto image = RomBuilder(40 * 1024).Build();
    std::string source = Put("game.gb", image);
    EXPECT_EQ(Run({"cut", source, dir / "cut.gb"}), 0) << err;
    EXPECT_EQ(ReadFile(dir / "cut.gb").size(), 64u * 1024);

    auto stale = image;
    stale[0x14D] ^= 0xFF;
    EXPECT_EQ(Run({"fixsum", Put("stale.gb", stale), dir / "fixed.gb"}), 0) << err;
    EXPECT_EQ(ReadFile(dir / "fixed.gb"), image);

    std::string patch = "PATCH";
    patch += std::string("\x00\x01\x50\x00\x01Z", 6) + "EOF";
    EXPECT_EQ(Run({"ips", source, Put("p.ips", {patch.begin(), patch.end()}), dir / "p.gb"}), 0)
        << err;
    auto patched = image;
    patched[0x150] = 'Z';
    EXPECT_EQ(ReadFile(dir / "p.gb"), patched);
}

TEST_F(CliRomTools, FailuresGoToStderrWithExitCodeOne) {
    std::string tiny = Put("tiny.gb", std::vector<uint8_t>(0x100, 0));
    EXPECT_EQ(Run({"fixsum", tiny, dir / "out.gb"}), 1);
    EXPECT_EQ(err, "File " + tiny + " to small (256)\n");

    std::string source = Put("game.gb", RomBuilder(0x8000).Build());
    std::string notIps = Put("x.ips", {'n', 'o', 'p', 'e', '!'});
    EXPECT_EQ(Run({"ips", source, notIps, dir / "out.gb"}), 1);
    EXPECT_EQ(err, notIps + " is no IPS File\n");
    EXPECT_FALSE(Exists(dir / "out.gb"));

    EXPECT_EQ(Run({"cut", source}), 2);
    EXPECT_EQ(Run({"ips", source, notIps}), 2);
}

}  // namespace
}  // namespace zorvex::test
