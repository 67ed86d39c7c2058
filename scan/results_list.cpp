#include "scan/results_list.h"

#include <exception>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/exclusion_set.h"
#include "foundation/format_size.h"
#include "scan/walk_pacing.h"

namespace scourwell::scan {
namespace {

using foundation::ListItem;
using foundation::ScanResultRow;

// Where the item with this identity now is: `hint` when it still holds it, else the first
// item that does; -1 when it is gone.
long FindItem(const ScanPage& page, size_t hint, const std::string& name,
              const std::string& location, const std::string& kind) {
    const auto matches = [&](const ListItem& item) {
        return item.caption == name && item.SubItem(kColLocation) == location &&
               item.SubItem(kColKind) == kind;
    };
    if (hint < page.list1.Count() && matches(page.list1.Item(hint))) return static_cast<long>(hint);
    for (size_t i = 0; i < page.list1.Count(); ++i)
        if (matches(page.list1.Item(i))) return static_cast<long>(i);
    return -1;
}

// Identity of an item or row: its folder, name and kind.
std::string IdentityKey(const std::string& location, const std::string& name,
                        const std::string& kind) {
    // Names never hold a NUL, so it separates the parts.
    return location + '\0' + name + '\0' + kind;
}

void SetAllChecks(ScanPage& page, bool checked) {
    // The boxes first, letting events run as they go; then the Selected fields of the items'
    // rows in one pass, which sorts the results once instead of once per row.
    WalkPacer pacer(page.context, page.pacing);
    std::unordered_set<std::string> shown;
    for (size_t i = 0; i < page.list1.Count(); ++i) {
        if (pacer.Due()) {
            pacer.Pump();
            if (i >= page.list1.Count()) break;
        }
        page.list1.SetChecked(i, checked);
        const ListItem& item = page.list1.Item(i);
        shown.insert(IdentityKey(item.SubItem(kColLocation), item.caption, item.SubItem(kColKind)));
    }
    if (page.list1.Empty()) return;
    // The row of an item is the first row with its identity.
    std::vector<size_t> rows;
    const auto& all = page.results.Rows();
    for (size_t r = 0; r < all.size(); ++r) {
        if (shown.erase(IdentityKey(all[r].location, all[r].name, all[r].kind)) != 0)
            rows.push_back(r);
    }
    page.results.SetSelected(rows, checked);
}

}  // namespace

std::optional<uint32_t> list1ItemColour(const ListItem& item) {
    const std::string& status = item.SubItem(kColStatus);
    if (status == "Critical" || status == "Junk") return foundation::kColourYellow;
    if (item.checked) return foundation::kColourCheckedBlue;
    return std::nullopt;
}

ListItem MakeResultItem(const ScanResultRow& row) {
    ListItem item;
    item.caption = row.name;
    item.subItems.resize(4);
    item.subItems[kColKind] = row.kind;
    item.subItems[kColLocation] = row.location;
    const std::optional<long long> size = row.DecimalSize();
    item.subItems[kColSize] =
        size ? foundation::FormatSize(static_cast<long double>(*size), true) : row.size;
    item.subItems[kColStatus] = row.status;
    item.checked = row.selected;
    return item;
}

void AddFoundObject(ScanPage& page, ScanResultRow row) {
    page.list1.Add(MakeResultItem(row));
    page.results.Add(std::move(row));
}

long RowOfItem(const ScanPage& page, size_t itemIndex) {
    if (itemIndex >= page.list1.Count()) return -1;
    const ListItem& item = page.list1.Item(itemIndex);
    return page.results.Find(item.caption, item.SubItem(kColLocation), item.SubItem(kColKind));
}

void updateList(ScanPage& page) {
    WalkPacer pacer(page.context, page.pacing);
    long double total = 0;
    bool counted = false;
    for (size_t i = 0; i < page.results.Count(); ++i) {
        if (pacer.Due()) {
            pacer.Pump();
            if (i >= page.results.Count()) break;
        }
        const std::optional<long long> size = page.results.Rows()[i].DecimalSize();
        if (!size) continue;
        total += static_cast<long double>(*size);
        counted = true;
    }
    page.freedSpace.Set(counted ? foundation::FormatSize(total, true) : std::string());
}

void list1SelectItem(ScanPage& page, size_t itemIndex) {
    if (itemIndex >= page.list1.Count()) return;
    page.context.status.Set(page.list1.Item(itemIndex).SubItem(kColLocation));
}

void list1DblClick(ScanPage& page, size_t itemIndex) {
    if (itemIndex >= page.list1.Count()) return;
    const ListItem& item = page.list1.Item(itemIndex);
    if (item.SubItem(kColKind) == "Folder")
        page.context.status.Set(item.SubItem(kColLocation) + item.caption + "\\");
    else
        page.context.status.Set(item.SubItem(kColLocation));
}

void list1MouseUp(ScanPage& page, size_t itemIndex) {
    try {
        if (itemIndex >= page.list1.Count()) return;
        const ListItem& item = page.list1.Item(itemIndex);
        // The placeholder of a running scan stands for no object.
        if (item.SubItem(kColKind).empty()) return;
        const std::string name = item.caption;
        const std::string location = item.SubItem(kColLocation);
        const std::string kind = item.SubItem(kColKind);
        bool checked = item.checked;
        const std::string key = foundation::ExclusionSet::Key(location, name, kind);

        updateList(page);

        // Events ran meanwhile: the list may have been rebuilt or the box clicked again (that
        // click has its own handler run). Follow the item's box as it is now.
        const long now = FindItem(page, itemIndex, name, location, kind);
        if (now >= 0) checked = page.list1.Item(static_cast<size_t>(now)).checked;

        if (checked)
            page.excluded.Remove(key);
        else
            page.excluded.Add(key);
        const long row = page.results.Find(name, location, kind);
        if (row >= 0 && page.results.Rows()[static_cast<size_t>(row)].selected != checked)
            page.results.SetSelected(static_cast<size_t>(row), checked);
    } catch (const std::exception&) {
        // A failure here must not disturb the click that caused it.
    }
}

void Button25Click(ScanPage& page) {
    SetAllChecks(page, true);
}

void Button26Click(ScanPage& page) {
    SetAllChecks(page, false);
}

bool FiltersAccept(int kindFilter, int severityFilter, const ScanResultRow& row) {
    bool kindOk = false;
    switch (kindFilter) {
        case 0:
            kindOk = true;
            break;
        case 1:
            kindOk = row.kind == "File";
            break;
        case 2:
            kindOk = row.kind == "Folder";
            break;
        default:
            break;
    }
    if (!kindOk) return false;
    switch (severityFilter) {
        case 0:
            return true;
        case 1:
            return row.status == "Critical";
        case 2:
            return row.status == "High";
        case 3:
            return row.status == "Medium";  // "Middle"
        case 4:
            return row.status == "Low";
        case 5:
            return row.status == "Junk";
        default:
            return false;
    }
}

void cb1Change(ScanPage& page) {
    page.list1.Clear();
    const int kind = page.kindFilter.Get();
    const int severity = page.severityFilter.Get();
    for (const ScanResultRow& row : page.results.Rows())
        if (FiltersAccept(kind, severity, row)) page.list1.Add(MakeResultItem(row));
}

void ConnectResultsList(ScanPage& page) {
    page.list1.SetColourRule(list1ItemColour);
    page.list1.onSelect = [&page](size_t index) { list1SelectItem(page, index); };
    page.list1.onDoubleClick = [&page](size_t index) { list1DblClick(page, index); };
    page.list1.onMouseUp = [&page](size_t index) { list1MouseUp(page, index); };
    page.kindFilter.Watch([&page](const int&) { cb1Change(page); });
    page.severityFilter.Watch([&page](const int&) { cb1Change(page); });
}

}  // namespace scourwell::scan
