#pragma once

#include <array>
#include <string>
#include <vector>

namespace zorvex {

inline constexpr int kSlotCount = 16;  // save slots the manager shows, whatever the card has
inline constexpr int kSlotSize = 0x2000;

enum SlotColumn : int { SlotColumnSlot = 0, SlotColumnGame = 1, SlotColumnFileName = 2 };
inline constexpr int kSlotColumnCount = 3;

struct SlotColumnSpec {
    const char* title;
    int width;  // pixels
};
inline constexpr std::array<SlotColumnSpec, kSlotColumnCount> kSlotColumns{{
    {"Slot", 40},
    {"Game (ROM)", 130},
    {"FileName", 236},
}};

// "Slot 00" .. "Slot 15".
std::string SlotRowLabel(int row);
// "slot 3", "slots 4 to 15", "slots 2, 5 and 9"; `rows` ascending, not empty.
std::string SlotsText(const std::vector<int>& rows);

// Told about every change, so a view can follow the list.
class SlotListObserver {
  public:
    virtual ~SlotListObserver() = default;
    virtual void ItemChanged(int row, int column) = 0;
    virtual void CardSlotsChanged(int /*slots*/) {}
};

// The slot rows of the Savegame Manager: sixteen rows of three texts and the
// set of selected rows. The list texts belong to one opening of the manager;
// a new list starts with only the slot labels.
class SlotList {
  public:
    SlotList();

    const std::string& Item(int row, int column) const;
    // False when the row or column does not exist, or when the refusal seam says so.
    bool SetItem(int row, int column, const std::string& text);

    std::vector<int> SelectedRows() const;  // ascending
    bool IsSelected(int row) const;
    void Select(int row, bool selected = true);
    void SelectRange(int first, int last);  // first..last inclusive, replacing the selection
    void ClearSelection();

    void SetObserver(SlotListObserver* observer) { observer_ = observer; }

    // The save slots of the card last detected, 1..16; rows from there on
    // are not shown (their texts and selection stay). All 16 until a card has
    // been seen.
    int cardSlots() const { return cardSlots_; }
    void SetCardSlots(int slots);

    // Test seam: the n-th following SetItem (0 = the next one) is refused, as
    // a list control refuses an item when out of memory. Negative: never.
    void RefuseAfter(int operations) { refuseCountdown_ = operations; }

  private:
    std::array<std::array<std::string, kSlotColumnCount>, kSlotCount> items_;
    std::array<bool, kSlotCount> selected_{};
    SlotListObserver* observer_ = nullptr;
    int refuseCountdown_ = -1;
    int cardSlots_ = kSlotCount;
};

}  // namespace zorvex
