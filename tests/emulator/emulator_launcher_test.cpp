#include "emulator/emulator_launcher.h"

#include <sys/stat.h>

#include "tests/emulator/emulator_fixture.h"
#include "tests/rom_tools/zip_fixture.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;

class EmulatorLauncherTest : public ::testing::Test {
  protected:
    EmulatorLauncherTest() {
        fs::create_directories(work / "roms");
        launcher.workingDirectory = work.path();
        launcher.temporaryDirectory = temp.path();
        ParseTable(table,
                   "emu1title=Emu\r\nemu1name=emu.exe\r\nemu1preparam=-a\r\nemu1postparam=-b\r\n"
                   "emu2title=Bare\r\nemu2name=bare\r\nemu2preparam=\r\nemu2postparam=\r\n",
                   sink);
    }

    std::vector<std::string> CommandLines() const {
        std::vector<std::string> out;
        for (auto& s : processes.starts) out.push_back(s.commandLine);
        return out;
    }

    TempDir work;
    TempDir temp;
    RecordingMessageSink sink;
    RecordingProcessLauncher processes;
    EmulatorTable table;
    std::string copyPath;
    EmulatorLauncher launcher{processes, sink, copyPath};
    const std::vector<uint8_t> rom = RomBuilder(0x8000).Title("GAME").Build();
};

TEST_F(EmulatorLauncherTest, PlainRomIsPassedFromTheRomDirectory) {
    WriteFile(work / "roms/tetris.gb", rom);
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].commandLine, "emu.exe -a roms/tetris.gb -b");
    EXPECT_EQ(processes.starts[0].workingDirectory, work.path());
    EXPECT_EQ(launcher.emulatorCopyPath(), "");

    // Empty pre- and post-parameters still take their blanks.
    ASSERT_TRUE(launcher.LaunchEmulator(table, 1, "tetris.gb"));
    EXPECT_EQ(processes.starts[1].commandLine, "bare  roms/tetris.gb ");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(EmulatorLauncherTest, UndefinedEmulatorIsReported) {
    EXPECT_FALSE(launcher.LaunchEmulator(table, 2, "tetris.gb"));
    EXPECT_FALSE(launcher.LaunchEmulator(table, 7, "tetris.gb"));
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{"Emulator 2 not defined!", "Emulator 7 not defined!"}));
    EXPECT_EQ(sink.messages[0].second, "Error");
    EXPECT_TRUE(processes.starts.empty());
}

TEST_F(EmulatorLauncherTest, GapsInTheFileShiftTheDigitKeys) {
    EmulatorTable gaps;
    ParseTable(gaps,
               "emu2title=Two\r\nemu2name=two\r\nemu2preparam=\r\nemu2postparam=\r\n"
               "emu3title=Three\r\nemu3name=three\r\nemu3preparam=\r\n"
               "emu5title=Five\r\nemu5name=five\r\nemu5preparam=-p\r\nemu5postparam=-q\r\n",
               sink);
    ASSERT_TRUE(launcher.LaunchEmulator(gaps, 1, "x.gb"));
    EXPECT_EQ(CommandLines(), std::vector<std::string>{"five -p roms/x.gb -q"});
    EXPECT_FALSE(launcher.LaunchEmulator(gaps, 2, "x.gb"));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Emulator 2 not defined!"});
}

TEST_F(EmulatorLauncherTest, OverlongCommandLineIsRefusedWhole) {
    EmulatorTable wide;
    std::string program(500, 'e');
    ParseTable(wide,
               "emu1title=W\r\nemu1name=" + program + "\r\nemu1preparam=\r\nemu1postparam=\r\n",
               sink);
    // program + blank + blank + "roms/" + name + blank = 511 exactly.
    std::string fits(511 - 500 - 3 - 5, 'n');
    ASSERT_TRUE(launcher.LaunchEmulator(wide, 0, fits));
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].commandLine.size(), 511u);

    EXPECT_FALSE(launcher.LaunchEmulator(wide, 0, fits + "x"));
    EXPECT_EQ(processes.starts.size(), 1u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0].first.find("512"), std::string::npos) << sink.messages[0].first;
    EXPECT_EQ(sink.messages[0].second, "Error");
}

TEST_F(EmulatorLauncherTest, ZippedRomIsUnpackedBesideAndDeletedAtTheNextLaunch) {
    WriteZipArchive(work / "roms/game.ZIP", {{"Game.gbc", rom}});
    processes.onStart = [&](const std::string&) {
        EXPECT_EQ(ReadFile(work / "game.gb"), rom) << "copy missing while the emulator starts";
    };
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "game.ZIP"));
    EXPECT_EQ(CommandLines(), std::vector<std::string>{"emu.exe -a game.gb -b"});
    EXPECT_EQ(launcher.emulatorCopyPath(), "game.gb");
    EXPECT_EQ(copyPath, "game.gb");

    // The path lives with its owner, so a launcher made for the next launch
    // still removes the copy.
    processes.onStart = nullptr;
    WriteFile(work / "roms/plain.gb", rom);
    EmulatorLauncher next{processes, sink, copyPath};
    next.workingDirectory = work.path();
    ASSERT_TRUE(next.LaunchEmulator(table, 0, "plain.gb"));
    EXPECT_FALSE(fs::exists(work / "game.gb"));
    EXPECT_EQ(launcher.emulatorCopyPath(), "");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(EmulatorLauncherTest, OwnersFileOfTheSameNameIsNeverTouched) {
    const std::vector<uint8_t> owners = {'m', 'i', 'n', 'e'};
    WriteFile(work / "game.gb", owners);
    WriteZipArchive(work / "roms/game.zip", {{"game.gb", rom}});

    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "game.zip"));
    std::string copy = temp / "game.gb";
    EXPECT_EQ(CommandLines(), std::vector<std::string>{"emu.exe -a " + copy + " -b"});
    EXPECT_EQ(launcher.emulatorCopyPath(), copy);
    EXPECT_EQ(ReadFile(copy), rom);
    EXPECT_EQ(ReadFile(work / "game.gb"), owners);

    launcher.DeleteEmulatorCopy();
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(ReadFile(work / "game.gb"), owners);

    // Taken in the temporary directory as well: nothing is replaced there either.
    WriteFile(copy, owners);
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "game.zip"));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Can't create " + copy});
    EXPECT_EQ(ReadFile(copy), owners);
    EXPECT_EQ(ReadFile(work / "game.gb"), owners);
    EXPECT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(launcher.emulatorCopyPath(), "");
}

TEST_F(EmulatorLauncherTest, ArchiveWithoutRomShowsTheLoaderMessage) {
    WriteFile(work / "roms/empty.zip", {'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'});
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "empty.zip"));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].second, "Error");
    EXPECT_FALSE(sink.messages[0].first.empty());
    EXPECT_TRUE(processes.starts.empty());
    EXPECT_FALSE(fs::exists(work / "empty.gb"));
}

TEST_F(EmulatorLauncherTest, ReadOnlyStartCopiesPlainRomsToTheTemporaryDirectory) {
    launcher.readOnlyStart = true;
    WriteFile(work / "roms/tetris.gb", rom);
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    std::string copy = temp / "tetris.gb";
    EXPECT_EQ(CommandLines(), std::vector<std::string>{"emu.exe -a " + copy + " -b"});
    EXPECT_EQ(ReadFile(copy), rom);
    EXPECT_EQ(launcher.emulatorCopyPath(), copy);

    // A missing ROM fails silently, after the last copy has gone.
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "missing.gb"));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(temp / "missing.gb"));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(processes.starts.size(), 1u);

    // A file the program did not make is not replaced.
    WriteFile(copy, {'o', 'l', 'd'});
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(ReadFile(copy), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Can't create " + copy});
    launcher.DeleteEmulatorCopy();
    EXPECT_TRUE(fs::exists(copy));
}

TEST_F(EmulatorLauncherTest, OverlongTemporaryDirectoryIsRefused) {
    launcher.readOnlyStart = true;
    launcher.temporaryDirectory = "/" + std::string(512, 't');
    WriteFile(work / "roms/tetris.gb", rom);
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Temporary Path too long"});
    EXPECT_EQ(launcher.emulatorCopyPath(), "");
    EXPECT_TRUE(processes.starts.empty());
}

TEST_F(EmulatorLauncherTest, FailedStartIsNotReported) {
    processes.succeed = false;
    EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "tetris.gb"));
    EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
}  // namespace zorvex::test
