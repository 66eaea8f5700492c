#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

#include "emulator/process_launcher.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;

// The started program runs on its own; give it a moment to leave its trace.
bool AppearsSoon(const std::string& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
}

TEST(PosixProcessLauncher, RunsTheProgramDetachedWithoutAShell) {
    TempDir work;
    PosixProcessLauncher launcher;
    ASSERT_TRUE(launcher.Start(R"(touch "two words" a;touch${IFS}pwned $(id) last)", work.path()));
    ASSERT_TRUE(AppearsSoon(work / "last"));
    EXPECT_TRUE(fs::exists(work / "two words"));
    EXPECT_TRUE(fs::exists(work / "a;touch${IFS}pwned"));
    EXPECT_TRUE(fs::exists(work / "$(id)"));
    EXPECT_FALSE(fs::exists(work / "pwned"));
    // The emulator is not our child: nothing is left to reap.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // A program path with "/" is taken relative to the working directory.
    fs::create_directories(work / "tools");
    fs::copy_file("/usr/bin/touch", work / "tools/mark");
    ASSERT_TRUE(launcher.Start("tools/mark made", work.path()));
    EXPECT_TRUE(AppearsSoon(work / "made"));
}

TEST(PosixProcessLauncher, ProgramThatCannotStartFails) {
    TempDir work;
    PosixProcessLauncher launcher;
    EXPECT_FALSE(launcher.Start("zorvex-no-such-emulator roms/x.gb", work.path()));
    EXPECT_FALSE(launcher.Start("./not-here x", work.path()));
    EXPECT_FALSE(launcher.Start("   ", work.path()));
    EXPECT_FALSE(launcher.Start("touch x", work / "no-such-dir"));
}

}  // namespace
}  // namespace zorvex::test
