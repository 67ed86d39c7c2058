#include "foundation/list_model.h"

#include <algorithm>

namespace scourwell::foundation {

const std::string& ListItem::SubItem(size_t i) const {
    static const std::string kEmpty;
    return i < subItems.size() ? subItems[i] : kEmpty;
}

ListModel::ListModel(std::vector<std::string> columns, bool checkBoxes)
    : columns_(std::move(columns)), checkBoxes_(checkBoxes) {}

size_t ListModel::Add(ListItem item) {
    items_.push_back(std::move(item));
    const size_t index = items_.size() - 1;
    for (auto* observer : observers_) observer->OnInserted(index);
    return index;
}

void ListModel::Remove(size_t index) {
    if (index >= items_.size()) return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    ++layout_;
    for (auto* observer : observers_) observer->OnRemoved(index);
}

void ListModel::Clear() {
    items_.clear();
    ++layout_;
    for (auto* observer : observers_) observer->OnReset();
}

void ListModel::Assign(std::vector<ListItem> items) {
    items_ = std::move(items);
    ++layout_;
    for (auto* observer : observers_) observer->OnReset();
}

void ListModel::SetCaption(size_t index, std::string text) {
    if (index >= items_.size() || items_[index].caption == text) return;
    items_[index].caption = std::move(text);
    NotifyChanged(index);
}

void ListModel::SetSubItem(size_t index, size_t subIndex, std::string text) {
    if (index >= items_.size()) return;
    auto& subs = items_[index].subItems;
    if (subs.size() <= subIndex) subs.resize(subIndex + 1);
    if (subs[subIndex] == text) return;
    subs[subIndex] = std::move(text);
    NotifyChanged(index);
}

void ListModel::SetChecked(size_t index, bool checked) {
    if (index >= items_.size() || items_[index].checked == checked) return;
    items_[index].checked = checked;
    NotifyChanged(index);
}

void ListModel::SetSelected(size_t index, bool selected) {
    if (index >= items_.size() || items_[index].selected == selected) return;
    items_[index].selected = selected;
    NotifyChanged(index);
}

bool ListModel::IsMarked(size_t index) const {
    return index < items_.size() && (items_[index].checked || items_[index].selected);
}

std::optional<uint32_t> ListModel::Colour(size_t index) const {
    if (!colourRule_ || index >= items_.size()) return std::nullopt;
    return colourRule_(items_[index]);
}

void ListModel::AddObserver(ListModelObserver* observer) { observers_.push_back(observer); }

void ListModel::RemoveObserver(ListModelObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ListModel::UserToggleCheck(size_t index) {
    if (index >= items_.size()) return;
    SetChecked(index, !items_[index].checked);
    if (onMouseUp) onMouseUp(index);
}

void ListModel::UserSelect(size_t index) {
    if (index >= items_.size()) return;
    SetSelected(index, true);
    if (onSelect) onSelect(index);
    if (onMouseUp) onMouseUp(index);
}

void ListModel::UserDoubleClick(size_t index) {
    if (index >= items_.size()) return;
    if (onDoubleClick) onDoubleClick(index);
}

void ListModel::NotifyChanged(size_t index) {
    for (auto* observer : observers_) observer->OnChanged(index);
}

}  // namespace scourwell::foundation
