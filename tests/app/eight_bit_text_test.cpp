// Cartridge titles are plain 8-bit text: a byte 0x80-0xFF shows as its Latin-1
// character, never as a replacement mark, wherever the window shows a title.
#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QTableWidget>

#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "app/savegame_manager.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using namespace zorvex::app;

const char kTitle[] = "CAF\xC9 \xA9\xFF";  // "CAFÉ ©ÿ" in Latin-1, not valid UTF-8

TEST(EightBitText, TitlesShowAsLatin1InTheListsAndTheRomInfo) {
    TestApp();
    WorkingDir dir;
    WriteFile(dir / "roms/cafe.gb", RomBuilder().Title(kTitle).Build());
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    fake.warnings.SetPrompts(&prompts);
    MainWindowOptions options;
    options.settingsIniPath = dir.settingsPath();
    MainWindow window(*fake.link, prompts, options);
    ASSERT_TRUE(window.Initialise());
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.firstTickDone && window.libraryRows().Count() == 1; }));

    const QString title = QString::fromLatin1(kTitle);
    EXPECT_EQ(window.libraryRows().Row(0)[FieldName], kTitle);  // stored as read
    EXPECT_EQ(window.libraryView()->model()->index(0, FieldName).data().toString(), title);
    window.libraryView()->SelectRow(0);
    EXPECT_TRUE(window.romInfo()->text().startsWith("Name : " + title + "\n"))
        << window.romInfo()->text().toStdString();
    window.AddLibraryRowToPack(0);
    EXPECT_EQ(window.packView()->model()->index(0, FieldName).data().toString(), title);
    // File names are the file system's own (UTF-8) text.
    window.libraryRows().SetField(0, FieldFileName, "caf\xC3\xA9.gb");
    EXPECT_EQ(window.libraryView()->model()->index(0, FieldFileName).data().toString(),
              QString::fromUtf8("caf\xC3\xA9.gb"));
}

TEST(EightBitText, SlotGamesShowAsLatin1InTheSavegameManager) {
    TestApp();
    FakeLink fake({0x378});
    ScriptedPrompts prompts;
    RequesterDirectories directories;
    SaveRamImage ram{};
    std::atomic<bool> cancel{false};
    SavegameManager dialog(nullptr, *fake.link, ram, cancel, prompts, directories);
    dialog.slotState().SetItem(3, SlotColumnGame, kTitle);
    dialog.slotState().SetItem(3, SlotColumnFileName, "caf\xC3\xA9.sav");
    EXPECT_EQ(dialog.slotList()->item(3, SlotColumnGame)->text(), QString::fromLatin1(kTitle));
    EXPECT_EQ(dialog.slotList()->item(3, SlotColumnFileName)->text(),
              QString::fromUtf8("caf\xC3\xA9.sav"));
}

}  // namespace
}  // namespace zorvex::test
