// What the library shows and sends after the watch timer's rescan has dropped
// and rebuilt rows: the selection never lands on a row the user did not pick,
// Rom Info describes only the rows its notifications named, and Return sends
// the user's row or nothing.
#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
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

enum class Change { Touch, Delete, CutRom, GbCrc, IpsPatch, NewFile };

struct SelectionCase {
    Change change;
    bool changedRowIsSelected;  // else the user picked the row after it
};

std::string CaseName(const ::testing::TestParamInfo<SelectionCase>& info) {
    static const char* const kNames[] = {"Touch", "Delete",   "CutRom",
                                         "GbCrc", "IpsPatch", "NewFile"};
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
        // A patch renaming BRAVO to AAAVO, which moves its row to the top.
        const std::string ips("PATCH\0\1\x34\0\2AAEOF", 15);
        WriteFile(dir / "fix.ips", {ips.begin(), ips.end()});
        // Pictures of different sizes tell the screenshots apart.
        QDir().mkpath(QString::fromStdString(dir / "pics"));
        int side = 10;
        for (const char* name : {"alpha", "bravo", "charlie", "delta"}) {
            QImage(side, side, QImage::Format_RGB32)
                .save(QString::fromStdString(dir / "pics/" + name + ".bmp"), "BMP");
            side += 10;
        }

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
            case Change::NewFile:
                // Sorts first, so every row after it moves down.
                return Put("aaa.gb", RomBuilder().Title("AAA").Build());
        }
    }

    WorkingDir dir;
    FakeLink fake{{0x378}};
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
};

TEST_P(LibrarySelectionTest, RomInfoDescribesTheHighlightedRow) {
    const SelectionCase c = GetParam();
    MainWindow& w = *window;
    const std::string picked = c.changedRowIsSelected ? "bravo.gb" : "charlie.gb";
    Click(RowOf(picked));
    ASSERT_EQ(w.libraryView()->SelectedRow(), RowOf(picked));
    ASSERT_TRUE(w.libraryView()->hasFocus());
    const QString pickedInfo = w.romInfo()->text();
    const int rowsBefore = w.libraryRows().Count();
    const std::string keyBefore = w.libraryRows().Row(RowOf("bravo.gb"))[FieldFileAttributes];

    // Every item change during the rescan, with the file its row had then.
    std::vector<std::string> notified;
    QObject::connect(w.libraryView(), &RomListView::ItemChanged, &w, [&](int row) {
        notified.push_back(row < 0 ? "" : w.libraryRows().Row(row)[FieldFileName]);
    });
    Apply(c.change, dir / "roms/bravo.gb");
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    ASSERT_TRUE(WaitFor([&] {
        if (c.change == Change::Delete) return w.libraryRows().Count() == rowsBefore - 1;
        if (c.change == Change::NewFile) return w.libraryRows().Count() == rowsBefore + 1;
        const int row = RowOf("bravo.gb");
        return row >= 0 && w.libraryRows().Row(row)[FieldFileAttributes] != keyBefore;
    }));
    Wait(50);  // the highlight is looked at once the loop runs

    // Highlighted: the picked file's row, rebuilt or not, or nothing when it went.
    const bool gone = c.changedRowIsSelected && c.change == Change::Delete;
    const std::string highlighted = gone ? "" : picked;
    const int expected = gone ? -1 : RowOf(picked);
    ASSERT_TRUE(gone || expected >= 0);
    EXPECT_EQ(w.libraryView()->SelectedRow(), expected);
    EXPECT_EQ(w.libraryView()->selectionModel()->selectedRows().size(), gone ? 0 : 1);

    // Rom Info follows only the highlighted row: a change of another row
    // leaves it alone; its own change refreshes it (or empties it).
    if (c.changedRowIsSelected) {
        ASSERT_FALSE(notified.empty());
        EXPECT_EQ(notified.back(), highlighted);
    } else {
        EXPECT_TRUE(notified.empty()) << notified.front();
        EXPECT_EQ(w.romInfo()->text(), pickedInfo);
    }
    const QString info = w.romInfo()->text();
    const QSize picture = w.screenshot()->pixmap().size();
    if (gone) {
        EXPECT_TRUE(info.isEmpty()) << info.toStdString();
        EXPECT_TRUE(w.screenshot()->pixmap().isNull());
    }

    // Return: the highlighted row, or nothing at all.
    ASSERT_TRUE(w.libraryView()->hasFocus());
    KeyClick(w.libraryView(), Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.job().fileName, gone ? "" : "roms/" + picked);
    if (gone) return;

    // What is shown is what picking the row afresh shows.
    ASSERT_TRUE(WaitFor([&] { return w.job().done.load() && !w.progress().IsOpen(); }));
    Click(RowOf(picked == "charlie.gb" ? "delta.gb" : "charlie.gb"));
    Click(RowOf(picked));
    EXPECT_EQ(info, w.romInfo()->text());
    EXPECT_EQ(picture, w.screenshot()->pixmap().size());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, LibrarySelectionTest,
    ::testing::Values(SelectionCase{Change::Touch, true}, SelectionCase{Change::Touch, false},
                      SelectionCase{Change::Delete, true}, SelectionCase{Change::Delete, false},
                      SelectionCase{Change::CutRom, true}, SelectionCase{Change::CutRom, false},
                      SelectionCase{Change::GbCrc, true}, SelectionCase{Change::GbCrc, false},
                      SelectionCase{Change::IpsPatch, true}, SelectionCase{Change::IpsPatch, false},
                      SelectionCase{Change::NewFile, false}),
    CaseName);

}  // namespace
}  // namespace zorvex::test
