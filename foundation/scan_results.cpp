#include "foundation/scan_results.h"

#include <algorithm>

#include "foundation/text.h"

namespace scourwell::foundation {
namespace {

bool LineLess(const ScanResultRow& a, const ScanResultRow& b) {
    return CompareIgnoreCase(a.ToLine(), b.ToLine()) < 0;
}

}  // namespace

std::string ScanResultRow::ToLine() const {
    std::string line;
    line.reserve(name.size() + kind.size() + location.size() + size.size() + status.size() + 8);
    line += name;
    line += ';';
    line += kind;
    line += ';';
    line += location;
    line += ';';
    line += size;
    line += ';';
    line += status;
    line += ';';
    line += selected ? '1' : '0';
    line += ';';
    return line;
}

std::optional<long long> ScanResultRow::DecimalSize() const {
    long long value = 0;
    if (!ParseInt64(size, value)) return std::nullopt;
    return value;
}

void ScanResults::Add(ScanResultRow row) {
    if (!sorted_) {
        rows_.push_back(std::move(row));
        return;
    }
    const std::string line = row.ToLine();
    auto place = std::lower_bound(rows_.begin(), rows_.end(), row, LineLess);
    // Rows that compare equal without regard to case follow each other; an identical one
    // means the row is already held.
    for (; place != rows_.end() && CompareIgnoreCase(place->ToLine(), line) == 0; ++place)
        if (place->ToLine() == line) return;
    rows_.insert(place, std::move(row));
}

long ScanResults::Find(const std::string& name, const std::string& location, const std::string& kind) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        const ScanResultRow& row = rows_[i];
        if (row.name == name && row.location == location && row.kind == kind) return static_cast<long>(i);
    }
    return -1;
}

void ScanResults::SetSelected(size_t index, bool selected) {
    if (index >= rows_.size()) return;
    if (!sorted_) {
        rows_[index].selected = selected;
        SwitchToSorted();
        return;
    }
    if (rows_[index].selected == selected) return;
    // The changed line may belong elsewhere in the order: move just that row.
    ScanResultRow row = std::move(rows_[index]);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    row.selected = selected;
    rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row, LineLess), std::move(row));
}

void ScanResults::SetSelected(const std::vector<size_t>& indexes, bool selected) {
    bool changed = false;
    for (size_t index : indexes) {
        if (index >= rows_.size() || rows_[index].selected == selected) continue;
        rows_[index].selected = selected;
        changed = true;
    }
    if (changed) sorted_ = false;
    SwitchToSorted();
}

void ScanResults::SwitchToSorted() {
    if (sorted_) return;
    std::stable_sort(rows_.begin(), rows_.end(), LineLess);
    sorted_ = true;
}

}  // namespace scourwell::foundation
