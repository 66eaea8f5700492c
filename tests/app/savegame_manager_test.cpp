// The Savegame Manager dialog with real widgets: layout, the Return rule, the
// selection reaching the operations, locking during card loops, Cancel in the
// progress window, and a fresh list at every opening.
#include "app/savegame_manager.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>

#include "tests/app/app_test_support.h"
#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::app {
namespace {

using zorvex::test::PatternBytes;
using zorvex::test::SimCardRig;
using zorvex::test::TempDir;

class SavegameManagerDialog : public ::testing::Test {
  protected:
    SavegameManagerDialog() : card(4) {}

    void SelectRows(SavegameManager& dialog, std::initializer_list<int> rows) {
        auto* list = dialog.slotList();
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    SimCardRig card;
    SaveRamImage ram{};  // the main window's, kept from one opening to the next
    std::atomic<bool> cancel{false};
    test::ScriptedPrompts prompts;
    RequesterDirectories directories;
};

TEST_F(SavegameManagerDialog, ShowsSixteenSlotRowsThreeColumnsAndTheButtonsInTheirGroups) {
    SavegameManager dialog(nullptr, *card.link, ram, cancel, prompts, directories);
    EXPECT_EQ(dialog.windowTitle(), "Savegame Manager");
    auto* list = dialog.slotList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->objectName(), "control1035");
    ASSERT_EQ(list->rowCount(), 16);
    ASSERT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->item(0, 0)->text(), "Slot 00");
    EXPECT_EQ(list->item(15, 0)->text(), "Slot 15");
    const QStringList titles{"Slot", "Game (ROM)", "FileName"};
    const int widths[] = {40, 130, 236};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), titles[c]);
        // At least the template's width, and wide enough for every text:
        // "Slot 00" does not fit into 40 pixels at today's fonts.
        EXPECT_GE(list->columnWidth(c), widths[c]);
        EXPECT_GE(list->columnWidth(c), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c))
            << c;
        EXPECT_GE(list->columnWidth(c), list->horizontalHeader()->sectionSizeHint(c)) << c;
    }
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);

    struct Expected {
        int id;
        const char* label;
        const char* group;
    };
    const Expected buttons[] = {
        {1000, "&SRAM->PC", "Transfer"},      {1030, "&PC->SRAM", "Transfer"},
        {1037, "Slo&t(s)->PC", "Transfer"},   {1038, "P&C->Slot(s)", "Transfer"},
        {1031, "&Load SRAM", "Load/Save"},    {1032, "S&ave SRAM", "Load/Save"},
        {1033, "L&oad Slot(s)", "Load/Save"}, {1034, "Sa&ve Slot(s)", "Load/Save"},
        {1036, "Scan &Rom", nullptr},         {2, "E&xit", nullptr},
    };
    for (const auto& b : buttons) {
        QPushButton* button = dialog.button(b.id);
        ASSERT_NE(button, nullptr) << b.id;
        EXPECT_EQ(button->text(), b.label);
        auto* group = qobject_cast<QGroupBox*>(button->parentWidget());
        if (b.group) {
            ASSERT_NE(group, nullptr) << b.label;
            EXPECT_EQ(group->title(), b.group);
        } else {
            EXPECT_EQ(group, nullptr) << b.label;
        }
    }
}

TEST_F(SavegameManagerDialog, ReturnClosesUnlessTheSlotListHasTheFocus) {
    SavegameManager dialog(nullptr, *card.link, ram, cancel, prompts, directories);
    dialog.show();
    dialog.slotList()->setFocus();
    test::KeyClick(dialog.slotList(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // On a button Return closes the dialog instead of pressing the button.
    QPushButton* load = dialog.button(kIdLoadSram);
    load->setFocus();
    test::KeyClick(load, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompts.requests.empty());
}

TEST_F(SavegameManagerDialog, ReopeningShowsEmptyColumnsWhileTheImageKeepsItsData) {
    TempDir dir;
    const auto file = PatternBytes(36 * 1024, 11);
    test::WriteFile(dir / "game.sav", file);
    card.Lay({test::RomBuilder().Title("KEEPER").RamSizeCode(2).Build()});
    {
        SavegameManager first(nullptr, *card.link, ram, cancel, prompts, directories);
        prompts.answers.push_back({dir / "game.sav"});
        first.button(kIdLoadSram)->click();
        first.button(kIdScanRom)->click();
        EXPECT_EQ(first.slotList()->item(4, 2)->text().toStdString(), dir / "game.sav");
        EXPECT_EQ(first.slotList()->item(0, 1)->text(), "KEEPER");
        first.button(kIdSavegameExit)->click();
        EXPECT_EQ(first.result(), QDialog::Rejected);
    }
    SavegameManager second(nullptr, *card.link, ram, cancel, prompts, directories);
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(second.slotList()->item(row, 1)->text(), "");
        EXPECT_EQ(second.slotList()->item(row, 2)->text(), "");
    }
    EXPECT_TRUE(std::equal(file.begin(), file.end(), ram.begin()));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SavegameManagerDialog, ControlsAreLockedWhileACardLoopRuns) {
    SavegameManager dialog(nullptr, *card.link, ram, cancel, prompts, directories);
    dialog.show();
    // Rows chosen in the widget; slot 6 is beyond this 4-slot card: a box mid-loop.
    SelectRows(dialog, {2, 6});
    TempDir dir;
    prompts.answers.push_back({dir / "inner.sav"});
    bool listEnabled = true;
    int enabledButtons = 0;
    prompts.whileMessageOpen = [&](const test::ScriptedPrompts::Message&) {
        listEnabled = dialog.slotList()->isEnabled();
        for (int id : {1000, 1030, 1031, 1032, 1033, 1034, 1036, 1037, 1038, 2})
            enabledButtons += dialog.button(id)->isEnabled() ? 1 : 0;
        dialog.button(kIdSaveSram)->click();  // a click that reaches a locked button
        dialog.reject();                      // and the close box
    };
    dialog.button(kIdSlotsToPc)->click();
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages.at(0).text, "Can't write Slot 6 (Card has only 4 Slots)");
    EXPECT_FALSE(listEnabled);
    EXPECT_EQ(enabledButtons, 0);
    EXPECT_TRUE(prompts.requests.empty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.button(kIdSaveSram)->isEnabled());
    EXPECT_TRUE(dialog.slotList()->isEnabled());
    EXPECT_FALSE(dialog.progress().IsOpen());
}

TEST_F(SavegameManagerDialog, CancelInTheProgressWindowStopsAfterTheCurrentSlot) {
    SimCardRig big(16);
    const auto before = PatternBytes(kSramImageSize, 1);
    std::copy(before.begin(), before.end(), ram.begin());
    std::fill(big.sram().begin(), big.sram().end(), 0x00);
    QDialog mainWindow;
    mainWindow.show();
    SavegameManager dialog(&mainWindow, *big.link, ram, cancel, prompts, directories);
    dialog.setWindowModality(Qt::ApplicationModal);  // as when it runs modally
    dialog.show();
    // Cancel is pressed as soon as the window handles its first events. The
    // window must belong to the modal manager, or it would take no input.
    bool ownedByManager = false;
    QTimer::singleShot(0, &dialog, [&] {
        QWindow* handle = dialog.progress().windowHandle();
        ownedByManager = dialog.progress().owner() == &dialog && handle &&
                         handle->transientParent() == dialog.windowHandle();
        dialog.progress().cancelButton()->click();
    });
    dialog.button(kIdSramToPc)->click();
    EXPECT_TRUE(ownedByManager);
    EXPECT_FALSE(dialog.progress().IsOpen());
    EXPECT_TRUE(dialog.isEnabled());
    const auto& image = ram;
    EXPECT_TRUE(std::all_of(image.begin(), image.begin() + 8192, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(before.begin() + 8192, before.end(), image.begin() + 8192));
    EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
}  // namespace zorvex::app
