// The row store behind both list views.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/rom_list_model.h"

namespace zorvex {
namespace {

std::vector<std::string> Names(const RomListModel& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Row(i)[FieldName]);
    return out;
}

class Recorder final : public RomListObserver {
  public:
    // Appended: "+" + std::to_string(row) makes GCC 12 at -O3 warn wrongly
    // (-Wrestrict, GCC bugs 105329 and 105651).
    void RowInserted(int row) override {
        events.push_back(std::string("+").append(std::to_string(row)));
    }
    void RowRemoved(int row) override {
        events.push_back(std::string("-").append(std::to_string(row)));
    }
    void FieldChanged(int row, int field) override {
        events.push_back(std::to_string(row) + "." + std::to_string(field));
    }
    void Reset() override { events.push_back("reset"); }
    std::vector<std::string> events;
};

TEST(RomListModel, KeepsNameOrderIgnoringCaseWithEqualNamesInInsertionOrder) {
    RomListModel list;
    for (const char* name : {"tetris", "Alleyway", "ZELDA", "alleyway", "", "Tetris"}) {
        const int row = list.InsertRow(name);
        ASSERT_GE(row, 0);
        ASSERT_TRUE(list.SetField(row, FieldFileName, std::string(name) + ".gb"));
    }
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"", "Alleyway", "alleyway", "tetris", "Tetris", "ZELDA"}));
    // Fields travel with their row.
    EXPECT_EQ(list.Row(4)[FieldFileName], "Tetris.gb");
    // Renaming a row does not move it, as with the list control.
    ASSERT_TRUE(list.SetField(0, FieldName, "zzz"));
    EXPECT_EQ(list.Row(0)[FieldName], "zzz");
}

TEST(RomListModel, TellsItsObserverAndRefusesOnRequest) {
    RomListModel list;
    Recorder recorder;
    list.SetObserver(&recorder);
    list.InsertRow("b");
    list.InsertRow("a");
    list.SetField(1, FieldCrc, "x");
    EXPECT_FALSE(list.SetField(2, FieldCrc, "x"));
    EXPECT_FALSE(list.SetField(0, kRomFieldCount, "x"));
    list.RemoveRow(0);
    EXPECT_FALSE(list.RemoveRow(5));
    list.RefuseAfter(1);
    EXPECT_GE(list.InsertRow("c"), 0);
    EXPECT_EQ(list.InsertRow("d"), -1);
    EXPECT_GE(list.InsertRow("d"), 0);
    list.Clear();
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"+0", "+0", "1.3", "-0", "+1", "+2", "reset"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(RomListModel, CopiesAreIndependent) {
    RomListModel list;
    list.InsertRow("one");
    RomListModel copy = list;
    copy.SetField(0, FieldName, "changed");
    copy.InsertRow("two");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Row(0)[FieldName], "one");
    list = copy;
    EXPECT_EQ(list.Snapshot(), copy.Snapshot());
}

}  // namespace
}  // namespace zorvex
