#include "saves/slot_list.h"

#include "common/file_io.h"

namespace zorvex {

namespace {
bool ValidRow(int row) {
    return row >= 0 && row < kSlotCount;
}
}  // namespace

std::string SlotRowLabel(int row) {
    return Format("Slot %02d", row);
}

std::string SlotsText(const std::vector<int>& rows) {
    if (rows.size() == 1) return Format("slot %d", rows.front());
    bool consecutive = true;
    for (size_t i = 1; i < rows.size(); ++i) consecutive &= rows[i] == rows[i - 1] + 1;
    if (consecutive) return Format("slots %d to %d", rows.front(), rows.back());
    std::string text = "slots";
    for (size_t i = 0; i < rows.size(); ++i)
        text += (i == 0 ? " " : i + 1 == rows.size() ? " and " : ", ") + std::to_string(rows[i]);
    return text;
}

SlotList::SlotList() {
    for (int row = 0; row < kSlotCount; ++row) items_[row][SlotColumnSlot] = SlotRowLabel(row);
}

const std::string& SlotList::Item(int row, int column) const {
    static const std::string kNone;
    if (!ValidRow(row) || column < 0 || column >= kSlotColumnCount) return kNone;
    return items_[row][column];
}

bool SlotList::SetItem(int row, int column, const std::string& text) {
    if (refuseCountdown_ >= 0 && refuseCountdown_-- == 0) return false;
    if (!ValidRow(row) || column < 0 || column >= kSlotColumnCount) return false;
    items_[row][column] = text;
    if (observer_) observer_->ItemChanged(row, column);
    return true;
}

std::vector<int> SlotList::SelectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < kSlotCount; ++row)
        if (selected_[row]) rows.push_back(row);
    return rows;
}

bool SlotList::IsSelected(int row) const {
    return ValidRow(row) && selected_[row];
}

void SlotList::Select(int row, bool selected) {
    if (ValidRow(row)) selected_[row] = selected;
}

void SlotList::SelectRange(int first, int last) {
    ClearSelection();
    for (int row = first; row <= last; ++row) Select(row);
}

void SlotList::SetCardSlots(int slots) {
    if (slots < 1 || slots > kSlotCount || slots == cardSlots_) return;
    cardSlots_ = slots;
    if (observer_) observer_->CardSlotsChanged(slots);
}

void SlotList::ClearSelection() {
    selected_.fill(false);
}

}  // namespace zorvex
