#pragma once

// The Scan page's state: the results list `list1`, the scan results and the exclusion set
// behind it, the "Potentially freed space:" total, the filters and the buttons. The scan
// driver, the walks, the filters and the clean-up all work on this one object.

#include <string>

#include "foundation/exclusion_set.h"
#include "foundation/list_model.h"
#include "foundation/observable.h"
#include "foundation/program_context.h"
#include "foundation/scan_results.h"
#include "scan/walk_pacing.h"

namespace scourwell::scan {

// Sub-item columns of list1 after the caption ("Object").
enum ResultColumn : size_t { kColKind = 0, kColLocation = 1, kColSize = 2, kColStatus = 3 };

struct ScanPage {
    explicit ScanPage(foundation::ProgramContext& ctx);
    ScanPage(const ScanPage&) = delete;
    ScanPage& operator=(const ScanPage&) = delete;

    foundation::ProgramContext& context;
    foundation::ListModel list1;             // "Object", "Kind", "Location", "Size", "Status"
    foundation::ScanResults results;         // ScanResults
    foundation::ExclusionSet excluded;       // ExcludedItems
    foundation::Observable<std::string> freedSpace{"0"};  // Label8
    foundation::Observable<int> kindFilter{0};            // cb1: "All", "Files", "Folders"
    foundation::Observable<int> severityFilter{0};        // cb2: "All", "Critical", "High", "Middle", "Low", "Junk"

    foundation::Observable<bool> quickScanEnabled{true};   // "Quick Scan"
    foundation::Observable<bool> customScanEnabled{true};  // "Custom Scan"
    foundation::Observable<bool> cleanUpEnabled{false};    // "Clean-up"
    foundation::Observable<bool> abortEnabled{false};      // "Abort"

    // How often the walks and list loops on this page serve events.
    WalkPacing pacing;
};

}  // namespace scourwell::scan
