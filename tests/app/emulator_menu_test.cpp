// The emulator menu and the ROM tools as the main window runs them.
#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>

#include "app/control_ids.h"
#include "app/emulator_state.h"
#include "app/main_window.h"
#include "tests/app/app_test_support.h"
#include "tests/emulator/emulator_fixture.h"
#include "tests/rom_tools/zip_fixture.h"

namespace zorvex::test {
namespace {

using namespace zorvex::app;

// A window in a working directory with the given emu.cfg, starting its
// emulators through a recorder.
struct EmulatorWindow {
    explicit EmulatorWindow(const std::string& cfg) : fake({0x378}) {
        TestApp();
        WriteFile(dir / "emu.cfg", {cfg.begin(), cfg.end()});
        fake.warnings.SetPrompts(&prompts);
        MainWindowOptions options;
        options.settingsIniPath = dir.settingsPath();
        window = std::make_unique<MainWindow>(*fake.link, prompts, options);
        auto recorder = std::make_unique<RecordingProcessLauncher>();
        processes = recorder.get();
        window->emulatorState()->processLauncher = std::move(recorder);
        EXPECT_TRUE(window->Initialise());
    }
    int AddRow(const std::string& fileName) {
        int row = window->libraryRows().InsertRow(fileName);
        window->libraryRows().SetField(row, FieldFileName, fileName);
        return row;
    }

    WorkingDir dir;
    FakeLink fake;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
    RecordingProcessLauncher* processes = nullptr;
};

TEST(EmulatorMenu, EmuCfgNamesTheItemsAndRowsStartTheChosenEmulator) {
    std::string three = Emu(3, "Three", "three", "", "");
    three.resize(three.find("emu3postparam"));
    EmulatorWindow w(Emu(2, "Two", "two", "", "") + three + Emu(5, "Five", "five", "-p", "-q"));
    MainWindow& window = *w.window;
    EXPECT_TRUE(w.prompts.messages.empty());
    ASSERT_EQ(window.emulatorCount, 2);
    QStringList labels;
    for (QAction* a : window.emulatorMenu()->actions()) labels << a->text();
    EXPECT_EQ(labels, (QStringList{"&0 Two", "&1 Five"}));
    EXPECT_TRUE(window.MenuItem(kCmdEmulator0)->isChecked());
    EXPECT_EQ(window.MenuItem(kCmdEmulator0 + 2), nullptr);

    window.MenuItem(kCmdEmulator0 + 1)->trigger();
    EXPECT_EQ(window.currentEmulator, 1);
    EXPECT_TRUE(window.MenuItem(kCmdEmulator0 + 1)->isChecked());
    EXPECT_FALSE(window.MenuItem(kCmdEmulator0)->isChecked());

    // A zipped ROM is unpacked into the working directory for the emulator;
    // the copy goes at the next launch or, at the latest, with the window.
    WriteZipArchive(w.dir / "roms/game.zip", {{"game.gb", RomBuilder(0x8000).Build()}});
    window.LaunchEmulator(window.currentEmulator, w.AddRow("game.zip"));
    window.LaunchEmulator(0, w.AddRow("tetris.gb"));
    EXPECT_EQ(w.processes->commandLines,
              (std::vector<std::string>{"five -p game.gb -q", "two  roms/tetris.gb "}));
    EXPECT_EQ(w.processes->directories[1], w.dir.path());
    EXPECT_FALSE(std::filesystem::exists(w.dir / "game.gb"));
    window.LaunchEmulator(1, 0);
    EXPECT_EQ(window.emulatorCopyPath, "game.gb");
    w.window.reset();
    EXPECT_FALSE(std::filesystem::exists(w.dir / "game.gb"));
}

TEST(RomToolMenu, CommandsUseTheWindowsRequestersAndRestartTheWatchTimer) {
    EmulatorWindow w("\r\n");
    MainWindow& window = *w.window;
    // No rescan may run between a tool's requesters.
    int asked = 0;
    w.prompts.whileAsking = [&](const FileRequest& request) {
        ++asked;
        EXPECT_FALSE(window.TimerActive(kWatchTimerId)) << request.title;
    };
    auto image = RomBuilder(40 * 1024).Build();
    WriteFile(w.dir / "in/game.gb", image);
    w.prompts.answers = {{w.dir / "in/game.gb"}, {w.dir / "cut.gb"}};
    window.MenuItem(kCmdCutRom)->trigger();
    EXPECT_EQ(ReadFile(w.dir / "cut.gb").size(), 64u * 1024);
    ASSERT_EQ(w.prompts.requests.size(), 2u);
    EXPECT_EQ(w.prompts.requests[1].directory, w.dir / "in");
    EXPECT_EQ(window.directories().requester, w.dir.path());
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);

    w.prompts.answers = {{w.dir / "in/game.gb"}, {w.dir / "in/game.gb"}};
    window.MenuItem(kCmdGbCrc)->trigger();
    EXPECT_EQ(ReadFile(w.dir / "in/game.gb"), image);

    std::string patch("PATCH\0\1\x50\0\1ZEOF", 14);
    WriteFile(w.dir / "p.ips", {patch.begin(), patch.end()});
    w.prompts.answers = {{w.dir / "in/game.gb"}, {w.dir / "p.ips"}, {w.dir / "p.gb"}};
    window.MenuItem(kCmdIpsPatch)->trigger();
    EXPECT_EQ(ReadFile(w.dir / "p.gb").at(0x150), 'Z');
    EXPECT_TRUE(w.prompts.messages.empty());
    EXPECT_EQ(asked, 7);
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);
}

}  // namespace
}  // namespace zorvex::test
