#include "library/rom_list_model.h"

#include <algorithm>
#include <cctype>

namespace zorvex {

namespace {

bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

bool RomListModel::Refuse() {
    if (refuseCountdown_ < 0) return false;
    if (refuseCountdown_ == 0) {
        refuseCountdown_ = -1;
        return true;
    }
    --refuseCountdown_;
    return false;
}

int RomListModel::InsertRow(const std::string& name) {
    if (Refuse()) return -1;
    auto at = std::upper_bound(rows_.begin(), rows_.end(), name,
                               [](const std::string& n, const std::unique_ptr<RomEntry>& e) {
                                   return NameLess(n, (*e)[FieldName]);
                               });
    auto entry = std::make_unique<RomEntry>();
    (*entry)[FieldName] = name;
    const int row = static_cast<int>(at - rows_.begin());
    if (observer_) observer_->RowAboutToBeInserted(row);
    rows_.insert(at, std::move(entry));
    if (observer_) observer_->RowInserted(row);
    return row;
}

bool RomListModel::SetField(int row, int field, const std::string& text) {
    if (row < 0 || row >= Count() || field < 0 || field >= kRomFieldCount) return false;
    if (Refuse()) return false;
    (*rows_[static_cast<size_t>(row)])[field] = text;
    if (observer_) observer_->FieldChanged(row, field);
    return true;
}

bool RomListModel::RemoveRow(int row) {
    if (row < 0 || row >= Count()) return false;
    if (observer_) observer_->RowAboutToBeRemoved(row);
    rows_.erase(rows_.begin() + row);
    if (observer_) observer_->RowRemoved(row);
    return true;
}

RomListModel::RomListModel(const RomListModel& other)
    : reportedFiles_(other.reportedFiles_), refuseCountdown_(other.refuseCountdown_) {
    rows_.reserve(other.rows_.size());
    for (const auto& row : other.rows_) rows_.push_back(std::make_unique<RomEntry>(*row));
}

RomListModel& RomListModel::operator=(const RomListModel& other) {
    if (this != &other) *this = RomListModel(other);
    return *this;
}

RomListModel::RomListModel(RomListModel&& other) noexcept {
    *this = std::move(other);
}

RomListModel& RomListModel::operator=(RomListModel&& other) noexcept {
    if (this != &other) {
        // The moved-from model ends empty; its own view must hear of that too.
        if (observer_) observer_->AboutToReset();
        if (other.observer_) other.observer_->AboutToReset();
        rows_ = std::move(other.rows_);
        other.rows_.clear();
        reportedFiles_ = std::move(other.reportedFiles_);
        other.reportedFiles_.clear();
        refuseCountdown_ = other.refuseCountdown_;
        if (observer_) observer_->Reset();
        if (other.observer_) other.observer_->Reset();
    }
    return *this;
}

std::vector<RomEntry> RomListModel::Snapshot() const {
    std::vector<RomEntry> out;
    out.reserve(rows_.size());
    for (const auto& row : rows_) out.push_back(*row);
    return out;
}

void RomListModel::Clear() {
    if (observer_) observer_->AboutToReset();
    rows_.clear();
    if (observer_) observer_->Reset();
}

}  // namespace zorvex
