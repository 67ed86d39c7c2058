#pragma once

// A list view as a core model: ordered items with a caption, sub-items, check state and
// selection, plus the rule that gives a row its background colour. The window shows every
// model through one generic adapter; tests read and click the models directly.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scourwell::foundation {

// Colours are Windows colour values (blue-green-red order).
inline constexpr uint32_t kColourCheckedBlue = 16576998;  // FCF1E6
inline constexpr uint32_t kColourYellow = 65535;
// The system's info background (tooltip) colour; the window resolves it.
inline constexpr uint32_t kColourInfoBackground = 0xFF000018;

struct ListItem {
    std::string caption;
    std::vector<std::string> subItems;
    bool checked = false;
    bool selected = false;

    // Sub-item i, or the empty text when the item has fewer.
    const std::string& SubItem(size_t i) const;
};

class ListModelObserver {
public:
    virtual ~ListModelObserver() = default;
    virtual void OnReset() = 0;
    virtual void OnInserted(size_t index) = 0;
    virtual void OnChanged(size_t index) = 0;
    virtual void OnRemoved(size_t index) = 0;
};

class ListModel {
public:
    using ColourRule = std::function<std::optional<uint32_t>(const ListItem&)>;

    ListModel(std::vector<std::string> columns, bool checkBoxes);
    ListModel(const ListModel&) = delete;
    ListModel& operator=(const ListModel&) = delete;

    const std::vector<std::string>& Columns() const { return columns_; }
    bool HasCheckBoxes() const { return checkBoxes_; }

    size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const ListItem& Item(size_t index) const { return items_.at(index); }
    const std::vector<ListItem>& Items() const { return items_; }
    // Changes whenever items move to other indexes (a removal or clearing; appending does not),
    // so a loop that let events run can tell whether its indexes still hold.
    uint64_t Layout() const { return layout_; }

    size_t Add(ListItem item);
    void Remove(size_t index);
    void Clear();
    // Replaces every item at once: one reset for the views instead of one insert per row.
    void Assign(std::vector<ListItem> items);
    void SetCaption(size_t index, std::string text);
    void SetSubItem(size_t index, size_t subIndex, std::string text);
    void SetChecked(size_t index, bool checked);
    void SetSelected(size_t index, bool selected);
    // Checked or selected: what the pages call a marked item.
    bool IsMarked(size_t index) const;

    void SetColourRule(ColourRule rule) { colourRule_ = std::move(rule); }
    std::optional<uint32_t> Colour(size_t index) const;

    void AddObserver(ListModelObserver* observer);
    void RemoveObserver(ListModelObserver* observer);

    // User gestures, reported by the window after it has applied them to the model.
    std::function<void(size_t index)> onMouseUp;       // release over an item (after a click)
    std::function<void(size_t index)> onSelect;        // an item became the selected one
    std::function<void(size_t index)> onDoubleClick;

    // Helpers for the window and tests: apply a user's click on the check box or the row.
    void UserToggleCheck(size_t index);
    void UserSelect(size_t index);
    void UserDoubleClick(size_t index);

private:
    void NotifyChanged(size_t index);

    std::vector<std::string> columns_;
    bool checkBoxes_;
    std::vector<ListItem> items_;
    uint64_t layout_ = 0;
    ColourRule colourRule_;
    std::vector<ListModelObserver*> observers_;
};

}  // namespace scourwell::foundation
