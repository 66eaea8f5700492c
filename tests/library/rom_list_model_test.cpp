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

// Records each notification with the row count the model shows at that
// moment, so the order "announce, change, report" can be checked.
class Recorder final : public RomListObserver {
  public:
    explicit Recorder(const RomListModel& list) : list_(list) {}
    // Appended: "<+" + std::to_string(row) makes GCC 12 at -O3 warn wrongly
    // (-Wrestrict, GCC bugs 105329 and 105651).
    void RowAboutToBeInserted(int row) override {
        Add(std::string("<+").append(std::to_string(row)));
    }
    void RowInserted(int row) override { Add(std::string("+").append(std::to_string(row))); }
    void RowAboutToBeRemoved(int row) override {
        Add(std::string("<-").append(std::to_string(row)));
    }
    void RowRemoved(int row) override { Add(std::string("-").append(std::to_string(row))); }
    void FieldChanged(int row, int field) override {
        Add(std::to_string(row) + "." + std::to_string(field));
    }
    void AboutToReset() override { Add("<reset"); }
    void Reset() override { Add("reset"); }
    std::vector<std::string> events;

  private:
    void Add(const std::string& event) {
        events.push_back(event + "@" + std::to_string(list_.Count()));
    }
    const RomListModel& list_;
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
    Recorder recorder(list);
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
    // Every insert, removal and reset is announced while the old rows are
    // still there and reported once they have changed; refusals say nothing.
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"<+0@0", "+0@1", "<+0@1", "+0@2", "1.3@2", "<-0@2", "-0@1",
                                        "<+1@1", "+1@2", "<+2@2", "+2@3", "<reset@3", "reset@0"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(RomListModel, AssignmentReportsAResetToBothViews) {
    RomListModel source;
    source.InsertRow("one");
    source.InsertRow("two");
    RomListModel target;
    target.InsertRow("old");
    Recorder sourceView(source);
    Recorder targetView(target);
    source.SetObserver(&sourceView);
    target.SetObserver(&targetView);

    target = RomListModel(source);  // a copy: the source keeps its rows
    EXPECT_EQ(targetView.events, (std::vector<std::string>{"<reset@1", "reset@2"}));
    EXPECT_TRUE(sourceView.events.empty());

    targetView.events.clear();
    target = std::move(source);  // both change: the target's rows, the emptied source
    EXPECT_EQ(targetView.events, (std::vector<std::string>{"<reset@2", "reset@2"}));
    EXPECT_EQ(sourceView.events, (std::vector<std::string>{"<reset@2", "reset@0"}));
    EXPECT_EQ(source.Count(), 0);  // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(target.Row(1)[FieldName], "two");
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
