#pragma once

// The "Quick Report" page: the memo Memo2, "Build Report" and "Save Report".

class QWidget;

namespace scourwell::inspect {
class QuickReport;
}

namespace scourwell::app {

QWidget* BuildQuickReportPage(inspect::QuickReport& report);

}  // namespace scourwell::app
