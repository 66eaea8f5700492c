#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace zorvex {

enum RomField : int {
    FieldName = 0,
    FieldSize = 1,
    FieldFileName = 2,
    FieldCrc = 3,
    FieldAttributes = 4,
    FieldScreenshot = 5,
    FieldFileAttributes = 6,
};
inline constexpr int kRomFieldCount = 7;

// One library or DIZavo row: seven text fields.
struct RomEntry {
    std::array<std::string, kRomFieldCount> fields;
    const std::string& operator[](int field) const { return fields[static_cast<size_t>(field)]; }
    std::string& operator[](int field) { return fields[static_cast<size_t>(field)]; }
    bool operator==(const RomEntry&) const = default;
};

// Told about every change, so a view can follow the model. Insertions,
// removals and resets are announced before the rows change and reported after
// (a view keeps row positions of its own, the selection and the current row,
// and must move them while the old rows are still there); a field change is
// reported after it.
class RomListObserver {
  public:
    virtual ~RomListObserver() = default;
    virtual void RowAboutToBeInserted(int row) = 0;
    virtual void RowInserted(int row) = 0;
    virtual void RowAboutToBeRemoved(int row) = 0;
    virtual void RowRemoved(int row) = 0;
    virtual void FieldChanged(int row, int field) = 0;
    virtual void AboutToReset() = 0;
    virtual void Reset() = 0;
};

// The rows of the library list or of the DIZavo list: the only store of them.
// Rows stay in ascending order of their Name as it was when they were inserted,
// compared without regard to ASCII letter case, so that a reader finds "tetris"
// next to "Tetris DX"; a new row goes after rows with an equal name, so equal
// names keep the order they were added in.
class RomListModel {
  public:
    RomListModel() = default;
    // A copy or a moved-to model holds the rows and no observer; assigning
    // keeps the observer of the model assigned to and reports a reset to it.
    RomListModel(const RomListModel& other);
    RomListModel& operator=(const RomListModel& other);
    RomListModel(RomListModel&& other) noexcept;
    RomListModel& operator=(RomListModel&& other) noexcept;

    int Count() const { return static_cast<int>(rows_.size()); }
    const RomEntry& Row(int row) const { return *rows_[static_cast<size_t>(row)]; }
    // A copy of every row in display order (tests and checks; the program
    // walks the rows with Count() and Row()).
    std::vector<RomEntry> Snapshot() const;

    // Inserts a row with this Name at its sorted place; the index, or -1 when refused.
    int InsertRow(const std::string& name);
    // Sets field 1..6 of a row (field 0 too, without moving the row); false when refused.
    bool SetField(int row, int field, const std::string& text);
    bool RemoveRow(int row);
    void Clear();

    void SetObserver(RomListObserver* observer) { observer_ = observer; }

    // Files a library scan found unusable and has reported, by key (File
    // Attributes text and name, as a row's FileKey): each is reported once,
    // and again only when it has changed. Not rows, so Clear() keeps them.
    std::set<std::string>& reportedFiles() { return reportedFiles_; }

    // Test seam: the n-th following insert or set (0 = the next one) is refused,
    // as a list control refuses an item when out of memory. Negative: never.
    void RefuseAfter(int operations) { refuseCountdown_ = operations; }

  private:
    bool Refuse();

    // Held by pointer so that an insertion in the middle of a large library
    // moves pointers, not seven strings per row.
    std::vector<std::unique_ptr<RomEntry>> rows_;
    std::set<std::string> reportedFiles_;
    RomListObserver* observer_ = nullptr;
    int refuseCountdown_ = -1;
};

}  // namespace zorvex
