// The DIZavo commands of the main window on real widgets.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <filesystem>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "pack/menu_program.h"
#include "pack/pack_builder.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

namespace fs = std::filesystem;
using app::MainWindow;
using namespace zorvex::app;

// A window whose library holds two games, with the menu program beside it.
// `ready` says the first tick listed both; the fixture ends a test without it.
struct PackWindow {
    PackWindow() : fake({0x378}) {
        PutTwoGames(dir);
        WriteFile(dir / kMenuProgramFile, MakeMenuProgram());
        fake.warnings.SetPrompts(&prompts);
        MainWindowOptions options;
        options.settingsIniPath = dir.settingsPath();
        window = std::make_unique<MainWindow>(*fake.link, prompts, options);
        if (!window->Initialise()) return;
        window->show();
        QApplication::setActiveWindow(window.get());
        ready =
            WaitFor([&] { return window->firstTickDone && window->libraryRows().Count() == 2; });
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& m : prompts.messages) out.push_back(m.caption + ": " + m.text);
        return out;
    }
    QString Caption() const { return window->packGroup()->title(); }
    bool SendEnabled() const { return window->sendPackButton()->isEnabled(); }
    bool ClearEnabled() const { return window->clearPackButton()->isEnabled(); }
    bool SaveEnabled() const { return window->MenuItem(kCmdSavePack)->isEnabled(); }

    bool appReady = (TestApp(), true);  // before any widget
    WorkingDir dir;
    FakeLink fake;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
    bool ready = false;
};

class PackCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(w.ready) << "the window did not start with its two games; rows: "
                             << w.window->libraryRows().Count();
    }
    PackWindow w;
};

TEST_F(PackCommands, LibraryRowsGoInAndOutWithTheStatusFollowing) {
    MainWindow& window = *w.window;
    EXPECT_EQ(w.Caption(), "DIZavo RomList (Empty)");

    window.AddLibraryRowToPack(1);
    window.AddLibraryRowToPack(0);
    ASSERT_EQ(window.packRows().Count(), 2);
    EXPECT_EQ(window.packRows().Row(0)[FieldFileName], "roms/2048.gb");
    EXPECT_EQ(window.lastInsertedLibraryRow, 0);
    EXPECT_EQ(window.lastInsertedPackRow, 0);
    EXPECT_EQ(w.Caption(), "DIZavo (2 Roms / 96 kB / 2 Banks) (512 kB Card needed)");
    EXPECT_TRUE(w.SendEnabled());
    EXPECT_TRUE(w.ClearEnabled());
    EXPECT_TRUE(w.SaveEnabled());
    EXPECT_TRUE(w.prompts.messages.empty()) << ::testing::PrintToString(w.Texts());

    // Space on the pack list without a selection removes nothing but still
    // refreshes the status.
    window.RemovePackRow(-1);
    EXPECT_EQ(window.packRows().Count(), 2);
    window.RemovePackRow(1);
    EXPECT_EQ(w.Caption(), "DIZavo (1 Rom / 64 kB / 1 Bank) (512 kB Card needed)");

    window.clearPackButton()->click();
    EXPECT_EQ(window.packRows().Count(), 0);
    EXPECT_EQ(w.Caption(), "DIZavo RomList (empty)");
    EXPECT_FALSE(w.SendEnabled());
    EXPECT_FALSE(w.ClearEnabled());
    EXPECT_FALSE(w.SaveEnabled());
}

TEST_F(PackCommands, AddFilesUsesTheMultiSelectRequesterWithFullPaths) {
    MainWindow& window = *w.window;
    TempDir elsewhere;
    const std::string rom = elsewhere / "snake.gb";
    WriteFile(rom, RomBuilder().Title("Snake").Cgb(0x80).Build());
    fs::create_directory(w.dir / "more");
    WriteFile(w.dir / "more/a.gbc", RomBuilder().Title("ALPHA").Cgb(0x80).Build());
    WriteFile(w.dir / "more/junk.gb", std::vector<uint8_t>(0x8000, 0x11));
    w.prompts.answers.push_back({rom, w.dir / "more/junk.gb", w.dir / "more/a.gbc"});
    window.MenuItem(kCmdAddToPack)->trigger();
    ASSERT_EQ(w.prompts.requests.size(), 1u);
    EXPECT_EQ(w.prompts.requests[0].title, "Add Rom(s) to DIZavo");
    EXPECT_EQ(w.prompts.requests[0].filter,
              "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||");
    EXPECT_TRUE(w.prompts.requests[0].multiSelect);
    EXPECT_TRUE(w.prompts.requests[0].mustExist);
    // The bad file is reported and skipped; the others are sorted by name.
    EXPECT_EQ(w.prompts.messages.size(), 1u);
    ASSERT_EQ(window.packRows().Count(), 2);
    EXPECT_EQ(window.packRows().Row(0)[FieldFileName], w.dir / "more/a.gbc");
    EXPECT_EQ(window.packRows().Row(1)[FieldFileName], rom);
    EXPECT_TRUE(w.SendEnabled());
    // The working directory is current again for the relative paths.
    EXPECT_EQ(fs::current_path().string(), fs::path(w.dir.path()).string());

    // Cancel adds nothing.
    window.MenuItem(kCmdAddToPack)->trigger();
    EXPECT_EQ(window.packRows().Count(), 2);
    EXPECT_EQ(w.prompts.messages.size(), 1u);
}

TEST_F(PackCommands, SaveBuildsTheChosenFileAndRestartsTheWatchTimer) {
    MainWindow& window = *w.window;
    window.AddLibraryRowToPack(0);
    window.AddLibraryRowToPack(1);
    // A name typed without an extension gets ".gb"; one with any keeps it.
    const std::string target = w.dir / "saved.gb";
    w.prompts.answers = {{w.dir / "saved"}, {w.dir / "other.bin"}};
    window.MenuItem(kCmdSavePack)->trigger();
    window.MenuItem(kCmdSavePack)->trigger();
    EXPECT_FALSE(fs::exists(w.dir / "saved"));
    EXPECT_TRUE(fs::exists(w.dir / "other.bin"));
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0x18000u);
    EXPECT_EQ(w.prompts.requests.back().title, "Save DIZavo");
    EXPECT_FALSE(window.progress().IsOpen());
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);
    EXPECT_TRUE(w.prompts.messages.empty()) << ::testing::PrintToString(w.Texts());
}

TEST_F(PackCommands, SendWithoutATemporaryPathOnlyComplains) {
    MainWindow& window = *w.window;
    window.AddLibraryRowToPack(0);
    window.packTempPath.clear();
    window.sendPackButton()->click();
    ASSERT_EQ(w.prompts.messages.size(), 1u) << ::testing::PrintToString(w.Texts());
    EXPECT_EQ(w.prompts.messages[0].text, "Temporary Path too long");
    EXPECT_EQ(w.prompts.messages[0].caption, "Error");
    EXPECT_FALSE(window.progress().IsOpen());
}

// Escape, Exit and the close box end the program at once, unless DIZavo rows
// that were not saved would be lost: then the owner is asked, once.
struct CloseCase {
    const char* name;
    enum How { Escape, ExitMenu, CloseBox, ExitButton } how;
    int rows;          // DIZavo rows
    bool savedBefore;  // saved after the first row
    bool answerYes;
    bool asked;
};

class ClosingWithADizavo : public PackCommands, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosingWithADizavo, AsksOnlyWhenRowsWereNotSaved) {
    const CloseCase c = GetParam();
    MainWindow& window = *w.window;
    for (int row = 0; row < c.rows; ++row) {
        window.AddLibraryRowToPack(row);
        if (row == 0 && c.savedBefore) {
            w.prompts.answers.push_back({w.dir / "pack.gb"});
            window.MenuItem(kCmdSavePack)->trigger();
        }
    }
    w.prompts.yesNoAnswers = {c.answerYes};
    switch (c.how) {
        case CloseCase::Escape:
            KeyClick(window.libraryView(), Qt::Key_Escape);
            break;
        case CloseCase::ExitMenu:
            window.MenuItem(kIdCancel)->trigger();
            break;
        case CloseCase::CloseBox:
            window.close();
            break;
        case CloseCase::ExitButton:
            MouseClick(window.exitButton(), Qt::LeftButton);
            break;
    }
    ASSERT_EQ(w.prompts.questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        const std::string rows = c.rows == 1 ? "1 Rom that was" : "2 Roms that were";
        EXPECT_EQ(w.prompts.questions[0],
                  "The DIZavo list holds " + rows + " not saved. Quit anyway?");
    }
    EXPECT_EQ(window.isVisible(), c.asked && !c.answerYes);
}

INSTANTIATE_TEST_SUITE_P(
    Close, ClosingWithADizavo,
    ::testing::Values(CloseCase{"EscapeWithoutRows", CloseCase::Escape, 0, false, false, false},
                      CloseCase{"EscapeUnsavedNo", CloseCase::Escape, 1, false, false, true},
                      CloseCase{"ExitMenuUnsavedYes", CloseCase::ExitMenu, 2, false, true, true},
                      CloseCase{"CloseBoxUnsavedNo", CloseCase::CloseBox, 2, false, false, true},
                      CloseCase{"ExitButtonSaved", CloseCase::ExitButton, 1, true, false, false},
                      CloseCase{"EscapeChangedSinceSaved", CloseCase::Escape, 2, true, false,
                                true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvex::test
