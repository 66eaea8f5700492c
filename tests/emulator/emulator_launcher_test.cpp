#include "emulator/emulator_launcher.h"

#include "tests/emulator/emulator_fixture.h"
#include "tests/rom_tools/zip_fixture.h"
#include "tests/support/shared_temp_dir.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class EmulatorLauncherTest : public ::testing::Test {
  protected:
    EmulatorLauncherTest() {
        fs::create_directories(work / "roms");
        launcher.workingDirectory = work.path();
        launcher.temporaryDirectory = temp.path();
        ParseTable(table, Emu(1, "Emu", "emu.exe", "-a", "-b") + Emu(2, "Bare", "bare", "", ""),
                   sink);
        WriteFile(work / "roms/tetris.gb", rom);
    }

    TempDir work, temp;
    RecordingMessageSink sink;
    RecordingProcessLauncher processes;
    EmulatorTable table;
    std::string copyPath;
    EmulatorLauncher launcher{processes, sink, copyPath};
    const std::vector<uint8_t> rom = RomBuilder(0x8000).Title("GAME").Build();
};

TEST_F(EmulatorLauncherTest, PlainRomCommandLines) {
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    ASSERT_TRUE(launcher.LaunchEmulator(table, 1, "tetris.gb"));
    // Empty pre- and post-parameters still take their blanks.
    EXPECT_EQ(processes.commandLines,
              (Lines{"emu.exe -a roms/tetris.gb -b", "bare  roms/tetris.gb "}));
    EXPECT_EQ(processes.directories[0], work.path());
    EXPECT_EQ(copyPath, "");

    // A blank in the file name must not split the path into two arguments.
    WriteFile(work / "roms/Tetris (World).gb", rom);
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "Tetris (World).gb"));
    EXPECT_EQ(processes.commandLines.back(), R"(emu.exe -a "roms/Tetris (World).gb" -b)");
    processes.commandLines.pop_back();
    processes.directories.pop_back();

    EXPECT_FALSE(launcher.LaunchEmulator(table, 2, "tetris.gb"));
    EXPECT_EQ(sink.Texts(), Lines{"Emulator 2 not defined!"});
    EXPECT_EQ(sink.messages[0].second, "Error");

    // The command line goes whole or not at all: 511 characters pass, 512 do not.
    EmulatorTable wide;
    ParseTable(wide, Emu(1, "W", std::string(500, 'e'), "", ""), sink);
    ASSERT_TRUE(launcher.LaunchEmulator(wide, 0, "nnn"));
    EXPECT_EQ(processes.commandLines.back().size(), 511u);
    EXPECT_FALSE(launcher.LaunchEmulator(wide, 0, "nnnn"));
    EXPECT_EQ(processes.commandLines.size(), 3u);
    EXPECT_NE(sink.Texts().back().find("512"), std::string::npos);
}

TEST_F(EmulatorLauncherTest, AProgramThatCannotStartIsNamedWithTheReason) {
    processes.succeed = false;
    for (int error : {ENOENT, EACCES}) {
        processes.onStart = [error](const std::string&) { errno = error; };
        EXPECT_FALSE(launcher.LaunchEmulator(table, 1, "tetris.gb"));
    }
    // A path is not looked up, so ENOENT keeps the system's words.
    processes.onStart = [](const std::string&) { errno = ENOENT; };
    ParseTable(table, Emu(3, "Local", "./emu/run", "", ""), sink);
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(sink.Texts(),
              (Lines{"Can't start the emulator program bare: no such program in PATH",
                     "Can't start the emulator program bare: Permission denied",
                     "Can't start the emulator program ./emu/run: No such file or directory"}));
}

TEST_F(EmulatorLauncherTest, ZippedRomIsUnpackedBesideAndDeletedAtTheNextLaunch) {
    WriteZipArchive(work / "roms/game.ZIP", {{"Game.gbc", rom}});
    processes.onStart = [&](const std::string&) { EXPECT_EQ(ReadFile(work / "game.gb"), rom); };
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "game.ZIP"));
    EXPECT_EQ(processes.commandLines, Lines{"emu.exe -a game.gb -b"});
    EXPECT_EQ(copyPath, "game.gb");

    // The path lives with its owner, so the launcher of the next launch removes it.
    processes.onStart = nullptr;
    EmulatorLauncher next{processes, sink, copyPath};
    next.workingDirectory = work.path();
    ASSERT_TRUE(next.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_FALSE(fs::exists(work / "game.gb"));
    EXPECT_EQ(copyPath, "");

    WriteFile(work / "roms/bad.zip", {'n', 'o', 'p', 'e'});
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "bad.zip"));
    EXPECT_EQ(sink.Texts(), Lines{"Can't open roms/bad.zip"});
    EXPECT_EQ(processes.commandLines.size(), 2u);
}

TEST_F(EmulatorLauncherTest, OwnersFileOfTheSameNameIsNeverTouched) {
    const std::vector<uint8_t> owners = {'m', 'i', 'n', 'e'};
    WriteFile(work / "game.gb", owners);
    WriteZipArchive(work / "roms/game.zip", {{"game.gb", rom}});
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "game.zip"));
    std::string copy = temp / "game.gb";
    EXPECT_EQ(processes.commandLines, Lines{"emu.exe -a " + copy + " -b"});
    EXPECT_EQ(ReadFile(copy), rom);
    launcher.DeleteEmulatorCopy();
    EXPECT_FALSE(fs::exists(copy));

    // Taken in the temporary directory as well: nothing is replaced there either.
    WriteFile(copy, owners);
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "game.zip"));
    EXPECT_EQ(sink.Texts(), Lines{"Can't create " + copy});
    EXPECT_EQ(ReadFile(copy), owners);
    EXPECT_EQ(ReadFile(work / "game.gb"), owners);
    EXPECT_EQ(copyPath, "");
}

TEST_F(EmulatorLauncherTest, ReadOnlyStartCopiesPlainRomsToTheTemporaryDirectory) {
    launcher.readOnlyStart = true;
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    std::string copy = temp / "tetris.gb";
    EXPECT_EQ(processes.commandLines, Lines{"emu.exe -a " + copy + " -b"});
    EXPECT_EQ(ReadFile(copy), rom);

    // A ROM that cannot be copied stops the launch silently, after the last copy went.
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "missing.gb"));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(sink.messages.empty());

    WriteFile(copy, {'o', 'l', 'd'});
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(ReadFile(copy), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(sink.Texts(), Lines{"Can't create " + copy});

    launcher.temporaryDirectory = "/" + std::string(512, 't');
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(sink.Texts().back(), "Temporary Path too long");
    EXPECT_EQ(processes.commandLines.size(), 1u);
}

TEST_F(EmulatorLauncherTest, CopiesNeverGoIntoTheSharedTemporaryDirectory) {
    // What the program does: no directory of its own given.
    SharedTempDir shared;
    launcher.temporaryDirectory.clear();
    launcher.readOnlyStart = true;
    // Another user has taken both names there first.
    const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
    WriteFile(shared / "tetris.gb", theirs);
    WriteFile(shared / "game.gb", theirs);
    WriteFile(work / "game.gb", {'m', 'i', 'n', 'e'});  // sends the unpacked copy to temp
    WriteZipArchive(work / "roms/game.zip", {{"game.gb", rom}});

    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(copyPath, shared.PrivateDir() + "/tetris.gb");
    EXPECT_EQ(ReadFile(copyPath), rom);
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "game.zip"));
    EXPECT_EQ(copyPath, shared.PrivateDir() + "/game.gb");
    EXPECT_EQ(ReadFile(copyPath), rom);
    EXPECT_EQ(processes.commandLines, (Lines{"emu.exe -a " + shared.PrivateDir() + "/tetris.gb -b",
                                             "emu.exe -a " + shared.PrivateDir() + "/game.gb -b"}));
    EXPECT_EQ(ReadFile(shared / "tetris.gb"), theirs);
    EXPECT_EQ(ReadFile(shared / "game.gb"), theirs);
    EXPECT_TRUE(sink.messages.empty());

    // A private directory that is not private: nothing is written through it.
    launcher.DeleteEmulatorCopy();
    fs::remove_all(shared.PrivateDir());
    fs::create_directory(shared / "elsewhere");
    fs::create_directory_symlink(shared / "elsewhere", shared.PrivateDir());
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(sink.Texts(), Lines{"Temporary Path too long"});
    EXPECT_TRUE(fs::is_empty(shared / "elsewhere"));
    EXPECT_EQ(processes.commandLines.size(), 2u);
}

}  // namespace
}  // namespace zorvex::test
