#include "scan/scan_page.h"

#include "scan/results_list.h"

namespace scourwell::scan {

ScanPage::ScanPage(foundation::ProgramContext& ctx)
    : context(ctx), list1({"Object", "Kind", "Location", "Size", "Status"}, true) {
    ConnectResultsList(*this);
}

}  // namespace scourwell::scan
