// What the library shows and sends after the watch timer's rescan has dropped
// and rebuilt rows: the selection never lands on a row the user did not pick,
// Rom Info describes only the rows its notifications named, and Return sends
// the user's row or nothing.
#include <gtest/gtest.h>
#include <QLabel>
#include <chrono>
#include <filesystem>

#include "app/main_window.h"
#include "app/rom_list_view.h"
#include "tests/app/app_test_support.h"

namespace zorvex::test {
namespace {

using app::MainWindow;
using app::MainWindowOptions;
using app::RomListView;

enum class Change { Touch, Delete, CutRom, GbCrc, IpsPatch };

struct SelectionCase {
    Change change;
    bool changedRowIsSelected;  // else the user picked the row after it
};

std::string CaseName(const ::testing::TestParamInfo<SelectionCase>& info) {
    static const char* const kNames[] = {"Touch", "Delete", "CutRom", "GbCrc", "IpsPatch"};
    return std::string(kNames[static_cast<int>(info.param.change)]) +
           (info.param.changedRowIsSelected ? "OfTheSelectedRow" : "OfAnotherRow");
}

class LibrarySelectionTest : public ::testing::TestWithParam<SelectionCase> {
  protected:
    void SetUp() override {
        TestApp();
        // BRAVO is 64 KiB with 32 KiB of trailing fill, so Cut Rom shortens it,
        // and its checksums are wrong, so GB-CRC changes its bytes too.
        Put("alpha.gb", RomBuilder().Title("ALPHA").Build());
        Put("bravo.gb", RomBuilder(0x10000)
                            .Title("BRAVO")
                            .RomSizeCode(1)
                            .Pattern(0x150, 0x8000, 7)
                            .Fill(0x8000, 0xFF)
                            .Set(0x14E, 0)
                            .KeepChecksums()
                            .Build());
        Put("charlie.gb", RomBuilder().Title("CHARLIE").Build());
        Put("delta.gb", RomBuilder().Title("DELTA").Build());
        // A patch writing "HI" at 0x150, outside the library.
        const std::string ips("PATCH\0\1\x50\0\2HIEOF", 15);
        WriteFile(dir / "fix.ips", {ips.begin(), ips.end()});

        fake.warnings.SetPrompts(&prompts);
        MainWindowOptions options;
        options.settingsIniPath = dir.settingsPath();
        window = std::make_unique<MainWindow>(*fake.link, prompts, options);
        ASSERT_TRUE(window->Initialise());
        window->show();
        ASSERT_TRUE(
            WaitFor([&] { return window->firstTickDone && window->libraryRows().Count() == 4; }));
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));
        prompts.messages.clear();
    }
    void TearDown() override {
        if (window)
            WaitFor([&] { return window->job().done.load() && !window->progress().IsOpen(); });
    }

    void Put(const std::string& name, const std::vector<uint8_t>& image) {
        WriteFile(dir / ("roms/" + name), image);
    }
    int RowOf(const std::string& fileName) const {
        for (int row = 0; row < window->libraryRows().Count(); ++row)
            if (window->libraryRows().Row(row)[FieldFileName] == fileName) return row;
        return -1;
    }
    // A click on the row, as the user picks it; the list takes the focus.
    void Click(int row) {
        RomListView* view = window->libraryView();
        MouseClick(view->viewport(), Qt::LeftButton,
                   view->visualRect(view->model()->index(row, 1)).center());
    }
    void Apply(Change change, const std::string& path) {
        namespace fs = std::filesystem;
        switch (change) {
            case Change::Touch:
                fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
                return;
            case Change::Delete:
                fs::remove(path);
                return;
            case Change::CutRom:
                prompts.answers = {{path}, {path}};
                return window->CutRomCommand();
            case Change::GbCrc:
                prompts.answers = {{path}, {path}};
                return window->CalculateGbCrcCommand();
            case Change::IpsPatch:
                prompts.answers = {{path}, {dir / "fix.ips"}, {path}};
                return window->IpsPatchCommand();
        }
    }

    WorkingDir dir;
    FakeLink fake{{0x378}};
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
};

TEST_P(LibrarySelectionTest, RescanKeepsTheUsersChoice) {
    const SelectionCase c = GetParam();
    MainWindow& w = *window;
    const std::string picked = c.changedRowIsSelected ? "bravo.gb" : "charlie.gb";
    Click(RowOf(picked));
    ASSERT_EQ(w.libraryView()->SelectedRow(), RowOf(picked));
    ASSERT_TRUE(w.libraryView()->hasFocus());
    const QString pickedInfo = w.romInfo()->text();
    const std::string keyBefore = w.libraryRows().Row(RowOf("bravo.gb"))[FieldFileAttributes];

    // Every item change during the rescan, with the name its row had then.
    std::vector<std::string> notified;
    QObject::connect(w.libraryView(), &RomListView::ItemChanged, &w,
                     [&](int row) { notified.push_back(w.libraryRows().Row(row)[FieldName]); });
    Apply(c.change, dir / "roms/bravo.gb");
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    ASSERT_TRUE(WaitFor([&] {
        if (c.change == Change::Delete) return w.libraryRows().Count() == 3;
        const int row = RowOf("bravo.gb");
        return row >= 0 && w.libraryRows().Row(row)[FieldFileAttributes] != keyBefore;
    }));
    Wait(50);  // the rebuilt row's item change is reported once the loop runs

    const bool rebuilt = c.change != Change::Delete;
    for (const std::string& name : notified) EXPECT_EQ(name, "BRAVO");
    EXPECT_EQ(notified.empty(), !rebuilt);

    // Selected: the user's row where it is now, or nothing when that row went.
    const int expected = c.changedRowIsSelected ? -1 : RowOf("charlie.gb");
    EXPECT_EQ(w.libraryView()->SelectedRow(), expected);
    EXPECT_EQ(w.libraryView()->selectionModel()->selectedRows().size(), expected == -1 ? 0 : 1);

    // Rom Info: the rebuilt row, else what it showed (no notification since).
    if (rebuilt) {
        EXPECT_TRUE(w.romInfo()->text().startsWith("Name : BRAVO\n"))
            << w.romInfo()->text().toStdString();
    } else {
        EXPECT_EQ(w.romInfo()->text(), pickedInfo);
    }

    // Return: the user's row, or nothing at all.
    ASSERT_TRUE(w.libraryView()->hasFocus());
    KeyClick(w.libraryView(), Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.job().fileName, c.changedRowIsSelected ? "" : "roms/charlie.gb");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, LibrarySelectionTest,
    ::testing::Values(SelectionCase{Change::Touch, true}, SelectionCase{Change::Touch, false},
                      SelectionCase{Change::Delete, true}, SelectionCase{Change::Delete, false},
                      SelectionCase{Change::CutRom, true}, SelectionCase{Change::GbCrc, true},
                      SelectionCase{Change::IpsPatch, true},
                      SelectionCase{Change::IpsPatch, false}),
    CaseName);

}  // namespace
}  // namespace zorvex::test
