// The emulator launcher's copies (a ROM unpacked from an archive, a plain ROM
// copied off a read-only library) on a disk that fills up: no partial copy is
// left, no file of the owner's is touched, and no emulator is started on a
// broken copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "emulator/emulator_launcher.h"
#include "tests/emulator/emulator_fixture.h"
#include "tests/rom/loader_zip_writer.h"
#include "tests/support/fault_snapshot.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;

class EmulatorCopyFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(work / "roms");
        fs::create_directories(temp.path());
        rom = RomBuilder(0x20000).Title("COPY").Build();
        WriteFile(work / "roms/plain.gb", rom);
        WriteZip(work / "roms/packed.zip", {{"inner.gbc", rom}});
        ParseTable(table, Emu(1, "Emu", "emu", "-a", ""), sink);
        launcher.workingDirectory = work.path();
        launcher.temporaryDirectory = temp.path();
    }

    TempDir work, temp;
    std::vector<uint8_t> rom;
    EmulatorTable table;
    RecordingMessageSink sink;
    RecordingProcessLauncher processes;
    std::string copyPath;
    EmulatorLauncher launcher{processes, sink, copyPath};
};

TEST_F(EmulatorCopyFaults, UnpackedCopyOnAFullDiskLeavesNothingAndStartsNothing) {
    const auto workBefore = Snapshot(work.path());
    const auto tempBefore = Snapshot(temp.path());
    for (rlim_t room : {rlim_t{0}, rlim_t{1}, rlim_t{0x10000}, rlim_t{0x1FFFF}}) {
        SCOPED_TRACE(testing::Message() << "room for " << room);
        sink.messages.clear();
        bool started = true;
        {
            FileSizeLimit full(room);
            started = launcher.LaunchEmulator(table, 0, "packed.zip");
        }
        EXPECT_FALSE(started);
        EXPECT_TRUE(processes.commandLines.empty());
        EXPECT_TRUE(copyPath.empty());
        EXPECT_EQ(Snapshot(work.path()), workBefore);
        EXPECT_EQ(Snapshot(temp.path()), tempBefore);
        ASSERT_FALSE(sink.messages.empty());
        EXPECT_EQ(sink.messages.back().second, "Error");
    }
    // With room, the copy is made whole.
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "packed.zip"));
    EXPECT_EQ(ReadFile(work / "packed.gb"), rom);
}

TEST_F(EmulatorCopyFaults, OwnersFileOfTheCopysNameSurvivesAFullTemporaryDisk) {
    WriteFile(work / "packed.gb", {'m', 'i', 'n', 'e'});
    const auto workBefore = Snapshot(work.path());
    {
        FileSizeLimit full(100);
        EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "packed.zip"));
    }
    EXPECT_EQ(Snapshot(work.path()), workBefore);
    EXPECT_TRUE(Snapshot(temp.path()).empty());
    EXPECT_TRUE(processes.commandLines.empty());
}

TEST_F(EmulatorCopyFaults, ReadOnlyLibraryCopyOnAFullDiskLeavesNothingAndStartsNothing) {
    launcher.readOnlyStart = true;
    const auto workBefore = Snapshot(work.path());
    for (rlim_t room : {rlim_t{0}, rlim_t{4096}, rlim_t{0x1FFFF}}) {
        SCOPED_TRACE(testing::Message() << "room for " << room);
        {
            FileSizeLimit full(room);
            EXPECT_FALSE(launcher.LaunchEmulator(table, 0, "plain.gb"));
        }
        EXPECT_TRUE(processes.commandLines.empty());
        EXPECT_TRUE(copyPath.empty());
        EXPECT_EQ(Snapshot(work.path()), workBefore);
        EXPECT_TRUE(Snapshot(temp.path()).empty());
    }
    ASSERT_TRUE(launcher.LaunchEmulator(table, 0, "plain.gb"));
    EXPECT_EQ(ReadFile(temp / "plain.gb"), rom);
}

}  // namespace
}  // namespace zorvex::test
