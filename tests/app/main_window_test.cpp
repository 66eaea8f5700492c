#include <gtest/gtest.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "app/about_dialog.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using app::MainWindow;
using namespace zorvex::app;

// A window on fake ports in a fresh working directory with its own settings file.
struct Harness {
    explicit Harness(std::vector<uint16_t> bases, MainWindowOptions options = {}) : fake(bases) {
        TestApp();
        fake.warnings.SetPrompts(&prompts);
        if (options.settingsIniPath.isEmpty()) options.settingsIniPath = dir.settingsPath();
        settingsPath = options.settingsIniPath;
        window = std::make_unique<MainWindow>(*fake.link, prompts, options);
    }
    CardLink& link() { return *fake.link; }
    QStringList MenuTexts(QMenu* menu) const {
        QStringList texts;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) texts << a->text();
        return texts;
    }
    bool Checked(int id) const { return window->MenuItem(id) && window->MenuItem(id)->isChecked(); }

    WorkingDir dir;
    FakeLink fake;
    ScriptedPrompts prompts;
    QString settingsPath;
    std::unique_ptr<MainWindow> window;
};

TEST(MainWindowPortMenu, NoPortOrOnePortLeavesOnlyTheTransferModes) {
    for (std::vector<uint16_t> bases : {std::vector<uint16_t>{}, std::vector<uint16_t>{0x378}}) {
        Harness h(bases);
        ASSERT_TRUE(h.window->Initialise());
        EXPECT_EQ(h.MenuTexts(h.window->portMenu()),
                  (QStringList{"&Auto SPP/EPP", "&SPP", "&EPP"}));
        for (int id = kCmdAutoPort; id <= kCmdPort8; ++id)
            EXPECT_EQ(h.window->MenuItem(id), nullptr);
        EXPECT_TRUE(h.Checked(kCmdAutoSppEpp));
        EXPECT_FALSE(h.Checked(kCmdSpp));
    }
}

TEST(MainWindowPortMenu, ThreePortsAreLabelledWithTheirBasesAndTheRestRemoved) {
    Harness h({0x378, 0x278, 0x3BC});
    ASSERT_TRUE(h.window->Initialise());
    EXPECT_EQ(h.MenuTexts(h.window->portMenu()),
              (QStringList{"Auto &Port select", "Port &1 (0x0378)", "Port &2 (0x0278)",
                           "Port &3 (0x03bc)", "&Auto SPP/EPP", "&SPP", "&EPP"}));
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(h.window->MenuItem(kCmdAutoPort + k)->isEnabled());
    EXPECT_TRUE(h.Checked(kCmdAutoPort));
    EXPECT_FALSE(h.Checked(kCmdPort1));

    // Choosing port 2 selects it and moves the tick; "Auto" scans all ports again.
    h.window->MenuItem(kCmdAutoPort + 2)->trigger();
    EXPECT_EQ(h.link().ChosenPort(), 2);
    EXPECT_EQ(h.link().bus().base(), 0x278);
    EXPECT_TRUE(h.Checked(kCmdAutoPort + 2));
    EXPECT_FALSE(h.Checked(kCmdAutoPort));
    h.window->MenuItem(kCmdAutoPort)->trigger();
    EXPECT_EQ(h.link().ChosenPort(), 0);
    EXPECT_EQ(h.link().bus().base(), 0x278);  // the selected port stays
    EXPECT_TRUE(h.Checked(kCmdAutoPort));
    EXPECT_FALSE(h.Checked(kCmdAutoPort + 2));
}

TEST(MainWindowLayout, InitialStateOfTheWindow) {
    Harness h({0x378});
    ASSERT_TRUE(h.window->Initialise());
    EXPECT_EQ(h.window->windowTitle(), "Zorvex V1.10");
    EXPECT_EQ(h.MenuTexts(h.window->fileMenu()),
              (QStringList{"&Send Rom", "&Cut Rom", "Ca&lculate GB-CRC", "Add Rom(s) to DI&Zavo",
                           "Sa&ve DIZavo", "&Rescan RomDir", "&Open ROM Folder", "&IPS Patch File ",
                           "&Deep Verify", "Skip &unchanged banks", "SaveGame &Manager",
                           "&About...", "&Exit"}));
    EXPECT_FALSE(h.window->MenuItem(kCmdSavePack)->isEnabled());
    EXPECT_FALSE(h.window->sendPackButton()->isEnabled());
    EXPECT_FALSE(h.window->clearPackButton()->isEnabled());
    EXPECT_TRUE(h.window->exitButton()->isDefault());
    EXPECT_EQ(h.window->packGroup()->title(), "DIZavo RomList (Empty)");
    EXPECT_EQ(h.window->libraryGroup()->title(), "RomList (Empty)");
    // No emu.cfg: the emulator pop-up is greyed.
    EXPECT_FALSE(h.window->emulatorMenu()->menuAction()->isEnabled());

    const std::array<int, 7> library{130, 80, 95, 60, 60, 100, 100};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(h.window->libraryView()->columnWidth(c), library[static_cast<size_t>(c)]);
        EXPECT_EQ(h.window->libraryView()->model()->headerData(c, Qt::Horizontal),
                  h.window->packView()->model()->headerData(c, Qt::Horizontal));
    }
    EXPECT_EQ(h.window->packView()->columnWidth(2), 200);
    for (int c = 4; c < 7; ++c) EXPECT_TRUE(h.window->packView()->isColumnHidden(c));
    EXPECT_EQ(h.window->libraryView()->model()->headerData(6, Qt::Horizontal).toString(),
              "File Attributes");

    // The pictures come with the program.
    auto* logo = h.window->findChild<QLabel*>("picture131");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->pixmap().size(), QSize(200, 63));
    EXPECT_FALSE(h.window->windowIcon().isNull());
    app::StartupPictureDialog startup(h.window.get());
    auto* picture = startup.findChild<QLabel*>("picture144");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(290, 300));
}

// --- Settings ------------------------------------------------------------------------

TEST(MainWindowSettings, EmptyStoreGivesTheDefaultsAndStoresThemAtExit) {
    Harness h({0x378, 0x278, 0x3BC});
    ASSERT_TRUE(h.window->Initialise());
    EXPECT_FALSE(h.window->deepVerify());
    EXPECT_FALSE(h.Checked(kCmdDeepVerify));
    EXPECT_TRUE(h.Checked(kCmdAutoSppEpp));
    EXPECT_TRUE(h.Checked(kCmdAutoPort));
    EXPECT_EQ(h.link().ChosenPort(), 0);
    EXPECT_EQ(h.window->currentEmulator, 0);
    // Nothing is written before the window goes.
    EXPECT_EQ(ReadSetting(h.settingsPath, "PORT/PORTNUM"), -9999);
    h.window.reset();
    EXPECT_EQ(ReadSetting(h.settingsPath, "FILE/DEEPVERIFY"), 0);
    EXPECT_EQ(ReadSetting(h.settingsPath, "PORT/SPPEPP"), 0);
    EXPECT_EQ(ReadSetting(h.settingsPath, "PORT/PORTNUM"), 0);
    EXPECT_EQ(ReadSetting(h.settingsPath, "EMULATOR/ACEMU"), 0);
}

TEST(MainWindowSettings, OutOfRangeValuesAreCorrectedAndStoredCorrected) {
    // PORTNUM above the port count becomes port 1; only the low byte of
    // DEEPVERIFY counts (256 is off); ACEMU beyond the table becomes 0.
    WorkingDir settingsDir;
    const QString ini = settingsDir.settingsPath();
    WriteSettings(ini, {{"PORT/PORTNUM", 5}, {"FILE/DEEPVERIFY", 256}, {"EMULATOR/ACEMU", 3}});
    MainWindowOptions options;
    options.settingsIniPath = ini;
    Harness h({0x378, 0x278}, options);
    ASSERT_TRUE(h.window->Initialise());
    EXPECT_EQ(h.link().ChosenPort(), 1);
    EXPECT_EQ(h.link().bus().base(), 0x378);
    EXPECT_TRUE(h.Checked(kCmdPort1));
    EXPECT_FALSE(h.Checked(kCmdAutoPort));
    EXPECT_FALSE(h.window->deepVerify());
    EXPECT_EQ(h.window->currentEmulator, 0);
    h.window.reset();
    EXPECT_EQ(ReadSetting(ini, "PORT/PORTNUM"), 1);
    EXPECT_EQ(ReadSetting(ini, "FILE/DEEPVERIFY"), 0);
    EXPECT_EQ(ReadSetting(ini, "EMULATOR/ACEMU"), 0);
}

TEST(MainWindowSettings, UnknownTransferModesAreKeptAndWrittenBackSignExtended) {
    for (auto [stored, mode, written] :
         {std::tuple{3, 3, 3}, std::tuple{255, 255, -1}, std::tuple{2, 2, 2}}) {
        WorkingDir settingsDir;
        const QString ini = settingsDir.settingsPath();
        WriteSettings(ini, {{"PORT/SPPEPP", stored}});
        MainWindowOptions options;
        options.settingsIniPath = ini;
        Harness h({0x378}, options);
        ASSERT_TRUE(h.window->Initialise());
        EXPECT_EQ(h.link().TransferMode(), mode);
        EXPECT_EQ(h.Checked(kCmdAutoSppEpp), mode != 2) << stored;
        EXPECT_EQ(h.Checked(kCmdEpp), mode == 2) << stored;
        h.window.reset();
        EXPECT_EQ(ReadSetting(ini, "PORT/SPPEPP"), written);
    }
}

TEST(MainWindowSettings, PortNumberWithoutPortsBecomesOne) {
    WorkingDir settingsDir;
    const QString ini = settingsDir.settingsPath();
    WriteSettings(ini, {{"PORT/PORTNUM", 2}});
    MainWindowOptions options;
    options.settingsIniPath = ini;
    Harness h({}, options);
    ASSERT_TRUE(h.window->Initialise());
    EXPECT_EQ(h.link().ChosenPort(), 1);
    h.window.reset();
    EXPECT_EQ(ReadSetting(ini, "PORT/PORTNUM"), 1);
}

TEST(MainWindowSettings, MenuChangesReachTheStoreOnlyAtExit) {
    WorkingDir settingsDir;
    const QString ini = settingsDir.settingsPath();
    WriteSettings(ini, {{"FILE/DEEPVERIFY", 5}});
    MainWindowOptions options;
    options.settingsIniPath = ini;
    {
        // An untouched non-zero value survives as it was.
        Harness h({0x378}, options);
        ASSERT_TRUE(h.window->Initialise());
        EXPECT_TRUE(h.window->deepVerify());
        EXPECT_TRUE(h.Checked(kCmdDeepVerify));
    }
    EXPECT_EQ(ReadSetting(ini, "FILE/DEEPVERIFY"), 5);
    Harness h({0x378, 0x278}, options);
    ASSERT_TRUE(h.window->Initialise());
    h.window->MenuItem(kCmdDeepVerify)->trigger();
    EXPECT_FALSE(h.window->deepVerify());
    EXPECT_FALSE(h.Checked(kCmdDeepVerify));
    h.window->MenuItem(kCmdDeepVerify)->trigger();
    EXPECT_TRUE(h.Checked(kCmdDeepVerify));
    h.window->MenuItem(kCmdSpp)->trigger();
    EXPECT_TRUE(h.Checked(kCmdSpp));
    EXPECT_FALSE(h.Checked(kCmdAutoSppEpp));
    h.window->MenuItem(kCmdAutoPort + 2)->trigger();
    h.window->MenuItem(kCmdSkipUnchanged)->trigger();
    EXPECT_TRUE(h.window->skipUnchanged());
    EXPECT_EQ(ReadSetting(ini, "PORT/SPPEPP"), 0) << "still the value of the last exit";
    h.window.reset();
    EXPECT_EQ(ReadSetting(ini, "FILE/DEEPVERIFY"), 1);
    EXPECT_EQ(ReadSetting(ini, "FILE/SKIPUNCHANGED"), 1);
    Harness again({0x378, 0x278}, options);
    ASSERT_TRUE(again.window->Initialise());
    EXPECT_TRUE(again.Checked(kCmdSkipUnchanged)) << "read back at the next start";
    EXPECT_EQ(ReadSetting(ini, "PORT/SPPEPP"), 1);
    EXPECT_EQ(ReadSetting(ini, "PORT/PORTNUM"), 2);
}

TEST(MainWindowSettings, MissingWatchTimerEndsTheWindowWithoutTouchingTheStore) {
    WorkingDir settingsDir;
    const QString ini = settingsDir.settingsPath();
    WriteSettings(
        ini,
        {{"FILE/DEEPVERIFY", 1}, {"PORT/PORTNUM", 2}, {"PORT/SPPEPP", 2}, {"EMULATOR/ACEMU", 4}});
    MainWindowOptions options;
    options.settingsIniPath = ini;
    options.failingTimers = {kWatchTimerId};
    Harness h({0x378, 0x278}, options);
    EXPECT_FALSE(h.window->Initialise());
    ASSERT_FALSE(h.prompts.messages.empty());
    EXPECT_EQ(h.prompts.messages.back().text, "Can't alloc Timer 2");
    EXPECT_EQ(h.prompts.messages.back().caption, "ERROR");
    EXPECT_EQ(h.prompts.messages.back().ownerAtShow, h.window.get());
    h.window.reset();
    EXPECT_EQ(ReadSetting(ini, "FILE/DEEPVERIFY"), 1);
    EXPECT_EQ(ReadSetting(ini, "PORT/PORTNUM"), 2);
    EXPECT_EQ(ReadSetting(ini, "PORT/SPPEPP"), 2);
    EXPECT_EQ(ReadSetting(ini, "EMULATOR/ACEMU"), 4);
}

// --- Start-up work, the change watch and the list file ----------------------------------

TEST(MainWindowStartup, FirstTickShowsThePictureScansAndSelectsTheFirstRow) {
    WorkingDir dir;
    PutTwoGames(dir);
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    MainWindow window(*fake.link, prompts, options);
    ASSERT_TRUE(window.Initialise());
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), 0);
    ASSERT_TRUE(WaitFor([&] { return window.firstTickDone && window.libraryRows().Count() == 2; }));
    EXPECT_EQ(prompts.modalDialogs, std::vector<QString>{"startupPicture"});
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
    EXPECT_EQ(window.TimerPeriod(kWatchTimerId), kWatchTimerPeriod);
    EXPECT_EQ(window.libraryView()->SelectedRow(), 0);
    EXPECT_TRUE(window.romInfo()->text().startsWith("Name : "))
        << window.romInfo()->text().toStdString();
    EXPECT_EQ(window.libraryGroup()->title(), "RomList (2 Roms)");
    EXPECT_EQ(window.romListFilePath, "zorvexroms.txt");
    EXPECT_FALSE(ReadFile(dir / "zorvexroms.txt").empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir / "zorvex.tst")));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(MainWindowStartup, ChangesInTheRomDirectoryAreRescannedByTheWatchTimer) {
    WorkingDir dir;
    WriteFile(dir / "roms/2048.gb", Game2048());
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    MainWindow window(*fake.link, prompts, options);
    ASSERT_TRUE(window.Initialise());
    ASSERT_TRUE(WaitFor([&] { return window.firstTickDone && window.libraryRows().Count() == 1; }));

    WriteFile(dir / "roms/adjustris.gb", GameAdjustris());
    ASSERT_TRUE(WaitFor([&] { return window.libraryRows().Count() == 2; }));
    EXPECT_EQ(window.libraryGroup()->title(), "RomList (2 Roms)");
    ASSERT_TRUE(WaitFor([&] {
        auto text = ReadFile(dir / "zorvexroms.txt");
        return std::string(text.begin(), text.end()).find("adjustris.gb") != std::string::npos;
    }));

    // An emptied directory empties the library, Rom Info and the picture.
    QFile::remove(QString::fromStdString(dir / "roms/2048.gb"));
    QFile::remove(QString::fromStdString(dir / "roms/adjustris.gb"));
    ASSERT_TRUE(WaitFor([&] { return window.libraryRows().Count() == 0; }));
    EXPECT_TRUE(window.romInfo()->text().isEmpty());
    EXPECT_FALSE(window.screenshotBitmap.has_value());
    EXPECT_EQ(window.libraryGroup()->title(), "RomList (Empty)");
    EXPECT_TRUE(window.TimerActive(kWatchTimerId));
}

TEST(MainWindowStartup, AFileRewrittenInPlaceIsRescannedByTheWatchTimer) {
    // New content written into an existing file changes its size and
    // last-write time but neither its name nor the directory itself.
    WorkingDir dir;
    WriteFile(dir / "roms/game.gb", Game2048());
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    MainWindow window(*fake.link, prompts, options);
    ASSERT_TRUE(window.Initialise());
    ASSERT_TRUE(WaitFor([&] { return window.firstTickDone && window.libraryRows().Count() == 1; }));
    const std::string before = window.libraryRows().Row(0)[FieldName];
    // The scan's own reading of the files is no change.
    Wait(1200);
    EXPECT_FALSE(window.changeSignalled());

    const std::vector<uint8_t> other = GameAdjustris();
    {
        std::FILE* f = std::fopen((dir / "roms/game.gb").c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(other.data(), 1, other.size(), f), other.size());
        std::fclose(f);
    }
    ASSERT_TRUE(WaitFor(
        [&] {
            return window.libraryRows().Count() == 1 &&
                   window.libraryRows().Row(0)[FieldName] != before;
        },
        4000));
}

// --- Keys, clicks and hints ----------------------------------------------------------------

// The double-click event alone, without the clicks before it.
void DoubleClick(RomListView* view, Qt::MouseButton button, int row) {
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QMouseEvent event(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at), button,
                      button, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &event);
}

// A shown, active window whose first tick has listed the two games. The
// tests below index its rows, so a window that did not get there must end the
// test (see the fixture) instead of letting it read rows that do not exist.
struct ReadyWindow {
    ReadyWindow() : fake({0x378}) {
        PutTwoGames(dir);
        fake.warnings.SetPrompts(&prompts);
        MainWindowOptions options;
        options.settingsIniPath = dir.settingsPath();
        window = std::make_unique<MainWindow>(*fake.link, prompts, options);
        if (!window->Initialise()) return;
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!WaitFor([&] { return window->firstTickDone && window->libraryRows().Count() == 2; }))
            return;
        // The scan's progress window took the activation; give it back.
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        if (!WaitFor([&] { return window->isActiveWindow(); })) return;
        prompts.messages.clear();  // start-up boxes (a missing emu.cfg) are not the test's
        ready = true;
    }
    ~ReadyWindow() {
        if (window) {
            WaitFor([&] { return window->job().done.load() && !window->progress().IsOpen(); });
        }
    }
    WorkingDir dir;
    FakeLink fake;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
    bool ready = false;
};

class ReadyWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(w.ready) << "the window did not start, active, with its two games; rows: "
                             << w.window->libraryRows().Count();
    }
    ReadyWindow w;
};
using MainWindowKeys = ReadyWindowTest;
using MainWindowMouse = ReadyWindowTest;
using MainWindowCommands = ReadyWindowTest;

TEST_F(MainWindowKeys, ReturnFollowsTheFocus) {
    MainWindow& window = *w.window;

    // On the DIZavo list: nothing.
    window.packView()->setFocus();
    KeyClick(window.packView(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.job().fileName.empty());

    // On the library with a selected row: that row is sent, the window stays.
    window.libraryView()->setFocus();
    window.libraryView()->SelectRow(1);
    KeyClick(window.libraryView(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.job().fileName, "roms/" + window.libraryRows().Row(1)[FieldFileName]);
    ASSERT_TRUE(WaitFor([&] { return window.job().done.load() && !window.progress().IsOpen(); }));
    // No card on the fake port: the card layer's message, owned by the progress window.
    ASSERT_EQ(w.prompts.messages.size(), 1u);
    EXPECT_EQ(w.prompts.messages[0].caption, "Error");
    EXPECT_EQ(w.prompts.messages[0].ownerAtShow, &window.progress());

    // On a button (E&xit clicked takes the focus): the window closes.
    window.exitButton()->setFocus();
    KeyClick(window.exitButton(), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(MainWindowKeys, TheLibraryKeepsTheFocusAcrossATransfer) {
    // Return again after a transfer sends again; it must not find the focus
    // gone and close the window.
    MainWindow& window = *w.window;
    window.libraryView()->setFocus();
    window.libraryView()->SelectRow(0);
    ASSERT_TRUE(WaitFor([&] { return window.libraryView()->hasFocus(); }, 1000));
    KeyClick(window.libraryView(), Qt::Key_Return);
    ASSERT_TRUE(window.progress().IsOpen());
    ASSERT_TRUE(WaitFor([&] { return window.job().done.load() && !window.progress().IsOpen(); }));
    EXPECT_EQ(window.focusWidget(), window.libraryView());
    window.job().fileName.clear();
    KeyClick(window.focusWidget() ? window.focusWidget() : &window, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.job().fileName.empty());
}

TEST_F(MainWindowKeys, ExitButtonCloses) {
    w.window->libraryView()->setFocus();
    MouseClick(w.window->exitButton(), Qt::LeftButton);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_TRUE(w.window->job().fileName.empty());
}

TEST_F(MainWindowKeys, EscapeCloses) {
    w.window->libraryView()->setFocus();
    KeyClick(w.window->libraryView(), Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.window->result(), QDialog::Rejected);
}

TEST_F(MainWindowKeys, DigitsOfTheMainKeyboardStartEmulatorsSpaceFillsTheDizavo) {
    MainWindow& window = *w.window;
    window.libraryView()->setFocus();
    window.libraryView()->SelectRow(1);
    KeyClick(window.libraryView(), Qt::Key_7, Qt::KeypadModifier);
    EXPECT_TRUE(w.prompts.messages.empty()) << "the keypad starts nothing";
    KeyClick(window.libraryView(), Qt::Key_7);
    ASSERT_EQ(w.prompts.messages.size(), 1u);
    EXPECT_EQ(w.prompts.messages[0].text, "Emulator 7 not defined!");

    KeyClick(window.libraryView(), Qt::Key_Space);
    ASSERT_EQ(window.packRows().Count(), 1);
    EXPECT_EQ(window.packRows().Row(0)[FieldName], window.libraryRows().Row(1)[FieldName]);
    EXPECT_EQ(window.libraryView()->SelectedRow(), 1) << "Space does not move the selection";

    // Space in the DIZavo list takes the selected row out again.
    window.packView()->setFocus();
    window.packView()->SelectRow(0);
    KeyClick(window.packView(), Qt::Key_Space);
    EXPECT_EQ(window.packRows().Count(), 0);
    EXPECT_EQ(window.StatusText(), kPackHint);
}

TEST_F(MainWindowKeys, HintsFollowMouseFocusAndKeys) {
    MainWindow& window = *w.window;
    EXPECT_EQ(window.hintState(), kHintNone);
    MouseMove(window.libraryView()->viewport(), QPoint(20, 20));
    EXPECT_EQ(window.hintState(), kHintLibrary);
    EXPECT_EQ(window.StatusText(), kLibraryHint);
    MouseMove(window.packView()->viewport(), QPoint(20, 20));
    EXPECT_EQ(window.hintState(), kHintPack);
    EXPECT_EQ(window.StatusText(), kPackHint);
    MouseMove(window.romInfo(), QPoint(5, 5));
    EXPECT_EQ(window.hintState(), kHintEmpty);
    EXPECT_TRUE(window.StatusText().isEmpty());

    window.libraryView()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return window.libraryView()->hasFocus(); }, 1000));
    EXPECT_EQ(window.hintState(), kHintEmpty);
    KeyClick(window.libraryView(), Qt::Key_Down);
    EXPECT_EQ(window.hintState(), kHintLibrary);
    EXPECT_EQ(window.StatusText(), kLibraryHint);
    window.packView()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return window.packView()->hasFocus(); }, 1000));
    EXPECT_EQ(window.StatusText(), "");
    window.exitButton()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return window.exitButton()->hasFocus(); }, 1000));
    EXPECT_EQ(window.hintState(), kHintPack);
    EXPECT_EQ(window.StatusText(), kPackHint);
}

TEST_F(MainWindowMouse, RestingOnARowSelectsItAndShowsItsInfo) {
    MainWindow& window = *w.window;
    ASSERT_EQ(window.libraryView()->SelectedRow(), 0);
    const QRect row1 = window.libraryView()->visualRect(window.libraryView()->model()->index(1, 0));
    MouseMove(window.libraryView()->viewport(), row1.center());
    ASSERT_TRUE(WaitFor([&] { return window.libraryView()->SelectedRow() == 1; }, 2000));
    EXPECT_TRUE(window.romInfo()->text().contains(
        QString::fromStdString(window.libraryRows().Row(1)[FieldName])));
}

TEST_F(MainWindowMouse, EachRowShowsItsOwnPictureElseTheDefaultElseNone) {
    MainWindow& window = *w.window;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(w.dir / "pics")));
    const std::string own = w.dir / ("pics/" + window.libraryRows().Row(0)[FieldScreenshot]);
    const std::string fallback = w.dir / "pics/default.bmp";
    QImage(20, 10, QImage::Format_RGB32).save(QString::fromStdString(own), "BMP");
    QImage(30, 15, QImage::Format_RGB32).save(QString::fromStdString(fallback), "BMP");

    window.libraryView()->SelectRow(1);
    ASSERT_TRUE(window.screenshotBitmap.has_value());
    EXPECT_EQ(window.screenshotBitmap->size(), QSize(30, 15)) << "no picture of its own";
    window.libraryView()->SelectRow(0);
    ASSERT_TRUE(window.screenshotBitmap.has_value());
    EXPECT_EQ(window.screenshotBitmap->size(), QSize(20, 10));
    EXPECT_EQ(window.screenshot()->pixmap().size(), QSize(20, 10));

    // Neither picture: the pane empties and the previous picture is released.
    QFile::remove(QString::fromStdString(fallback));
    window.libraryView()->SelectRow(1);
    EXPECT_FALSE(window.screenshotBitmap.has_value());
    EXPECT_TRUE(window.screenshot()->pixmap().isNull());
    EXPECT_TRUE(w.prompts.messages.empty());
}

TEST_F(MainWindowMouse, RightDoubleClickUndoesTheInsertionOfItsFirstClick) {
    MainWindow& window = *w.window;
    const int row = 1;
    // As if the first click had put library row 1 into the DIZavo as pack row 0.
    const int packRow = window.packRows().InsertRow("copy");
    window.lastInsertedLibraryRow = row;
    window.lastInsertedPackRow = packRow;
    DoubleClick(window.libraryView(), Qt::RightButton, 0);
    EXPECT_EQ(window.packRows().Count(), 1) << "a double click on another row changes nothing";
    DoubleClick(window.libraryView(), Qt::RightButton, row);
    EXPECT_EQ(window.packRows().Count(), 0);
    // Removing the row leaves the record of the insertion as it was.
    EXPECT_EQ(window.lastInsertedLibraryRow, row);
    EXPECT_EQ(window.lastInsertedPackRow, packRow);
    // A failed insertion (-1) removes nothing.
    window.packRows().InsertRow("other");
    window.lastInsertedPackRow = -1;
    DoubleClick(window.libraryView(), Qt::RightButton, row);
    EXPECT_EQ(window.packRows().Count(), 1);
}

TEST_F(MainWindowMouse, LeftDoubleClickSendsTheRow) {
    MainWindow& window = *w.window;
    DoubleClick(window.libraryView(), Qt::LeftButton, 0);
    EXPECT_EQ(window.job().fileName, "roms/" + window.libraryRows().Row(0)[FieldFileName]);
}

TEST_F(MainWindowCommands, SendRomAsksWithTheRightRequesterAndRemembersItsDirectory) {
    MainWindow& window = *w.window;
    w.prompts.answers.push_back({});
    window.MenuItem(kCmdSendRom)->trigger();
    ASSERT_EQ(w.prompts.requests.size(), 1u);
    const FileRequest& request = w.prompts.requests[0];
    EXPECT_EQ(request.title, "Transfer Rom");
    EXPECT_EQ(request.filter,
              "Gameboy Roms (*.gb;*.gbc;*.zip)|*.gb;*.gbc;*.zip|All Files (*.*)|*.*||");
    EXPECT_TRUE(request.mustExist);
    EXPECT_FALSE(request.multiSelect);
    EXPECT_EQ(request.directory, window.directories().working);
    EXPECT_TRUE(window.job().fileName.empty()) << "cancel sends nothing";

    TempDir elsewhere;
    WriteFile(elsewhere / "x.gb", RomBuilder().Title("X").Build());
    w.prompts.answers.push_back({elsewhere / "x.gb"});
    window.MenuItem(kCmdSendRom)->trigger();
    EXPECT_EQ(window.job().fileName, elsewhere / "x.gb");
    EXPECT_EQ(window.directories().requester, elsewhere.path());
    EXPECT_EQ(QDir::currentPath().toStdString(), window.directories().working);
}

// --- The ROM folder -----------------------------------------------------------------------

TEST(MainWindowRomFolder, TheEmptyLibraryNamesTheFolderAndFileOpensIt) {
    Harness h({0x378});
    ASSERT_TRUE(h.window->Initialise());
    const QString folder = QDir::current().absoluteFilePath("roms");
    EXPECT_TRUE(h.window->libraryView()->emptyText().contains(folder))
        << h.window->libraryView()->emptyText().toStdString();
    h.window->MenuItem(kCmdOpenRomFolder)->trigger();
    h.prompts.folderOpens = false;
    h.window->MenuItem(kCmdOpenRomFolder)->trigger();
    ASSERT_EQ(h.prompts.openedFolders.size(), 2u);
    EXPECT_EQ(QDir(QString::fromStdString(h.prompts.openedFolders[0])), QDir(folder));
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, "Can't open " + h.prompts.openedFolders[1]);
}

TEST(MainWindowRomFolder, DroppedRomFilesAreCopiedAndNothingIsReplacedUnasked) {
    Harness h({0x378});
    ASSERT_TRUE(h.window->Initialise());
    TempDir outside;
    const std::vector<uint8_t> first = RomBuilder().Title("FIRST").Build();
    const std::vector<uint8_t> second = RomBuilder().Title("SECOND").Build();
    WriteFile(outside / "game.GBC", first);
    WriteFile(outside / "notes.txt", {'x'});
    auto drop = [&](const std::vector<std::string>& names) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& name : names)
            urls << QUrl::fromLocalFile(QString::fromStdString(outside / name));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.window.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.window.get(), &dropped);
        Wait(20);
        return true;
    };
    EXPECT_FALSE(drop({"notes.txt"})) << "nothing to take";
    ASSERT_TRUE(drop({"game.GBC", "notes.txt"}));
    EXPECT_EQ(ReadFile(h.dir / "roms/game.GBC"), first);
    EXPECT_FALSE(std::filesystem::exists(h.dir / "roms/notes.txt"));
    EXPECT_TRUE(h.prompts.questions.empty());

    WriteFile(outside / "game.GBC", second);
    for (bool replace : {false, true}) {
        h.prompts.yesNoAnswers = {replace};
        ASSERT_TRUE(drop({"game.GBC"}));
        EXPECT_EQ(ReadFile(h.dir / "roms/game.GBC"), replace ? second : first);
    }
    EXPECT_EQ(h.prompts.questions,
              std::vector<std::string>(2, "roms/game.GBC already exists. Replace it?"));
    EXPECT_TRUE(h.prompts.messages.empty());
}

}  // namespace
}  // namespace zorvex::test
