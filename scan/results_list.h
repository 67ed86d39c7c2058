#pragma once

// The results list `list1` of the Scan page: its items and colours, the "Potentially freed
// space:" total, the kind and severity filters, the check-box bookkeeping (the row's Selected
// field and the exclusion set), "Select All" and "Deselect All".
//
// An item belongs to the first row of ScanResults with the same Name (caption), Location and
// Kind (sub-items); nothing is ever parsed back out of display text, so a name holding ";" or
// "=" always leads to its own row.

#include <cstdint>
#include <optional>

#include "foundation/list_model.h"
#include "foundation/scan_results.h"
#include "scan/scan_page.h"

namespace scourwell::scan {

// Caption of the placeholder item that a running scan shows first.
inline constexpr const char* kScanningPlaceholder = "Scanning...";

// list1CustomDrawItem: "Critical" or "Junk" is yellow, else a checked item light blue.
std::optional<uint32_t> list1ItemColour(const foundation::ListItem& item);

// The list1 item of a row: caption Name; Kind, Location, size text, Status; checked when
// Selected. A decimal Size is shown with FormatSize(size, true), any other Size unchanged.
foundation::ListItem MakeResultItem(const foundation::ScanResultRow& row);
// Adds a found object: an item at the end of list1 and a row of ScanResults.
void AddFoundObject(ScanPage& page, foundation::ScanResultRow row);
// Index in page.results of the row of list1 item `itemIndex`, or -1.
long RowOfItem(const ScanPage& page, size_t itemIndex);

// Totals the decimal Size fields of all rows into Label8 (page.freedSpace); empty when no row
// has one. Serves events between rows (on the pacing budget).
void updateList(ScanPage& page);

// Selecting an item shows its Location in the status line.
void list1SelectItem(ScanPage& page, size_t itemIndex);
// Double-click: Location + Name + "\" for a folder, Location for a file.
void list1DblClick(ScanPage& page, size_t itemIndex);
// After the list applied a click: keeps the exclusion set and the row's Selected field in
// step with the item's check box, and totals again.
void list1MouseUp(ScanPage& page, size_t itemIndex);

// "Select All" / "Deselect All": every item's check box and its row's Selected field. The
// exclusion set is left alone.
void Button25Click(ScanPage& page);
void Button26Click(ScanPage& page);

// cb1Change (either filter changed): rebuilds list1 from the rows both filters accept.
void cb1Change(ScanPage& page);
// Whether the filters (cb1 index, cb2 index) accept a row.
bool FiltersAccept(int kindFilter, int severityFilter, const foundation::ScanResultRow& row);

// Hooks list1's gestures, colour rule and the filters to the handlers above (ScanPage's
// constructor does this).
void ConnectResultsList(ScanPage& page);

}  // namespace scourwell::scan
